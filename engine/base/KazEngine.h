// KazEngine.h - the engine library's public face: exports and IKazEngine.
//
// The launcher links the library at load time, checks kazGetVersion() against
// the version it was built for, starts the engine with kazStartup() and from
// then on only calls IKazEngine operations until kazShutdown(). The slot order
// of IKazEngine is part of the binary interface: never reorder it.
// Builds on base/Export.h only, so that the launcher can include it.
#pragma once

#include "base/Export.h"

#include <cstdint>

class VideoManager;
class SoundManager;

// Receives every text the engine console prints. The text is owned by the
// engine and lives only for the call; continueLine is true when no line break
// is to be added after it.
using KazOutputCallback = void (*)(const char* text, bool continueLine, void* userData);

// Quit codes returned by RunFrame.
enum KazQuitCode : int { KazQuit_Continue = 0, KazQuit_Quit = 1, KazQuit_Halt = 2 };

constexpr uint32_t kKazEngineVersion = 0x100;

class IKazEngine {
 public:
  virtual int RunFrame() = 0;                                                           // 0
  virtual void Quit(bool withError) = 0;                                                // 1
  virtual bool AddPackage(const char* name, bool append) = 0;                           // 2
  virtual void Printf(const char* format, ...) KAZ_PRINTF(2, 3) = 0;                    // 3
  virtual int ExecuteCommand(bool echo, const char* format, ...) KAZ_PRINTF(3, 4) = 0;  // 4
  virtual void* GetWindow() = 0;                                                        // 5
  virtual float GetFrameDeltaTime() = 0;                                                // 6
  virtual float GetTime() = 0;                                                          // 7
  virtual void SetActive(bool active) = 0;                                              // 8
  virtual bool IsActive() = 0;                                                          // 9
  virtual void SetMouseDelta(int axis, int value) = 0;                                  // 10
  virtual void SetCursorPosition(int x, int y) = 0;                                     // 11
  virtual void OnChar(int character) = 0;                                               // 12
  virtual void OnKeyDown(int key) = 0;                                                  // 13
  virtual void OnKeyUp(int key) = 0;                                                    // 14
  virtual void SetInputBlocked(bool blocked) = 0;                                       // 15
  virtual bool IsInputBlocked() = 0;                                                    // 16
  virtual VideoManager* GetVideoManager() = 0;                                          // 17
  virtual SoundManager* GetSoundManager() = 0;                                          // 18
  virtual ~IKazEngine() = default;                                                      // 19
};

extern "C" {
KAZ_API IKazEngine* kazStartup(int argc, char** argv, void* window, const char* title,
                               const char* mainModName, KazOutputCallback output, void* userData);
KAZ_API void kazShutdown();
KAZ_API uint32_t kazGetVersion();
KAZ_API const char* kazGetBuildString();
KAZ_API IKazEngine* kazGetInterface();
}

// Installs the process-wide engine pointer that kazGetInterface() returns.
// kazStartup/kazShutdown manage it; tests may install a fake engine.
void SetEngineInterface(IKazEngine* engine);

// Function pointer types, for dlsym users.
using PFN_kazStartup = decltype(&kazStartup);
using PFN_kazShutdown = decltype(&kazShutdown);
using PFN_kazGetVersion = decltype(&kazGetVersion);
using PFN_kazGetBuildString = decltype(&kazGetBuildString);
using PFN_kazGetInterface = decltype(&kazGetInterface);
