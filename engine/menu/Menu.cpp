// Menu.cpp - the menu base: widgets, focus, input and drawing; scripted menus.
#include "menu/Menu.h"

#include "menu/MenuManager.h"

namespace Menu {

KAZ_DEFINE_POOL(BaseMenu, 1);
KAZ_DEFINE_POOL(ScriptedMenu, 1);

BaseMenu::BaseMenu(MenuManager* manager, const MenuStyle* style)
    : m_manager(manager),
      m_style(style ? *style : (manager ? manager->GetMenuStyle() : MenuStyle())) {
  m_background = m_style.background;
}

BaseMenu* BaseMenu::Create(MenuManager* manager) {
  return s_pool.Create<BaseMenu>(manager, nullptr);
}

BaseMenu::~BaseMenu() {
  RemoveWidgets();
}

void BaseMenu::RemoveWidgets() {
  m_focus = nullptr;
  for (Ref<Widget>& widget : m_widgets) {
    widget->ReleaseResources();
    widget->Detach();
  }
  m_widgets.clear();
}

MenuRenderer* BaseMenu::GetRenderer() const {
  return m_manager && m_manager->IsInitialised() ? m_manager->GetRenderer() : nullptr;
}

Widget* BaseMenu::AddWidget(int type, int id, const std::string& text, int x, int y, int width,
                            int height) {
  if (type < 0 || type >= kWidgetTypeCount || FindWidget(id)) return nullptr;
  Ref<Widget> widget = Ref<Widget>::Adopt(CreateWidget(type));
  if (!widget) return nullptr;
  widget->Attach(this, type, id);
  widget->SetText(text);
  widget->SetPos(x, y);
  widget->SetSize(width, height);
  widget->SetFont(m_style.font);
  for (int element = 0; element < kElementCount; ++element)
    widget->SetColor(element, m_style.colours[static_cast<size_t>(element)]);
  widget->Init();
  m_widgets.push_back(widget);
  if (m_widgets.size() == 1) m_focus = widget.Get();
  return widget.Get();
}

Widget* BaseMenu::FindWidget(int id) const {
  for (const Ref<Widget>& widget : m_widgets)
    if (widget->GetID() == id) return widget.Get();
  return nullptr;
}

void BaseMenu::SetFocusWidget(Widget* widget) {
  if (widget && widget->GetMenu() == this) m_focus = widget;
}

void BaseMenu::SetRect(int x, int y, int width, int height) {
  m_x = x;
  m_y = y;
  m_width = width;
  m_height = height;
}

void BaseMenu::OnWidgetEvent(int, int code) {
  if (code == WidgetEvent_FocusNext)
    MoveFocus(1);
  else if (code == WidgetEvent_FocusPrevious)
    MoveFocus(-1);
}

void BaseMenu::MoveFocus(int step) {
  const int count = static_cast<int>(m_widgets.size());
  // Without a focus the walk starts at the list end.
  int at = step > 0 ? -1 : count;
  for (int i = 0; i < count; ++i)
    if (m_widgets[static_cast<size_t>(i)].Get() == m_focus) at = i;
  for (int tried = 0; tried < count; ++tried) {
    at = (at + step + count) % count;
    Widget* candidate = m_widgets[static_cast<size_t>(at)].Get();
    if (candidate->CanFocus()) {
      m_focus = candidate;
      return;
    }
  }
}

void BaseMenu::OnResize(int width, int height) {
  SetRect(0, 0, width, height);
}

void BaseMenu::OnChar(int character) {
  if (Ref<Widget> focus = Ref<Widget>::Share(m_focus)) focus->OnChar(character);
}

void BaseMenu::HandleInput(int code) {
  // The widget stays alive while a script pops its menu from its event.
  if (Ref<Widget> focus = Ref<Widget>::Share(m_focus)) focus->HandleInput(code);
}

bool BaseMenu::Draw() {
  MenuRenderer* renderer = GetRenderer();
  if (!renderer) return true;
  if (m_background.w > 0.0f)
    renderer->DrawQuad(0, m_x, m_y, m_x + m_width, m_y + m_height, m_background, 0.0f, 0.0f, 1.0f,
                       1.0f);
  for (size_t i = 0; i < m_widgets.size(); ++i) {
    Ref<Widget> widget = m_widgets[i];
    if (widget->IsVisible()) widget->Draw();
  }
  return true;
}

// ---------------------------------------------------------------------------
// Scripted menus
// ---------------------------------------------------------------------------

namespace {
ScriptedMenuReporter& Reporter() {
  static ScriptedMenuReporter reporter;
  return reporter;
}
}  // namespace

void SetScriptedMenuReporter(ScriptedMenuReporter reporter) {
  Reporter() = std::move(reporter);
}

ScriptedMenu::ScriptedMenu(MenuManager* manager, int eventId)
    : BaseMenu(manager, nullptr), m_eventId(eventId) {}

ScriptedMenu* ScriptedMenu::Create(MenuManager* manager, int eventId) {
  return s_pool.Create<ScriptedMenu>(manager, eventId);
}

void ScriptedMenu::OnWidgetEvent(int widgetId, int code) {
  Ref<BaseMenu> self = Ref<BaseMenu>::Share(this);
  BaseMenu::OnWidgetEvent(widgetId, code);
  if (Reporter()) Reporter()(m_eventId, MenuOccasion_WidgetEvent, nullptr, widgetId, code);
}

void ScriptedMenu::OnActivate(BaseMenu* previous) {
  if (Reporter()) Reporter()(m_eventId, MenuOccasion_Activate, previous, 0, 0);
}

void ScriptedMenu::OnDeactivate(BaseMenu*) {
  if (Reporter()) Reporter()(m_eventId, MenuOccasion_Deactivate, nullptr, 0, 0);
}

void ScriptedMenu::OnResize(int width, int height) {
  BaseMenu::OnResize(width, height);
  if (Reporter()) Reporter()(m_eventId, MenuOccasion_Resize, nullptr, width, height);
}

}  // namespace Menu
