// MenuManager.h - the menu stack, message boxes and menu input, update and
// drawing.
//
// The top of the stack is the active menu; making a menu active tells the old
// one it is left and the new one its size and what it replaces. Message boxes
// are drawn and updated after the active menu, and the newest takes the
// input; a closed box goes at the next update. The engine owns the one
// manager (GetMenuManager): it initialises it when video first starts, feeds
// it time, input and draw calls each frame and shuts it down at exit. Every
// entry keeps the menu and widget it works on alive until it returns, so a
// script may pop or clear the stack from inside their events.
// Depends on: Menu.h, MenuRenderer.h.
#pragma once

#include "menu/Menu.h"

#include <string>
#include <vector>

class MenuManager {
 public:
  MenuManager();
  ~MenuManager();
  MenuManager(const MenuManager&) = delete;
  MenuManager& operator=(const MenuManager&) = delete;

  // False when already initialised or without a renderer.
  bool Initialise(MenuRenderer* renderer, int width, int height);
  bool IsInitialised() const { return m_initialised; }
  // Closes every box, clears the stack, lets go of the renderer.
  void Shutdown();
  MenuRenderer* GetRenderer() const { return m_renderer; }
  const MenuStyle& GetMenuStyle() const { return m_menuStyle; }
  const MenuStyle& GetMessageBoxStyle() const { return m_boxStyle; }

  void SetScreenSize(int width, int height);
  void GetScreenSize(int* width, int* height) const;
  int GetScreenWidth() const { return m_width; }
  int GetScreenHeight() const { return m_height; }

  bool PushMenu(Menu::BaseMenu* menu);
  void PopMenu();
  void ClearMenuStack();
  Menu::BaseMenu* GetActiveMenu() const { return m_active.Get(); }
  size_t GetStackSize() const { return m_stack.size(); }

  bool MessageBox(const std::string& text, int style, Menu::MessageBoxCallback callback,
                  void* userData, float timeoutSeconds, int timeoutResult);
  void CloseMessageBox(Menu::BaseMenu* box);
  size_t GetMessageBoxCount() const { return m_boxes.size(); }
  Menu::MessageBox* GetMessageBox(size_t index) const;
  // Whether menu input has somewhere to go: an active menu or an open box.
  bool WantsInput() const { return m_active || !m_boxes.empty(); }

  void Update(float deltaSeconds);
  void Draw();
  // Character 13 (Enter) becomes HandleInput(0).
  void OnChar(int character);
  void HandleInput(int code);

 private:
  void SetActiveMenu(Menu::BaseMenu* menu);
  void RemoveClosedBoxes();
  Menu::BaseMenu* InputTarget() const;

  MenuRenderer* m_renderer = nullptr;
  bool m_initialised = false;
  MenuStyle m_menuStyle;
  MenuStyle m_boxStyle;
  int m_width = 0, m_height = 0;
  Ref<Menu::BaseMenu> m_active;
  std::vector<Ref<Menu::BaseMenu>> m_stack;  // bottom first
  std::vector<Ref<Menu::MessageBox>> m_boxes;
  std::vector<Ref<Menu::MessageBox>> m_closing;
};

// The engine's one menu manager.
MenuManager& GetMenuManager();
