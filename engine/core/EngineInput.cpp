// EngineInput.cpp - the engine's input routing: activation, the mouse, keys
// and characters to the console first, then the menus, then engine events.
#include "core/Engine.h"

#include "base/LaunchOptions.h"

#include "base/Log.h"
#include "console/CVarRegistry.h"
#include "menu/MenuManager.h"
#include "render/gpu/VideoManager.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier1/World.h"
#include "tier1/WorldObject.h"

#include <string>

void KazEngine::ReleaseHeldKeys() {
  for (int key = 0; key < kNumHeldKeys; ++key) OnKeyUp(key);
}

void KazEngine::SetActive(bool active) {
  if (active == m_active) return;
  m_active = active;
  if (active) {
    m_mouseX = m_mouseY = 0;
    ReleaseHeldKeys();
    if (m_video) m_video->SetDisplayMode();
    Broadcast(EngineEvent_Activated);
  } else {
    Broadcast(EngineEvent_Deactivated);
  }
}

void KazEngine::SetMouseDelta(int axis, int value) {
  if (axis == 0)
    m_mouseX = value;
  else if (axis == 1)
    m_mouseY = value;
}

void KazEngine::SetCursorPosition(int x, int y) {
  const CVarRegistry& cvars = CVarRegistry::Instance();
  int maxX = cvars.ResX.Get(), maxY = cvars.ResY.Get();
  m_cursorX = x < 0 ? 0 : (x > maxX ? maxX : x);
  m_cursorY = y < 0 ? 0 : (y > maxY ? maxY : y);
}

void KazEngine::SetInputBlocked(bool blocked) {
  m_inputBlocked = blocked;
  m_mouseX = m_mouseY = 0;
  for (unsigned char& held : m_heldKeys) held = 0;
}

bool KazEngine::IsConsoleOpen() const {
  ConsoleState state = m_console.GetState();
  return state == ConsoleState_Open || state == ConsoleState_Opening;
}

void KazEngine::OnChar(int character) {
  if (character == '`') {
    ReleaseHeldKeys();
    m_console.SetOpen(!IsConsoleOpen(), true);
    return;
  }
  if (IsConsoleOpen()) {
    m_console.OnChar(character);
    return;
  }
  if (GetMenuManager().WantsInput()) GetMenuManager().OnChar(character);
  Broadcast(EngineEvent_Char, character);
}

namespace {
// Keys the open console understands; -1 for the rest.
int ConsoleKeyFor(int key) {
  switch (key) {
    case EngineKey_Escape:
      return ConsoleKey_ClearLine;
    case EngineKey_Home:
      return ConsoleKey_Home;
    case EngineKey_Up:
      return ConsoleKey_HistoryOlder;
    case EngineKey_PageUp:
      return ConsoleKey_PageUp;
    case EngineKey_Left:
      return ConsoleKey_CursorLeft;
    case EngineKey_Right:
      return ConsoleKey_CursorRight;
    case EngineKey_End:
      return ConsoleKey_End;
    case EngineKey_Down:
      return ConsoleKey_HistoryNewer;
    case EngineKey_PageDown:
      return ConsoleKey_PageDown;
    case EngineKey_Delete:
      return ConsoleKey_Delete;
    default:
      return -1;
  }
}

// Keys the menus understand; -1 for the rest.
int MenuInputFor(int key) {
  switch (key) {
    case EngineKey_Escape:
      return MenuInput_Escape;
    case EngineKey_Up:
      return MenuInput_Up;
    case EngineKey_Left:
      return MenuInput_Left;
    case EngineKey_Right:
      return MenuInput_Right;
    case EngineKey_Down:
      return MenuInput_Down;
    default:
      return -1;
  }
}
}  // namespace

void KazEngine::OnKeyDown(int key) {
  // Codes outside the held-key table are ignored, never written out of bounds.
  if (key < 0 || key >= kNumHeldKeys) return;
  if (key == EngineKey_F8 && m_renderCamera && m_world && m_world->GetRenderer()) {
    const Vector3D at = m_renderCamera->GetWorldTransform().GetTranslation();
    const std::string directory = FileSystem::GetBaseDir();
    m_world->GetRenderer()->RenderCubeShot(at, 512,
                                           directory.substr(0, directory.size() - 1).c_str());
  }
  if (key == EngineKey_F9 && m_video) {
    std::string directory = FileSystem::GetBaseDir() + RunFiles::ScreenshotFolder;
    if (m_video->TakeScreenShot(directory.c_str(), "screenshot"))
      LogMessage("Screenshot taken.");
    else
      LogMessage("Failed to take screenshot!");
  }
  if (IsConsoleOpen()) {
    int action = ConsoleKeyFor(key);
    if (action >= 0) m_console.OnKey(static_cast<ConsoleKey>(action));
    return;
  }
  if (int input = MenuInputFor(key); input >= 0 && GetMenuManager().WantsInput())
    GetMenuManager().HandleInput(input);
  if (!m_heldKeys[key]) Broadcast(EngineEvent_KeyPressed, key);
  m_heldKeys[key] = 1;
}

void KazEngine::OnKeyUp(int key) {
  if (key < 0 || key >= kNumHeldKeys || IsConsoleOpen()) return;
  if (m_heldKeys[key]) Broadcast(EngineEvent_KeyReleased, key);
  m_heldKeys[key] = 0;
}
