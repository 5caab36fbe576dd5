// Widgets.cpp - the six widget classes: their input tables and drawing, the
// list operations and the static text's word wrap.
#include "menu/Widget.h"

#include "menu/Menu.h"

#include <algorithm>

KAZ_DEFINE_POOL(StaticTextWidget, 1);
KAZ_DEFINE_POOL(StaticImageWidget, 1);
KAZ_DEFINE_POOL(ButtonWidget, 1);
KAZ_DEFINE_POOL(BooleanWidget, 1);
KAZ_DEFINE_POOL(ListWidget, 1);
KAZ_DEFINE_POOL(EditBoxWidget, 1);

// ---------------------------------------------------------------------------
// Static text
// ---------------------------------------------------------------------------

void StaticTextWidget::SetSize(int width, int height) {
  Widget::SetSize(width, height);
  if (m_wordWrap) Rewrap();
}

void StaticTextWidget::SetText(const std::string& text) {
  Widget::SetText(text);
  if (m_wordWrap) Rewrap();
}

void StaticTextWidget::SetWordWrap(bool wrap) {
  m_wordWrap = wrap;
  if (wrap)
    Rewrap();
  else
    m_lines.clear();
}

void StaticTextWidget::Rewrap() {
  m_lines.clear();
  if (m_loadedBy && m_font) m_lines = WrapText(*m_loadedBy, m_font, m_text, m_width);
}

void StaticTextWidget::FitHeight() {
  const int height = GetFontHeight();
  m_height = m_wordWrap ? (height + 2) * static_cast<int>(m_lines.size()) : height;
}

void StaticTextWidget::Draw() {
  if (!m_loadedBy || !m_font) return;
  int x, y;
  GetScreenPos(&x, &y);
  const Vector4D& colour = m_colours[Element_Value];
  if (!m_wordWrap) {
    m_loadedBy->DrawText(m_font, m_text.data(), m_text.size(), x, y, colour);
    return;
  }
  const int step = GetFontHeight() + 2;
  for (const LineRange& line : m_lines) {
    if (line.end > line.begin)
      m_loadedBy->DrawText(m_font, m_text.data() + line.begin,
                           static_cast<size_t>(line.end - line.begin), x, y, colour);
    y += step;
  }
}

// ---------------------------------------------------------------------------
// Static image
// ---------------------------------------------------------------------------

void StaticImageWidget::SetTextureRect(float uMin, float vMin, float uMax, float vMax) {
  m_uMin = uMin;
  m_vMin = vMin;
  m_uMax = uMax;
  m_vMax = vMax;
}

void StaticImageWidget::Draw() {
  MenuRenderer* renderer = m_loadedBy ? m_loadedBy : Renderer();
  if (!renderer) return;
  int x, y;
  GetScreenPos(&x, &y);
  renderer->DrawQuad(m_textures[0], x, y, x + m_width, y + m_height, m_colours[Element_Value],
                     m_uMin, m_vMin, m_uMax, m_vMax);
}

// ---------------------------------------------------------------------------
// Buttons, switches, edit boxes
// ---------------------------------------------------------------------------

void ButtonWidget::HandleInput(int code) {
  switch (code) {
    case MenuInput_Enter:
      if (m_enabled) SendEvent(WidgetEvent_Activated);
      break;
    case MenuInput_Up:
    case MenuInput_Left:
      SendEvent(WidgetEvent_FocusPrevious);
      break;
    case MenuInput_Down:
    case MenuInput_Right:
      SendEvent(WidgetEvent_FocusNext);
      break;
    default:
      break;
  }
}

void BooleanWidget::HandleInput(int code) {
  switch (code) {
    case MenuInput_Enter:
    case MenuInput_Left:
    case MenuInput_Right:
      if (m_enabled) {
        m_value = !m_value;
        SendEvent(WidgetEvent_ValueChanged);
      }
      break;
    case MenuInput_Up:
      SendEvent(WidgetEvent_FocusPrevious);
      break;
    case MenuInput_Down:
      SendEvent(WidgetEvent_FocusNext);
      break;
    default:
      break;
  }
}

void BooleanWidget::Draw() {
  static const std::string kYes = "yes", kNo = "no";
  DrawLabel(m_value ? &kYes : &kNo);
}

void EditBoxWidget::HandleInput(int code) {
  switch (code) {
    case MenuInput_Enter:
      if (m_enabled) SendEvent(WidgetEvent_Activated);
      break;
    case MenuInput_Up:
      SendEvent(WidgetEvent_FocusPrevious);
      break;
    case MenuInput_Down:
      SendEvent(WidgetEvent_FocusNext);
      break;
    case MenuInput_Left:
      SendEvent(WidgetEvent_Left);
      break;
    case MenuInput_Right:
      SendEvent(WidgetEvent_Right);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Lists
// ---------------------------------------------------------------------------

void ListWidget::HandleInput(int code) {
  switch (code) {
    case MenuInput_Enter:
    case MenuInput_Right:
      Step(1);
      break;
    case MenuInput_Left:
      Step(-1);
      break;
    case MenuInput_Up:
      SendEvent(WidgetEvent_FocusPrevious);
      break;
    case MenuInput_Down:
      SendEvent(WidgetEvent_FocusNext);
      break;
    default:
      break;
  }
}

void ListWidget::Step(int direction) {
  const int count = GetCount();
  // No item is current when the index was left past the end by RemoveString.
  if (!m_enabled || m_current < 0 || m_current >= count) return;
  m_current = ((m_current + direction) % count + count) % count;
  SendEvent(WidgetEvent_ValueChanged);
}

void ListWidget::Draw() {
  const std::string value = GetString(m_current);
  DrawLabel(&value);
}

int ListWidget::AddString(const std::string& text) {
  m_strings.push_back(text);
  if (m_current < 0) m_current = 0;
  return GetCount() - 1;
}

bool ListWidget::RemoveString(int index) {
  if (index < 0 || index >= GetCount()) return false;
  m_strings.erase(m_strings.begin() + index);
  return true;
}

void ListWidget::Clear() {
  m_strings.clear();
  m_current = -1;
}

bool ListWidget::SetCurSel(int index) {
  if (index < 0 || index >= GetCount()) return false;
  m_current = index;
  return true;
}

std::string ListWidget::GetString(int index) const {
  if (index < 0 || index >= GetCount()) return std::string();
  return m_strings[static_cast<size_t>(index)];
}

int ListWidget::FindString(const std::string& text) const {
  for (int i = 0; i < GetCount(); ++i)
    if (m_strings[static_cast<size_t>(i)] == text) return i;
  return -1;
}

void ListWidget::Reverse() {
  std::reverse(m_strings.begin(), m_strings.end());
}
