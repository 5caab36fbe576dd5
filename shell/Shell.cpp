// Shell.cpp - see Shell.h.
#include "Shell.h"

#include "base/LaunchOptions.h"
#include "base/StringUtil.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWindowX = 200;
constexpr int kWindowY = 200;
constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 240;

constexpr const char* kShellBuildString = __DATE__ ", " __TIME__;

// Set by SIGINT/SIGTERM, read once per loop iteration.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int) {
  g_stopSignal = 1;
}

// Installs the stop-signal handlers for the life of the main routine. The
// handlers reset themselves, so a second Ctrl+C ends a shutdown that hangs.
class StopSignalScope {
 public:
  StopSignalScope() {
    g_stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
  }
  ~StopSignalScope() {
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
  }

 private:
  struct sigaction m_oldInt {};
  struct sigaction m_oldTerm {};
};

bool EnvSet(const char* name) {
  const char* value = getenv(name);
  return value && value[0];
}

// A bound is a whole number of frames or a finite number of seconds; 0 lifts it.
bool ParseBoundLong(const char* text, long* value) {
  char* end = nullptr;
  errno = 0;
  long parsed = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed < 0) {
    return false;
  }
  *value = parsed;
  return true;
}

bool ParseBoundDouble(const char* text, double* value) {
  char* end = nullptr;
  double parsed = strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(parsed) || parsed < 0.0) {
    return false;
  }
  *value = parsed;
  return true;
}

// Calls sink for each character of a UTF-8 text below 256 (Latin-1); longer
// code points and malformed bytes are left out.
template <typename Sink>
void ForEachLatin1Char(const char* text, Sink sink) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    if (*p < 0x80) {
      sink(*p++);
    } else if ((*p == 0xC2 || *p == 0xC3) && (p[1] & 0xC0) == 0x80) {
      sink(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
      p += 2;
    } else {
      ++p;
      while ((*p & 0xC0) == 0x80) {
        ++p;  // the rest of a sequence not forwarded
      }
    }
  }
}

bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (argv[i] && IsHelpArgument(argv[i])) return true;
  return false;
}

// "  left" padded to a column, then right, then a line break.
std::string HelpRow(const std::string& left, const std::string& right) {
  std::string row = "  " + left;
  row.resize(std::max<size_t>(row.size() + 1, 24), ' ');
  return row + right + "\n";
}

std::string HelpText(const std::string& baseDir) {
  std::string text = "Usage: shell [options] [-CVarName value ...]\n\nRuns the game (the mod \"" +
                     std::string(kShellMainMod) +
                     "\", or the one -mod names). Options, in any letter case:\n";
  for (const LaunchOptionInfo& option : GetLaunchOptions()) {
    std::string left = std::string("-") + option.name;
    if (*option.argument) left += std::string(" ") + option.argument;
    text += HelpRow(left, option.help);
  }
  text += HelpRow("-CVarName value",
                  "Sets a console variable after the saved settings ran, e.g. -ResX 800;");
  text += HelpRow("", "docs/reference.md lists them. Any other word gets a warning.");
  const std::string dir = baseDir.empty() ? std::string("the launcher's folder") : baseDir;
  const std::string config =
      std::string(RunFiles::ConfigFolder) + "/NAME" + RunFiles::ConfigExtension;
  text += "\nFiles, in the base directory " + dir + ":\n";
  text += HelpRow(std::string(RunFiles::ModFolder) + "/NAME.mod", "the mod definitions");
  text += HelpRow(config, "a mod's saved settings, written when the game ends");
  text += HelpRow(RunFiles::LogFile, "the log, with -log (the console shows it too)");
  text += HelpRow(std::string(RunFiles::ScreenshotFolder) + "/", "screenshots (F9)");
  return text;
}

}  // namespace

RunBounds ParseRunBounds(int argc, char** argv, std::vector<std::string>* warnings) {
  RunBounds bounds;
  for (int i = 1; i < argc; ++i) {
    bool frames = argv[i][0] == '-' && EqualsNoCase(argv[i] + 1, LaunchOption::Frames);
    bool seconds = argv[i][0] == '-' && EqualsNoCase(argv[i] + 1, LaunchOption::Seconds);
    if (!frames && !seconds) {
      continue;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    bool ok =
        frames ? ParseBoundLong(value, &bounds.frames) : ParseBoundDouble(value, &bounds.seconds);
    if (ok) {
      bounds.given = true;
    } else if (warnings) {
      warnings->push_back(std::string("[yellow]Ignoring ") + argv[i] + " \"" + value +
                          "\": expected a number, 0 for no bound.");
    }
  }
  return bounds;
}

const char* FindReplayFile(int argc, char** argv, std::vector<std::string>* warnings) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-' || !EqualsNoCase(argv[i] + 1, LaunchOption::Replay)) {
      continue;
    }
    if (i + 1 < argc && argv[i + 1][0] != '\0' && argv[i + 1][0] != '-') {
      return argv[i + 1];
    }
    if (warnings) {
      warnings->push_back("[yellow]Ignoring -replay: expected the path of a replay file.");
    }
    return nullptr;
  }
  return nullptr;
}

bool ShellHasDisplay() {
  const char* driver = getenv("SDL_VIDEODRIVER");
  if (driver && (EqualsNoCase(driver, "offscreen") || EqualsNoCase(driver, "dummy"))) {
    return false;
  }
  return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

Shell::Shell(const ShellEngineApi& api) : m_api(api) {}

Shell::~Shell() {
  DestroyGameWindow();
  Shutdown();
}

int PrintShellHelp() {
  // SDL's folder query works before SDL starts.
  char* base = SDL_GetBasePath();
  const std::string text = HelpText(base ? base : "");
  SDL_free(base);
  fputs(text.c_str(), stdout);
  fflush(stdout);
  return 0;
}

int Shell::Main(const char* title, int argc, char** argv) {
  // Help needs no engine, no window and no console.
  if (WantsHelp(argc, argv)) return PrintShellHelp();
  StopSignalScope signals;

  const bool headless = !ShellHasDisplay();
  if (headless) {
    if (!EnvSet("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // A headless run plays into OpenAL's null output, unless the user chose one.
    setenv("ALSOFT_DRIVERS", "null", 0);
  }
  std::vector<std::string> warnings;
  RunBounds bounds = ParseRunBounds(argc, argv, &warnings);
  const char* replayFile = FindReplayFile(argc, argv, &warnings);

  if (!Start(kShellConsoleTitle, false)) {
    fprintf(stderr, "Failed to init boot console.\n");
    if (ShellHasDisplay()) {
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", "Failed to init boot console.",
                               nullptr);
    }
    return -1;
  }

  uint32_t version = m_api.getVersion();
  PrintBanner(version);
  for (const std::string& warning : warnings) {
    Print(warning.c_str());
  }
  if (replayFile && !LoadReplay(replayFile)) {
    return FatalStop("Failed to read the replay file.");
  }
  if (headless) {
    StartHeadless(&bounds);
  }

  if (version != kShellEngineVersion) {
    return FatalStop(
        "Shell is compiled against a version of the engine dll different to the present one.");
  }
  if (!CreateGameWindow(title)) {
    return FatalStop("Failed to create game window.");
  }
  if (m_replaying) {
    // Key names become key positions through the keymap of SDL's video.
    std::vector<std::string> keyWarnings;
    m_replay.ResolveKeys(&keyWarnings);
    PrintWarnings(keyWarnings);
    Printf("Replaying %zu input events from [grey]%s", m_replay.Events().size(),
           m_replay.GetName().c_str());
  }
  if (!StartEngine(title, argc, argv)) {
    return FatalStop("Failed to start engine.");
  }

  bool halted = RunMainLoop(bounds);

  m_api.shutdown();
  m_engine = nullptr;
  DestroyGameWindow();

  if (halted) {
    ShowLogAndWait();
  }
  Flush();
  Shutdown();
  return 0;
}

void Shell::PrintBanner(uint32_t version) {
  Print("-------------    [orange]Kazmer Game Engine    [white]-------------");
  Printf("Shell executable built [grey]%s", kShellBuildString);
  Printf("Engine Version [grey]%u.%u.%u[white], built [grey]%s", (version >> 16) & 0xFF,
         (version >> 8) & 0xFF, version & 0xFF, m_api.getBuildString());
  Print(std::string(51, '-').c_str());
  Print("\n");
}

bool Shell::LoadReplay(const char* path) {
  std::vector<std::string> warnings;
  std::string error;
  if (!m_replay.Load(path, &warnings, &error)) {
    Printf("[red]ERROR: [white]%s", error.c_str());
    return false;
  }
  PrintWarnings(warnings);
  m_replaying = true;
  return true;
}

void Shell::PrintWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) {
    Printf("[orange]WARNING: [white]%s", warning.c_str());
  }
}

void Shell::DeliverReplay(long frame) {
  m_replay.TakeFrame(frame, [this](const ReplayEvent& event) {
    switch (event.type) {
      case ReplayEvent::Type::Key:
        HandleKey(event.scancode, event.down);
        break;
      case ReplayEvent::Type::Char:
        for (int ch : event.chars) {
          m_engine->OnChar(ch);
        }
        break;
      case ReplayEvent::Type::Mouse:
        m_replayX += event.dx;
        m_replayY += event.dy;
        break;
    }
  });
}

void Shell::StartHeadless(RunBounds* bounds) {
  const char* driver = getenv("SDL_VIDEODRIVER");
  Printf("[yellow]No display found: running headless on the %s video driver.",
         driver ? driver : "default");
  // Nobody can close the window: a run that names no bound must end by itself.
  if (!bounds->given) {
    bounds->seconds = m_headlessSeconds;
    Printf("[yellow]The run ends after %g seconds (-frames or -seconds sets a bound, 0 none).",
           m_headlessSeconds);
  }
}

bool Shell::StartEngine(const char* title, int argc, char** argv) {
  Print("Starting engine...");
  m_engine = m_api.startup(argc, argv, m_window, title, kShellMainMod, &BootConsole::OutputCallback,
                           static_cast<BootConsole*>(this));
  if (!m_engine) {
    return false;
  }
  SDL_RaiseWindow(m_window);
  SDL_StartTextInput();
  m_engine->SetActive(true);
  m_engine->Printf("Activated.");
  if (SDL_GetWindowFlags(m_window) & SDL_WINDOW_INPUT_FOCUS) {
    m_hasFocus = true;
    OnFocusGained();
  }
  Hide();
  m_engine->Printf("Entering main loop.");
  return true;
}

bool Shell::RunMainLoop(const RunBounds& bounds) {
  const auto started = std::chrono::steady_clock::now();
  long frames = 0;
  bool running = true;
  do {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      HandleEvent(event, &running);
    }
    if (g_stopSignal) {
      running = false;
    }
    if (m_replaying) {
      DeliverReplay(frames);
    }
    ForwardMouseMotion();

    int code = m_engine->RunFrame();
    if (code != KazQuit_Continue) {
      return code == KazQuit_Halt;
    }
    ++frames;
    if (bounds.frames > 0 && frames >= bounds.frames) {
      running = false;
    }
    if (bounds.seconds > 0.0) {
      std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
      if (elapsed.count() >= bounds.seconds) {
        running = false;
      }
    }
  } while (running);
  return false;
}

int Shell::FatalStop(const char* message) {
  if (m_engine) {
    m_api.shutdown();
    m_engine = nullptr;
  }
  DestroyGameWindow();
  Printf("[red]FATAL ERROR: [white]%s", message);
  Print(" ");
  Print("[grey]--- Engine halted ---");
  ShowLogAndWait();
  return -1;
}

void Shell::ShowLogAndWait() {
  Show();
  Flush();
  // The terminal already shows everything; a message box makes sure someone
  // sees it when the game was started from a desktop. Without a display
  // nobody can close one, so there is nothing to wait for.
  if (ShellHasDisplay()) {
    std::string tail = GetTranscriptTail(kFatalLogLines);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, GetTitle().c_str(), tail.c_str(), nullptr) !=
        0) {
      fprintf(stderr, "Could not show the log window: %s\n", SDL_GetError());
    }
  }
  Shutdown();
}

bool Shell::CreateGameWindow(const char* title) {
  // Our own handlers stop the loop in order; SDL's would only queue SDL_QUIT.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    Printf("[red]SDL: %s", SDL_GetError());
    return false;
  }
  m_videoStarted = true;
  m_window =
      SDL_CreateWindow(title, kWindowX, kWindowY, kWindowWidth, kWindowHeight, SDL_WINDOW_OPENGL);
  if (!m_window) {
    Printf("[red]SDL: %s", SDL_GetError());
    return false;
  }
  return true;
}

void Shell::DestroyGameWindow() {
  if (m_window) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    SDL_ShowCursor(SDL_ENABLE);
    SDL_DestroyWindow(m_window);
    m_window = nullptr;
  }
  if (m_videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    m_videoStarted = false;
  }
  m_hasFocus = false;
  m_relativeMouse = false;
}

void Shell::HandleEvent(const SDL_Event& event, bool* running) {
  switch (event.type) {
    case SDL_QUIT:
      *running = false;
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event.window.event, running);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (m_engine) {
        HandleKey(event.key.keysym.scancode, event.type == SDL_KEYDOWN);
      }
      break;
    case SDL_TEXTINPUT:
      if (m_engine) {
        ForEachLatin1Char(event.text.text, [this](int ch) { m_engine->OnChar(ch); });
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (int key = MouseButtonToEngineKey(event.button.button); key && m_engine) {
        if (event.type == SDL_MOUSEBUTTONDOWN) {
          m_engine->OnKeyDown(key);
        } else {
          m_engine->OnKeyUp(key);
        }
      }
      break;
    case SDL_MOUSEMOTION:
      m_motionX += event.motion.xrel;
      m_motionY += event.motion.yrel;
      m_cursorX = event.motion.x;
      m_cursorY = event.motion.y;
      m_motionSeen = true;
      break;
    default:
      break;
  }
}

void Shell::HandleWindowEvent(uint8_t windowEvent, bool* running) {
  switch (windowEvent) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      m_hasFocus = true;
      if (m_engine) {
        m_engine->SetActive(true);
        m_engine->Printf("Activated.");
      }
      OnFocusGained();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      m_hasFocus = false;
      if (m_engine) {
        m_engine->SetActive(false);
        m_engine->Printf("Deactivated.");
      }
      OnFocusLost();
      break;
    case SDL_WINDOWEVENT_CLOSE:
      *running = false;
      break;
    default:
      break;
  }
}

void Shell::HandleKey(SDL_Scancode scancode, bool down) {
  SendKeyToEngine(m_engine, scancode, down);
}

void Shell::OnFocusGained() {
  SDL_ShowCursor(SDL_DISABLE);
  m_relativeMouse = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
  m_recentreCursor = !m_relativeMouse;
}

void Shell::OnFocusLost() {
  if (m_relativeMouse) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    m_relativeMouse = false;
  }
  m_recentreCursor = false;
  SDL_ShowCursor(SDL_ENABLE);
}

void Shell::ForwardMouseMotion() {
  int dx = 0;
  int dy = 0;
  if (m_hasFocus && m_window && m_engine) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(m_window, &width, &height);
    const int centreX = width / 2;
    const int centreY = height / 2;
    if (m_relativeMouse) {
      dx = m_motionX;
      dy = m_motionY;
    } else if (m_recentreCursor) {
      // The cursor was wherever the user left it: start measuring from the centre.
      SDL_WarpMouseInWindow(m_window, centreX, centreY);
      m_recentreCursor = false;
    } else if (m_motionSeen) {
      dx = m_cursorX - centreX;
      dy = m_cursorY - centreY;
      if (dx != 0 || dy != 0) {
        SDL_WarpMouseInWindow(m_window, centreX, centreY);
      }
    }
  }
  // Replayed motion is relative and needs no focus: nobody holds the mouse.
  if (m_engine) {
    dx += m_replayX;
    dy += m_replayY;
    if (dx != 0) {
      m_engine->SetMouseDelta(0, dx);
    }
    if (dy != 0) {
      m_engine->SetMouseDelta(1, dy);
    }
  }
  m_motionX = 0;
  m_motionY = 0;
  m_motionSeen = false;
  m_replayX = 0;
  m_replayY = 0;
}

int ShellMain(const ShellEngineApi& api, int argc, char** argv) {
  Shell shell(api);
  return shell.Main(kShellAppTitle, argc, argv);
}
