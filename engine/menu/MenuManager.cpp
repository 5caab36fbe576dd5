// MenuManager.cpp - see MenuManager.h.
#include "menu/MenuManager.h"

#include <algorithm>

using Menu::BaseMenu;

MenuManager::MenuManager() {
  m_boxStyle.background = Vector4D(0.15f, 0.15f, 0.15f, 1.0f);
}

MenuManager::~MenuManager() {
  // The process-wide manager may outlive the pools at exit: only drop what a
  // missed Shutdown left, never call into menus here.
  for (auto& box : m_boxes) (void)box.Detach();
  for (auto& box : m_closing) (void)box.Detach();
  for (auto& menu : m_stack) (void)menu.Detach();
  (void)m_active.Detach();
}

bool MenuManager::Initialise(MenuRenderer* renderer, int width, int height) {
  if (m_initialised || !renderer) return false;
  m_renderer = renderer;
  m_menuStyle = MenuStyle();
  m_boxStyle = MenuStyle();
  m_boxStyle.background = Vector4D(0.15f, 0.15f, 0.15f, 1.0f);
  m_width = width;
  m_height = height;
  m_initialised = true;
  return true;
}

void MenuManager::Shutdown() {
  for (const Ref<Menu::MessageBox>& box : m_boxes) box->OnClose();
  std::vector<Ref<Menu::MessageBox>> boxes = std::move(m_boxes);
  std::vector<Ref<Menu::MessageBox>> closing = std::move(m_closing);
  boxes.clear();
  closing.clear();
  ClearMenuStack();
  m_initialised = false;
  m_renderer = nullptr;
}

void MenuManager::SetScreenSize(int width, int height) {
  m_width = width;
  m_height = height;
  std::vector<Ref<Menu::MessageBox>> boxes = m_boxes;
  for (const Ref<Menu::MessageBox>& box : boxes) box->OnResize(width, height);
  if (Ref<BaseMenu> active = m_active) active->OnResize(width, height);
}

void MenuManager::GetScreenSize(int* width, int* height) const {
  if (width) *width = m_width;
  if (height) *height = m_height;
}

void MenuManager::SetActiveMenu(BaseMenu* menu) {
  if (menu == m_active.Get()) return;
  Ref<BaseMenu> old = m_active;
  if (old) old->OnDeactivate(menu);
  m_active = Ref<BaseMenu>::Share(menu);
  if (menu) {
    menu->OnResize(m_width, m_height);
    menu->OnActivate(old.Get());
  }
}

bool MenuManager::PushMenu(BaseMenu* menu) {
  if (!menu) return false;
  Ref<BaseMenu> keep = Ref<BaseMenu>::Share(menu);
  SetActiveMenu(menu);
  m_stack.push_back(std::move(keep));
  return true;
}

void MenuManager::PopMenu() {
  if (m_stack.empty()) return;
  Ref<BaseMenu> top = std::move(m_stack.back());
  m_stack.pop_back();
  SetActiveMenu(m_stack.empty() ? nullptr : m_stack.back().Get());
}

void MenuManager::ClearMenuStack() {
  Ref<BaseMenu> old = std::move(m_active);
  if (old) old->OnDeactivate(nullptr);
  old.Reset();
  std::vector<Ref<BaseMenu>> stack = std::move(m_stack);
  m_stack.clear();
}

bool MenuManager::MessageBox(const std::string& text, int style, Menu::MessageBoxCallback callback,
                             void* userData, float timeoutSeconds, int timeoutResult) {
  Ref<Menu::MessageBox> box =
      Ref<Menu::MessageBox>::Adopt(Menu::MessageBox::Create(this, &m_boxStyle));
  if (!box) return false;
  box->Init();
  box->OnResize(m_width, m_height);
  box->SetStyle(style);
  box->SetMessage(text);
  box->SetResult(callback, userData, timeoutSeconds, timeoutResult);
  m_boxes.push_back(std::move(box));
  return true;
}

Menu::MessageBox* MenuManager::GetMessageBox(size_t index) const {
  return index < m_boxes.size() ? m_boxes[index].Get() : nullptr;
}

void MenuManager::CloseMessageBox(BaseMenu* box) {
  for (const Ref<Menu::MessageBox>& open : m_boxes) {
    if (open.Get() != box) continue;
    for (const Ref<Menu::MessageBox>& queued : m_closing)
      if (queued.Get() == box) return;
    m_closing.push_back(open);
    return;
  }
}

void MenuManager::Update(float deltaSeconds) {
  if (Ref<BaseMenu> active = m_active; active && !active->Update(deltaSeconds)) return;
  // A box opened by a callback here joins the list behind the ones updated
  // now and is updated from the next frame.
  const size_t count = m_boxes.size();
  for (size_t i = 0; i < count && i < m_boxes.size(); ++i) {
    Ref<Menu::MessageBox> box = m_boxes[i];
    box->Update(deltaSeconds);
  }
  RemoveClosedBoxes();
}

void MenuManager::RemoveClosedBoxes() {
  std::vector<Ref<Menu::MessageBox>> closing = std::move(m_closing);
  m_closing.clear();
  for (Ref<Menu::MessageBox>& box : closing) {
    std::erase_if(m_boxes, [&box](const Ref<Menu::MessageBox>& b) { return b == box; });
    box->OnClose();
  }
}

void MenuManager::Draw() {
  if (Ref<BaseMenu> active = m_active; active && !active->Draw()) return;
  std::vector<Ref<Menu::MessageBox>> boxes = m_boxes;
  for (const Ref<Menu::MessageBox>& box : boxes) box->Draw();
}

BaseMenu* MenuManager::InputTarget() const {
  if (!m_boxes.empty()) return m_boxes.back().Get();
  return m_active.Get();
}

void MenuManager::HandleInput(int code) {
  if (Ref<BaseMenu> target = Ref<BaseMenu>::Share(InputTarget())) target->HandleInput(code);
}

void MenuManager::OnChar(int character) {
  if (character == 13) {
    HandleInput(MenuInput_Enter);
    return;
  }
  if (Ref<BaseMenu> target = Ref<BaseMenu>::Share(InputTarget())) target->OnChar(character);
}

MenuManager& GetMenuManager() {
  static MenuManager manager;
  return manager;
}
