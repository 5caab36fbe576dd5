// Widget.h - the elements of menus: static texts and images, buttons,
// yes/no switches, lists and edit boxes.
//
// A widget belongs to one menu (which holds a reference to it), has an id
// unique in that menu, a rectangle relative to the menu, a text, a font and
// five colours and textures indexed by element type. It turns menu input
// codes into widget events that it sends to its menu, and draws itself
// through the menu renderer. A widget whose menu has no renderer (the menu
// manager not initialised) has no font, measures 0 and draws nothing.
// Depends on: MenuRenderer.h, WordWrap.h, tier0/ObjectPool.h.
#pragma once

#include "menu/MenuRenderer.h"
#include "menu/WordWrap.h"
#include "tier0/ObjectPool.h"

#include <array>
#include <string>
#include <vector>

namespace Menu {
class BaseMenu;
}

enum WidgetType {
  WidgetType_StaticText = 0,
  WidgetType_StaticImage = 1,
  WidgetType_Button = 2,
  WidgetType_Boolean = 3,
  WidgetType_List = 4,
  WidgetType_EditBox = 5,
};
constexpr int kWidgetTypeCount = 6;

// Indices into a widget's colours and textures.
enum ElementType {
  Element_Default = 0,
  Element_Normal = 1,    // text of an enabled widget without focus
  Element_Focused = 2,   // text of the focused widget
  Element_Disabled = 3,  // text of a disabled widget
  Element_Value = 4,     // switch and list values, static texts, image tint
};
constexpr int kElementCount = 5;

// Menu input codes.
enum MenuInput {
  MenuInput_Enter = 0,
  MenuInput_Up = 1,
  MenuInput_Down = 2,
  MenuInput_Left = 3,
  MenuInput_Right = 4,
  MenuInput_Escape = 5,
};

// Widget events, sent to the menu's OnWidgetEvent.
enum WidgetEvent {
  WidgetEvent_Activated = 2,
  WidgetEvent_ValueChanged = 3,
  WidgetEvent_FocusNext = 4,
  WidgetEvent_FocusPrevious = 5,
  WidgetEvent_Left = 6,
  WidgetEvent_Right = 7,
};

class Widget : public PooledObject {
 public:
  // A widget a script kept after its menu went may have loaded a font since.
  ~Widget() override { Widget::ReleaseResources(); }
  virtual void SetPos(int x, int y);
  virtual void SetSize(int width, int height);
  virtual void SetText(const std::string& text);
  virtual bool CanFocus() const { return !m_static && m_visible && m_enabled; }
  virtual void Init() {}
  // Releases the font and the five textures.
  virtual void ReleaseResources();
  virtual void Draw() {}
  virtual void OnChar(int) {}
  virtual void HandleInput(int code);

  // An empty name drops the font; a font that cannot be loaded leaves the old
  // one and gives false.
  bool SetFont(const std::string& name);
  bool SetTexture(int element, const std::string& name);
  void SetColor(int element, const Vector4D& colour);
  Vector4D GetColor(int element) const;

  void Show(bool visible) { m_visible = visible; }
  void Enable(bool enabled) { m_enabled = enabled; }
  void SetStatic(bool isStatic) { m_static = isStatic; }
  bool IsVisible() const { return m_visible; }
  bool IsEnabled() const { return m_enabled; }
  bool IsStatic() const { return m_static; }

  int GetType() const { return m_type; }
  int GetID() const { return m_id; }
  const std::string& GetText() const { return m_text; }
  int GetX() const { return m_x; }
  int GetY() const { return m_y; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  // The menu's position plus the widget's.
  void GetScreenPos(int* x, int* y) const;
  Menu::BaseMenu* GetMenu() const { return m_menu; }
  MenuHandle GetFont() const { return m_font; }
  MenuHandle GetTexture(int element) const;
  int GetFontHeight() const;
  int GetTextWidth(const char* text, size_t length) const;

  // Set by the menu that makes the widget; cleared when the menu goes.
  void Attach(Menu::BaseMenu* menu, int type, int id) {
    m_menu = menu;
    m_type = type;
    m_id = id;
  }
  void Detach() { m_menu = nullptr; }

 protected:
  Widget() = default;
  MenuRenderer* Renderer() const;
  void SendEvent(int code);
  const Vector4D& StateColour() const;
  // The text at the screen position, and optionally a value 150 pixels right.
  void DrawLabel(const std::string* value) const;

  Menu::BaseMenu* m_menu = nullptr;
  int m_type = 0;
  int m_id = 0;
  bool m_static = false;
  bool m_visible = true;
  bool m_enabled = true;
  std::string m_text;
  int m_x = 0, m_y = 0, m_width = 0, m_height = 0;
  std::array<Vector4D, kElementCount> m_colours;
  std::array<MenuHandle, kElementCount> m_textures{};
  MenuHandle m_font = 0;
  // The renderer the font and textures came from; they go back to it.
  MenuRenderer* m_loadedBy = nullptr;
};

class StaticTextWidget : public Widget {
  KAZ_POOLED_CLASS(StaticTextWidget)
 public:
  StaticTextWidget() { m_static = true; }
  void SetSize(int width, int height) override;
  void SetText(const std::string& text) override;
  void Draw() override;
  void SetWordWrap(bool wrap);
  bool GetWordWrap() const { return m_wordWrap; }
  const std::vector<LineRange>& GetLines() const { return m_lines; }
  void FitHeight();
  void Rewrap();

 private:
  bool m_wordWrap = false;
  std::vector<LineRange> m_lines;
};

class StaticImageWidget : public Widget {
  KAZ_POOLED_CLASS(StaticImageWidget)
 public:
  StaticImageWidget() { m_static = true; }
  void Draw() override;
  void SetTextureRect(float uMin, float vMin, float uMax, float vMax);

 private:
  float m_uMin = 0.0f, m_vMin = 0.0f, m_uMax = 1.0f, m_vMax = 1.0f;
};

class ButtonWidget : public Widget {
  KAZ_POOLED_CLASS(ButtonWidget)
 public:
  ButtonWidget() = default;
  void HandleInput(int code) override;
  void Draw() override { DrawLabel(nullptr); }
};

class BooleanWidget : public Widget {
  KAZ_POOLED_CLASS(BooleanWidget)
 public:
  BooleanWidget() = default;
  void HandleInput(int code) override;
  void Draw() override;
  bool GetValue() const { return m_value; }
  void SetValue(bool value) { m_value = value; }

 private:
  bool m_value = false;
};

class ListWidget : public Widget {
  KAZ_POOLED_CLASS(ListWidget)
 public:
  ListWidget() = default;
  void HandleInput(int code) override;
  void Draw() override;
  int AddString(const std::string& text);
  bool RemoveString(int index);
  void Clear();
  int GetCount() const { return static_cast<int>(m_strings.size()); }
  int GetCurSel() const { return m_current; }
  bool SetCurSel(int index);
  std::string GetString(int index) const;
  // Exact, case-sensitive; -1 when absent.
  int FindString(const std::string& text) const;
  void Reverse();

 private:
  void Step(int direction);
  std::vector<std::string> m_strings;
  int m_current = -1;
};

class EditBoxWidget : public Widget {
  KAZ_POOLED_CLASS(EditBoxWidget)
 public:
  EditBoxWidget() = default;
  void HandleInput(int code) override;
  void Draw() override { DrawLabel(nullptr); }
};

// A new widget of the type (one reference), or null for an unknown type.
Widget* CreateWidget(int type);
