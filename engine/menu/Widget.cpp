// Widget.cpp - the widget base: position, text, font, textures, colours,
// events to the menu; and the factory by type.
#include "menu/Widget.h"

#include "menu/Menu.h"

#include "base/Log.h"

namespace {
const Vector4D kWhite(1.0f, 1.0f, 1.0f, 1.0f);
constexpr int kValueOffset = 150;  // where switch and list values start
}  // namespace

void Widget::SetPos(int x, int y) {
  m_x = x;
  m_y = y;
}

void Widget::SetSize(int width, int height) {
  m_width = width;
  m_height = height;
}

void Widget::SetText(const std::string& text) {
  m_text = text;
}

void Widget::ReleaseResources() {
  MenuRenderer* renderer = m_loadedBy;
  if (renderer && m_font) renderer->ReleaseFont(m_font);
  m_font = 0;
  for (MenuHandle& texture : m_textures) {
    if (renderer && texture) renderer->ReleaseTexture(texture);
    texture = 0;
  }
}

void Widget::HandleInput(int code) {
  if (code == MenuInput_Enter) SendEvent(WidgetEvent_Activated);
}

MenuRenderer* Widget::Renderer() const {
  return m_menu ? m_menu->GetRenderer() : nullptr;
}

bool Widget::SetFont(const std::string& name) {
  MenuRenderer* renderer = m_loadedBy ? m_loadedBy : Renderer();
  if (name.empty()) {
    if (renderer && m_font) renderer->ReleaseFont(m_font);
    m_font = 0;
    return true;
  }
  if (!renderer) return false;
  MenuHandle font = renderer->LoadFont(name.c_str());
  if (!font) return false;
  if (m_font) renderer->ReleaseFont(m_font);
  m_font = font;
  m_loadedBy = renderer;
  return true;
}

bool Widget::SetTexture(int element, const std::string& name) {
  if (element < 0 || element >= kElementCount) return false;
  MenuRenderer* renderer = m_loadedBy ? m_loadedBy : Renderer();
  MenuHandle& slot = m_textures[static_cast<size_t>(element)];
  if (name.empty()) {
    if (renderer && slot) renderer->ReleaseTexture(slot);
    slot = 0;
    return true;
  }
  if (!renderer) return false;
  MenuHandle texture = renderer->LoadTexture(name.c_str());
  if (!texture) return false;
  if (slot) renderer->ReleaseTexture(slot);
  slot = texture;
  m_loadedBy = renderer;
  return true;
}

void Widget::SetColor(int element, const Vector4D& colour) {
  if (element >= 0 && element < kElementCount) m_colours[static_cast<size_t>(element)] = colour;
}

Vector4D Widget::GetColor(int element) const {
  if (element < 0 || element >= kElementCount) return Vector4D();
  return m_colours[static_cast<size_t>(element)];
}

MenuHandle Widget::GetTexture(int element) const {
  if (element < 0 || element >= kElementCount) return 0;
  return m_textures[static_cast<size_t>(element)];
}

void Widget::GetScreenPos(int* x, int* y) const {
  *x = m_x + (m_menu ? m_menu->GetX() : 0);
  *y = m_y + (m_menu ? m_menu->GetY() : 0);
}

int Widget::GetFontHeight() const {
  MenuRenderer* renderer = m_loadedBy;
  return renderer && m_font ? renderer->GetFontHeight(m_font) : 0;
}

int Widget::GetTextWidth(const char* text, size_t length) const {
  MenuRenderer* renderer = m_loadedBy;
  return renderer && m_font ? renderer->GetTextWidth(m_font, text, length) : 0;
}

void Widget::SendEvent(int code) {
  if (m_menu) m_menu->OnWidgetEvent(m_id, code);
}

const Vector4D& Widget::StateColour() const {
  if (!m_enabled) return m_colours[Element_Disabled];
  if (m_menu && m_menu->GetFocusWidget() == this) return m_colours[Element_Focused];
  return m_colours[Element_Normal];
}

void Widget::DrawLabel(const std::string* value) const {
  MenuRenderer* renderer = m_loadedBy;
  if (!renderer || !m_font) return;
  int x, y;
  GetScreenPos(&x, &y);
  renderer->DrawText(m_font, m_text.data(), m_text.size(), x, y, StateColour());
  if (value && !value->empty())
    renderer->DrawText(m_font, value->data(), value->size(), x + kValueOffset, y,
                       m_colours[Element_Value]);
}

// ---------------------------------------------------------------------------

Widget* CreateWidget(int type) {
  switch (type) {
    case WidgetType_StaticText:
      return StaticTextWidget::Create();
    case WidgetType_StaticImage:
      return StaticImageWidget::Create();
    case WidgetType_Button:
      return ButtonWidget::Create();
    case WidgetType_Boolean:
      return BooleanWidget::Create();
    case WidgetType_List:
      return ListWidget::Create();
    case WidgetType_EditBox:
      return EditBoxWidget::Create();
    default:
      return nullptr;
  }
}
