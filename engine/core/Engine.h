// Engine.h - the engine object: owner of every subsystem, start-up, shutdown
// and the frame loop.
//
// One KazEngine exists at a time, created by kazStartup and reachable through
// kazGetInterface(). It owns the console, the command processor, the mod list
// and the event listeners, and holds the subsystems of later layers (world,
// video, sound, scripts, menus). Start-up runs a fixed order of steps inside
// one exception guard: a failed step logs "KazStartup: <reason>", runs the
// shutdown order and leaves the launcher with null. Everything runs on the
// launcher's thread; only printing is safe from other threads.
// The top floor, with BuiltinCommands and Exports: builds on every lower layer.
#pragma once

#include "base/EngineEvents.h"
#include "base/KazEngine.h"
#include "console/CommandProcessor.h"
#include "console/Console.h"
#include "core/BuiltinCommands.h"
#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/Mods.h"
#include "core/ScreenEffects.h"
#include "tier0/Ref.h"

#include <memory>
#include <string>

// Engine key codes the engine itself reacts to.
enum EngineKey : int {
  EngineKey_Escape = 1,
  EngineKey_F8 = 64,
  EngineKey_F9 = 65,
  EngineKey_Home = 118,
  EngineKey_Up = 119,
  EngineKey_PageUp = 120,
  EngineKey_Left = 121,
  EngineKey_Right = 122,
  EngineKey_End = 123,
  EngineKey_Down = 124,
  EngineKey_PageDown = 125,
  EngineKey_Delete = 127,
  EngineKey_MouseLeft = 143,
  EngineKey_MouseRight = 144,
  EngineKey_MouseMiddle = 145,
};
constexpr int kNumHeldKeys = 146;

class RenderEffect;
class World;
class WorldObject;

class KazEngine : public IKazEngine, private BuiltinCommandHooks {
 public:
  KazEngine();
  ~KazEngine() override;

  // Runs the start-up order; false when a step failed (shutdown has then run).
  bool Startup(int argc, char** argv, void* window, const char* title, const char* mainModName,
               KazOutputCallback output, void* userData);
  void Shutdown();

  // IKazEngine
  int RunFrame() override;
  void Quit(bool withError) override;
  bool AddPackage(const char* name, bool append) override;
  void Printf(const char* format, ...) override KAZ_PRINTF(2, 3);
  int ExecuteCommand(bool echo, const char* format, ...) override KAZ_PRINTF(3, 4);
  void* GetWindow() override { return m_window; }
  float GetFrameDeltaTime() override { return m_frameDelta; }
  float GetTime() override { return m_totalTime; }
  void SetActive(bool active) override;
  bool IsActive() override { return m_active; }
  void SetMouseDelta(int axis, int value) override;
  void SetCursorPosition(int x, int y) override;
  void OnChar(int character) override;
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void SetInputBlocked(bool blocked) override;
  bool IsInputBlocked() override { return m_inputBlocked; }
  VideoManager* GetVideoManager() override { return m_video; }
  SoundManager* GetSoundManager() override { return m_sound; }

  // Engine-side operations used by other subsystems.
  void Print(const char* text, bool continueLine = false);
  Console& GetConsole() { return m_console; }
  EngineCommandProcessor& GetCommandProcessor() { return m_processor; }
  bool IsConsoleOpen() const;
  void StartFade(float duration, bool toBlack) { m_fade.Start(m_clock->Now(), duration, toBlack); }
  void StopFade() { m_fade.Stop(); }
  // False (after an error line) when the flash effect cannot be loaded.
  bool StartFlash(float duration, float red, float green, float blue);
  void StopFlash() { m_flash.Stop(); }
  const FadeEffect& GetFade() const { return m_fade; }
  World* GetWorld() const { return m_world.Get(); }
  // Only a Camera object becomes the render camera; anything else clears it.
  void SetRenderCamera(WorldObject* object);
  WorldObject* GetRenderCamera() const { return m_renderCamera.Get(); }
  const FlashEffect& GetFlash() const { return m_flash; }
  EngineEventListenerList& GetEventListeners() { return m_listeners; }
  const ModList& GetMods() const { return m_mods; }
  int GetSelectedMod() const { return m_selectedMod; }
  const CommandLine& GetCommandLine() const { return m_commandLine; }
  bool IsKeyHeld(int key) const { return key >= 0 && key < kNumHeldKeys && m_heldKeys[key]; }
  int GetCursorX() const { return m_cursorX; }
  int GetCursorY() const { return m_cursorY; }
  float GetFramesPerSecond() const { return m_fps; }
  float GetWorldTime() const { return m_worldTime; }
  double GetClockTime() const { return m_clock->Now(); }

  // Tests drive the clock; the engine does not own it.
  void SetClock(const Clock* clock) { m_clock = clock ? clock : &m_steadyClock; }
  // From now on every frame advances the clock by exactly this many seconds,
  // whatever the wall clock does (the "fixedframe" option); 0 lets it run free.
  void SetFixedFrameTime(double seconds);
  double GetFixedFrameTime() const { return m_fixedFrameTime; }

 protected:
  // The search path of start-up: command-line packages, the mod's, then "base".
  void AddStartupPackages();
  void SelectMod();
  // The selected mod's configuration file, or one line saying there is none yet.
  void RunConfigFile();
  // One warning per command-line word that is neither an option nor a
  // console variable (stray words before the first option included).
  void ReportUnknownOptions() const;

 private:
  void RunStartupSteps(int argc, char** argv);
  // The options of a run that must repeat: "fixedframe" (a clock that moves
  // only from frame to frame) and "particleseed" (the particle generator's seed).
  void ApplyRepeatableRunOptions();
  // The script manager and the application's OnPreStartup.
  void StartScripts();
  std::string ConfigFilePath() const;
  void StartVideo();
  int RestartVideo() override;
  // Sound never stops start-up: failures are logged and the game runs silent.
  void StartSound();
  bool RestartSound() override;
  // The video-dependent start-up step: run after every successful mode change.
  void OnDisplayModeSet();
  void QueueStatistics();
  void Render();
  void Broadcast(int code, int key = 0, int dx = 0, int dy = 0);
  void ReleaseHeldKeys();
  static void ForwardOutput(const char* text, bool continueLine, void* engine);

  // What the script modules reach of the engine (ScriptHost).
  class Scripting;
  std::unique_ptr<Scripting> m_scripting;

  void* m_window = nullptr;
  std::string m_title;
  std::string m_mainModName;
  int m_selectedMod = -1;
  CommandLine m_commandLine;
  Console m_console;
  EngineCommandProcessor m_processor;
  ModList m_mods;
  EngineEventListenerList m_listeners;
  KazOutputCallback m_output = nullptr;
  void* m_outputUserData = nullptr;

  // Set once start-up completed; the configuration is saved only then.
  bool m_started = false;

  // Frame loop state.
  SteadyClock m_steadyClock;
  const Clock* m_clock = &m_steadyClock;
  ManualClock m_frameClock;  // the clock of a fixed frame time
  double m_fixedFrameTime = 0.0;
  bool m_active = false;
  bool m_inputBlocked = false;
  bool m_firstFrame = true;
  int m_quitCode = KazQuit_Continue;
  double m_lastFrameTime = 0.0;
  double m_fpsStart = 0.0;
  unsigned m_frameCounter = 0;
  float m_fps = 0.0f;
  float m_frameDelta = 0.0f;
  float m_totalTime = 0.0f;
  float m_worldTime = 0.0f;
  unsigned char m_heldKeys[kNumHeldKeys] = {};
  int m_mouseX = 0, m_mouseY = 0;
  int m_cursorX = 0, m_cursorY = 0;
  FadeEffect m_fade;
  FlashEffect m_flash;
  Ref<RenderEffect> m_flashEffect;  // loaded on the first flash
  VideoManager* m_video = nullptr;
  SoundManager* m_sound = nullptr;
  Ref<World> m_world;
  // One reference for rendering, one for the screen view bound to the camera.
  Ref<WorldObject> m_renderCamera;
  Ref<WorldObject> m_screenViewCamera;
  bool m_rendererInitialised = false;
  bool m_menusInitialised = false;
};
