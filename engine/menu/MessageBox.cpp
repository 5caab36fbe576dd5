// MessageBox.cpp - the modal message box: its buttons, layout, countdown and
// result.
#include "menu/Menu.h"

#include "menu/MenuManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace Menu {

KAZ_DEFINE_POOL(MessageBox, 1);

namespace {
constexpr int kBoxWidth = 400;
constexpr int kMinBoxHeight = 200;
constexpr int kMargin = 25;
constexpr int kTextWidth = 350;
constexpr int kButtonGap = 10;
constexpr int kMinButtonWidth = 50;

struct ButtonSpec {
  const char* label;
  int id;
};

std::vector<ButtonSpec> ButtonsOf(int style) {
  const ButtonSpec okay{"Okay", MessageBoxButton_Okay}, cancel{"Cancel", MessageBoxButton_Cancel};
  const ButtonSpec yes{"Yes", MessageBoxButton_Yes}, no{"No", MessageBoxButton_No};
  switch (style) {
    case 1:
      return {okay};
    case 2:
      return {okay, cancel};
    case 3:
      return {yes, no};
    case 4:
      return {yes, no, cancel};
    default:
      return {};
  }
}

// Whole seconds left, rounded up; huge and infinite times stay in int range.
int WholeSeconds(float remaining) {
  const double seconds = std::ceil(static_cast<double>(remaining));
  return seconds >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(seconds);
}
}  // namespace

MessageBox::MessageBox(MenuManager* manager, const MenuStyle* style) : BaseMenu(manager, style) {}

MessageBox* MessageBox::Create(MenuManager* manager, const MenuStyle* style) {
  return s_pool.Create<MessageBox>(manager, style);
}

bool MessageBox::Init() {
  if (Widget* text = AddWidget(WidgetType_StaticText, kMessageBoxTextId, "", 0, 0, 0, 0))
    static_cast<StaticTextWidget*>(text)->SetWordWrap(true);
  AddWidget(WidgetType_StaticText, kMessageBoxCountdownId, "", 0, 0, 0, 0);
  return true;
}

void MessageBox::SetStyle(int style) {
  for (Widget* button : m_buttons) {
    button->ReleaseResources();
    button->Detach();
    if (m_focus == button) m_focus = nullptr;
    std::erase_if(m_widgets, [button](const Ref<Widget>& w) { return w.Get() == button; });
  }
  m_buttons.clear();
  for (const ButtonSpec& spec : ButtonsOf(style))
    if (Widget* button = AddWidget(WidgetType_Button, spec.id, spec.label, 0, 0, 0, 0))
      m_buttons.push_back(button);
  Layout();
  if (!m_buttons.empty()) m_focus = m_buttons.front();
}

void MessageBox::SetMessage(const std::string& text) {
  if (Widget* widget = FindWidget(kMessageBoxTextId)) widget->SetText(text);
  Layout();
}

void MessageBox::SetResult(MessageBoxCallback callback, void* userData, float timeoutSeconds,
                           int timeoutResult) {
  m_callback = callback;
  m_userData = userData;
  // NaN fails the comparison too: no countdown.
  m_remaining = timeoutSeconds > 0.0f ? timeoutSeconds : -1.0f;
  m_timeoutResult = timeoutResult;
}

void MessageBox::OnResize(int width, int height) {
  m_screenWidth = width;
  m_screenHeight = height;
  Layout();
}

void MessageBox::Layout() {
  int textHeight = 0;
  if (auto* text = static_cast<StaticTextWidget*>(FindWidget(kMessageBoxTextId))) {
    text->SetPos(kMargin, kMargin);
    text->SetSize(kTextWidth, text->GetHeight());
    text->FitHeight();
    textHeight = text->GetHeight();
  }
  const int height = std::max(textHeight + 3 * kMargin, kMinBoxHeight);
  SetRect(m_screenWidth / 2 - kBoxWidth / 2, m_screenHeight / 2 - height / 2, kBoxWidth, height);
  if (Widget* countdown = FindWidget(kMessageBoxCountdownId))
    countdown->SetPos(kMargin, height - kMargin);
  int buttonWidth = kMinButtonWidth;
  for (Widget* button : m_buttons)
    buttonWidth = std::max(
        buttonWidth, button->GetTextWidth(button->GetText().data(), button->GetText().size()));
  const int count = static_cast<int>(m_buttons.size());
  int x = kBoxWidth / 2 - ((buttonWidth + kButtonGap) * count) / 2;
  for (Widget* button : m_buttons) {
    button->SetPos(x, height - kMargin);
    button->SetSize(buttonWidth, button->GetFontHeight());
    x += buttonWidth + kButtonGap;
  }
}

void MessageBox::HandleInput(int code) {
  if (code == MenuInput_Left)
    MoveFocus(-1);
  else if (code == MenuInput_Right)
    MoveFocus(1);
  else if (code == MenuInput_Enter)
    BaseMenu::HandleInput(code);
}

void MessageBox::OnWidgetEvent(int widgetId, int code) {
  BaseMenu::OnWidgetEvent(widgetId, code);
  if (code == WidgetEvent_Activated) Finish(widgetId);
}

void MessageBox::Finish(int result) {
  if (m_closed) return;
  Ref<BaseMenu> self = Ref<BaseMenu>::Share(this);
  MessageBoxCallback callback = m_callback;
  void* userData = m_userData;
  // Closed first: whatever the callback does, this box reports nothing more.
  OnClose();
  if (m_manager) m_manager->CloseMessageBox(this);
  if (callback) callback(result, userData);
}

bool MessageBox::Update(float deltaSeconds) {
  Widget* countdown = FindWidget(kMessageBoxCountdownId);
  if (m_closed || !(m_remaining > 0.0f)) {
    if (countdown) countdown->SetText("");
    return true;
  }
  m_remaining -= deltaSeconds;
  if (!(m_remaining > 0.0f)) {
    m_remaining = -1.0f;
    if (countdown) countdown->SetText("");
    Finish(m_timeoutResult);
    return true;
  }
  char text[16];
  std::snprintf(text, sizeof(text), "%d", WholeSeconds(m_remaining));
  if (countdown) countdown->SetText(text);
  return true;
}

void MessageBox::OnClose() {
  m_callback = nullptr;
  m_userData = nullptr;
  m_remaining = -1.0f;
  m_closed = true;
}

}  // namespace Menu
