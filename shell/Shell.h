// Shell.h - the launcher: boot console, version check, game window, engine
// start, main loop with input translation, shutdown and fatal display.
//
// The launcher is one object on the stack of main(): the boot console thread
// extended with the game window (SDL2) and the engine state. It reaches the
// engine only through ShellEngineApi, so that main() binds the real exports and
// tests bind a fake engine. Ctrl+C and SIGTERM end the main loop like closing
// the window. "-frames N" and "-seconds S" bound a run (0: no bound). Without a
// display (no DISPLAY or WAYLAND_DISPLAY, or a video driver that shows nothing)
// a run that names no bound ends after kHeadlessSeconds, whoever chose the
// driver; with no driver chosen the launcher picks SDL's offscreen one.
// "-replay FILE" feeds the input of a replay file (Replay.h) through the same
// path as SDL's events, before the frames it names; a file that cannot be read
// stops the launcher before the engine starts. "-fixedframe S" is the engine's.
// Depends on: BootConsole.h, KeyTable.h, Replay.h, base/KazEngine.h (declarations only),
// base/LaunchOptions.h, base/StringUtil.h, SDL2.
#pragma once

#include "BootConsole.h"
#include "KeyTable.h"
#include "Replay.h"

#include "base/KazEngine.h"

#include <string>
#include <vector>

struct SDL_Window;
union SDL_Event;

// The five engine exports, as function pointers.
struct ShellEngineApi {
  PFN_kazGetVersion getVersion = nullptr;
  PFN_kazGetBuildString getBuildString = nullptr;
  PFN_kazStartup startup = nullptr;
  PFN_kazShutdown shutdown = nullptr;
  PFN_kazGetInterface getInterface = nullptr;
};

constexpr uint32_t kShellEngineVersion = kKazEngineVersion;
constexpr const char* kShellAppTitle = "The Secret of Orrelin Cove";
constexpr const char* kShellMainMod = "cove";
constexpr const char* kShellConsoleTitle = "Kaz Console";
// Without a display, a run that names no bound ends after this many seconds.
constexpr double kHeadlessSeconds = 5.0;
// Lines of the log shown in the message box after a fatal stop or a halt.
constexpr size_t kFatalLogLines = 30;

// Limits of a run; 0 means no limit.
struct RunBounds {
  long frames = 0;
  double seconds = 0.0;
  bool given = false;  // the command line named a bound, 0 included
};

// Reads "-frames N" and "-seconds S" (names in any case) from argv; a bad
// value is left out with a line added to warnings.
RunBounds ParseRunBounds(int argc, char** argv, std::vector<std::string>* warnings);

// The value of "-replay" (name in any case), or null when not given. A
// "-replay" without a file adds a line to warnings.
const char* FindReplayFile(int argc, char** argv, std::vector<std::string>* warnings);

// Prints the options and where a run's files go to standard output; 0.
// "-help", "-h" or "--help" anywhere on the command line runs it instead of the game.
int PrintShellHelp();

// True when a window (and so a message box) can be shown to someone: a display
// server is named and the video driver is not one that shows nothing.
bool ShellHasDisplay();

class Shell : public BootConsole {
 public:
  explicit Shell(const ShellEngineApi& api);
  ~Shell() override;

  // The launcher's main routine; its result is the process exit code.
  int Main(const char* title, int argc, char** argv);

  SDL_Window* GetGameWindow() const { return m_window; }
  // The bound of a headless run that names none; tests shorten it.
  void SetHeadlessSeconds(double seconds) { m_headlessSeconds = seconds; }

 private:
  void PrintBanner(uint32_t version);
  // Reads the replay file; false (after the reason is printed) when it cannot be read.
  bool LoadReplay(const char* path);
  void PrintWarnings(const std::vector<std::string>& warnings);
  // Hands the replayed events of this frame to the engine.
  void DeliverReplay(long frame);
  // Picks the video driver and the bound of a run without a display.
  void StartHeadless(RunBounds* bounds);
  // Starts the engine and hands it the window; false when kazStartup failed.
  bool StartEngine(const char* title, int argc, char** argv);
  // Runs frames until the engine, the user or a bound ends the run; true when
  // the engine halted with an error.
  bool RunMainLoop(const RunBounds& bounds);
  int FatalStop(const char* message);
  // Shows the end of the log where someone can see it, then ends the console.
  void ShowLogAndWait();
  bool CreateGameWindow(const char* title);
  void DestroyGameWindow();
  void HandleEvent(const SDL_Event& event, bool* running);
  void HandleWindowEvent(uint8_t windowEvent, bool* running);
  void HandleKey(SDL_Scancode scancode, bool down);
  void OnFocusGained();
  void OnFocusLost();
  void ForwardMouseMotion();

  ShellEngineApi m_api;
  double m_headlessSeconds = kHeadlessSeconds;
  SDL_Window* m_window = nullptr;
  IKazEngine* m_engine = nullptr;
  bool m_recentreCursor = false;
  bool m_videoStarted = false;
  bool m_hasFocus = false;
  bool m_relativeMouse = false;  // SDL's relative mode is on; else cursor recentring
  // Mouse motion of the current loop iteration.
  int m_motionX = 0;
  int m_motionY = 0;
  bool m_motionSeen = false;
  int m_cursorX = 0;
  int m_cursorY = 0;
  Replay m_replay;
  bool m_replaying = false;
  // Replayed mouse motion of the current loop iteration.
  int m_replayX = 0;
  int m_replayY = 0;
};

// Runs a launcher on the stack with the game's title.
int ShellMain(const ShellEngineApi& api, int argc, char** argv);
