// Menu.h - menus: a rectangle with a background and an ordered list of
// widgets, one of which has the focus; scripted menus; message boxes.
//
// A menu holds one reference to each of its widgets; insertion order is the
// drawing and focus order. Destroying a menu releases its widgets' fonts and
// textures and drops them. Scripted menus report what happens to them through
// a hook the script layer installs (nothing happens without one). A message
// box is a menu the manager makes: a word-wrapped text, a countdown and up to
// three buttons; its result goes to a callback once, and then it closes.
// Depends on: Widget.h, MenuRenderer.h, tier0/ObjectPool.h.
#pragma once

#include "menu/Widget.h"
#include "tier0/ObjectPool.h"
#include "tier0/Ref.h"

#include <functional>
#include <string>
#include <vector>

class MenuManager;

// The look given to new menus and widgets.
// The menus' font unless a script sets another (a package file).
constexpr const char* kMenuFontPath = "Fonts/menu.f";

struct MenuStyle {
  std::string font = kMenuFontPath;
  Vector4D background{0.25f, 0.25f, 0.25f, 0.5f};
  std::array<Vector4D, kElementCount> colours = {
      Vector4D(1.0f, 1.0f, 1.0f, 1.0f), Vector4D(0.5f, 0.5f, 0.5f, 1.0f),
      Vector4D(1.0f, 1.0f, 1.0f, 1.0f), Vector4D(0.25f, 0.25f, 0.25f, 1.0f),
      Vector4D(1.0f, 0.5f, 0.25f, 1.0f)};
};

namespace Menu {

class BaseMenu : public PooledObject {
  KAZ_POOLED_CLASS(BaseMenu)
 public:
  explicit BaseMenu(MenuManager* manager = nullptr, const MenuStyle* style = nullptr);
  // A new menu of the manager (one reference), in its menu style.
  static BaseMenu* Create(MenuManager* manager);
  ~BaseMenu() override;

  virtual bool IsScripted() const { return false; }
  // Focus next (4) and previous (5) move the focus; other codes do nothing here.
  virtual void OnWidgetEvent(int widgetId, int code);
  virtual bool Update(float) { return true; }
  // The background (when its alpha is above 0), then the visible widgets.
  virtual bool Draw();
  virtual bool Init() { return true; }
  virtual void OnClose() {}
  virtual void OnActivate(BaseMenu*) {}
  virtual void OnDeactivate(BaseMenu*) {}
  // The rectangle becomes the whole screen.
  virtual void OnResize(int width, int height);
  virtual void OnChar(int character);
  virtual void HandleInput(int code);

  // Null for a duplicate id or an unknown type; the menu keeps the reference.
  Widget* AddWidget(int type, int id, const std::string& text, int x, int y, int width, int height);
  Widget* FindWidget(int id) const;
  // Only a widget of this menu takes the focus.
  void SetFocusWidget(Widget* widget);
  Widget* GetFocusWidget() const { return m_focus; }
  const std::vector<Ref<Widget>>& GetWidgets() const { return m_widgets; }

  void SetBgColor(const Vector4D& colour) { m_background = colour; }
  const Vector4D& GetBgColor() const { return m_background; }
  void SetRect(int x, int y, int width, int height);
  int GetX() const { return m_x; }
  int GetY() const { return m_y; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  MenuManager* GetManager() const { return m_manager; }
  // Null while the manager is not initialised.
  MenuRenderer* GetRenderer() const;

 protected:
  void MoveFocus(int step);
  void RemoveWidgets();

  MenuManager* m_manager = nullptr;
  MenuStyle m_style;
  std::vector<Ref<Widget>> m_widgets;
  int m_x = 0, m_y = 0, m_width = 0, m_height = 0;
  Vector4D m_background;
  Widget* m_focus = nullptr;
};

// What a scripted menu reports: occasion 0 activated (menu: the previous one
// or null), 1 deactivated, 2 resized (a, b: width, height), 3 widget event
// (a, b: widget id, code).
enum ScriptedMenuOccasion {
  MenuOccasion_Activate = 0,
  MenuOccasion_Deactivate = 1,
  MenuOccasion_Resize = 2,
  MenuOccasion_WidgetEvent = 3,
};
using ScriptedMenuReporter =
    std::function<void(int eventId, int occasion, BaseMenu* menu, int a, int b)>;
void SetScriptedMenuReporter(ScriptedMenuReporter reporter);

class ScriptedMenu : public BaseMenu {
  KAZ_POOLED_CLASS(ScriptedMenu)
 public:
  explicit ScriptedMenu(MenuManager* manager = nullptr, int eventId = 0);
  static ScriptedMenu* Create(MenuManager* manager, int eventId);
  bool IsScripted() const override { return true; }
  int GetEventId() const { return m_eventId; }
  void OnWidgetEvent(int widgetId, int code) override;
  void OnActivate(BaseMenu* previous) override;
  void OnDeactivate(BaseMenu* next) override;
  void OnResize(int width, int height) override;

 private:
  int m_eventId;
};

// (result, user data): the pressed button's id or the timeout result.
using MessageBoxCallback = void (*)(int result, void* userData);

enum MessageBoxButton {
  MessageBoxButton_Okay = 1,
  MessageBoxButton_Cancel = 2,
  MessageBoxButton_Yes = 3,
  MessageBoxButton_No = 4,
};
constexpr int kMessageBoxTextId = 1000;
constexpr int kMessageBoxCountdownId = 1001;

class MessageBox : public BaseMenu {
  KAZ_POOLED_CLASS(MessageBox)
 public:
  explicit MessageBox(MenuManager* manager = nullptr, const MenuStyle* style = nullptr);
  static MessageBox* Create(MenuManager* manager, const MenuStyle* style);
  bool Init() override;
  void OnWidgetEvent(int widgetId, int code) override;
  bool Update(float deltaSeconds) override;
  void OnClose() override;
  void OnResize(int width, int height) override;
  void HandleInput(int code) override;

  // Buttons of the style (1 Okay; 2 Okay, Cancel; 3 Yes, No; 4 Yes, No,
  // Cancel; none otherwise), replacing earlier ones; the first has the focus.
  void SetStyle(int style);
  void SetMessage(const std::string& text);
  // A timeout that is not above 0 (or NaN) means no countdown.
  void SetResult(MessageBoxCallback callback, void* userData, float timeoutSeconds,
                 int timeoutResult);
  bool IsClosed() const { return m_closed; }
  float GetRemainingTime() const { return m_remaining; }
  void Layout();

 private:
  void Finish(int result);

  std::vector<Widget*> m_buttons;  // held by the widget list
  MessageBoxCallback m_callback = nullptr;
  void* m_userData = nullptr;
  float m_remaining = -1.0f;
  int m_timeoutResult = 0;
  int m_screenWidth = 0, m_screenHeight = 0;
  bool m_closed = false;
};

}  // namespace Menu
