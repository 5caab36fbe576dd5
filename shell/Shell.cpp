// Shell.cpp - see Shell.h.
#include "Shell.h"

#include "KeyTable.h"

#include <SDL.h>

#include <chrono>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <strings.h>

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
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~StopSignalScope() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

bool EnvSet(const char* name) {
  const char* value = getenv(name);
  return value && value[0];
}

bool ParsePositiveLong(const char* text, long* value) {
  char* end = nullptr;
  errno = 0;
  long parsed = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed <= 0) {
    return false;
  }
  *value = parsed;
  return true;
}

bool ParsePositiveDouble(const char* text, double* value) {
  char* end = nullptr;
  double parsed = strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(parsed) || parsed <= 0.0) {
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

}  // namespace

RunBounds ParseRunBounds(int argc, char** argv, std::vector<std::string>* warnings) {
  RunBounds bounds;
  for (int i = 1; i < argc; ++i) {
    bool frames = strcasecmp(argv[i], "-frames") == 0;
    bool seconds = strcasecmp(argv[i], "-seconds") == 0;
    if (!frames && !seconds) {
      continue;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    bool ok = frames ? ParsePositiveLong(value, &bounds.frames)
                     : ParsePositiveDouble(value, &bounds.seconds);
    if (!ok && warnings) {
      warnings->push_back(std::string("[yellow]Ignoring ") + argv[i] + " \"" + value +
                          "\": expected a positive number.");
    }
  }
  return bounds;
}

bool ShellNeedsHeadless() {
  return !EnvSet("SDL_VIDEODRIVER") && !EnvSet("DISPLAY") && !EnvSet("WAYLAND_DISPLAY");
}

bool ShellHasDisplay() {
  const char* driver = getenv("SDL_VIDEODRIVER");
  if (driver && (strcasecmp(driver, "offscreen") == 0 || strcasecmp(driver, "dummy") == 0)) {
    return false;
  }
  return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

Shell::Shell(const ShellEngineApi& api) : api_(api) {}

Shell::~Shell() {
  DestroyGameWindow();
  Shutdown();
}

int Shell::Main(const char* title, int argc, char** argv) {
  StopSignalScope signals;

  bool headless = ShellNeedsHeadless();
  if (headless) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
  }
  std::vector<std::string> warnings;
  RunBounds bounds = ParseRunBounds(argc, argv, &warnings);

  if (!Start(kShellConsoleTitle, false)) {
    fprintf(stderr, "Failed to init boot console.\n");
    if (ShellHasDisplay()) {
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", "Failed to init boot console.",
                               nullptr);
    }
    return -1;
  }

  uint32_t version = api_.getVersion();
  Print("-------------    [orange]Kazmer Game Engine    [white]-------------");
  Printf("Shell executable built [grey]%s", kShellBuildString);
  Printf("Engine Version [grey]%u.%u.%u[white], built [grey]%s", (version >> 16) & 0xFF,
         (version >> 8) & 0xFF, version & 0xFF, api_.getBuildString());
  Print(std::string(51, '-').c_str());
  Print("\n");

  for (const std::string& warning : warnings) {
    Print(warning.c_str());
  }
  if (headless) {
    if (bounds.frames == 0 && bounds.seconds == 0.0) {
      bounds.seconds = kHeadlessSeconds;
    }
    Printf("[yellow]No display found: running headless on the offscreen video driver.");
  }

  if (version != kShellEngineVersion) {
    return FatalStop(
        "Shell is compiled against a version of the engine dll different to the present one.");
  }
  if (!CreateGameWindow(title)) {
    return FatalStop("Failed to create game window.");
  }

  Print("Starting engine...");
  engine_ = api_.startup(argc, argv, window_, title, kShellMainMod, &BootConsole::OutputCallback,
                         static_cast<BootConsole*>(this));
  if (!engine_) {
    return FatalStop("Failed to start engine.");
  }

  SDL_RaiseWindow(window_);
  SDL_StartTextInput();
  engine_->SetActive(true);
  engine_->Printf("Activated.");
  if (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) {
    hasFocus_ = true;
    OnFocusGained();
  }
  Hide();
  engine_->Printf("Entering main loop.");

  const auto started = std::chrono::steady_clock::now();
  long frames = 0;
  bool running = true;
  bool halted = false;
  do {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      HandleEvent(event, &running);
    }
    if (g_stopSignal) {
      running = false;
    }
    ForwardMouseMotion();

    int code = engine_->RunFrame();
    if (code != KazQuit_Continue) {
      halted = code == KazQuit_Halt;
      break;
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

  api_.shutdown();
  engine_ = nullptr;
  DestroyGameWindow();

  if (halted) {
    ShowLogAndWait();
  }
  Flush();
  Shutdown();
  return 0;
}

int Shell::FatalStop(const char* message) {
  if (engine_) {
    api_.shutdown();
    engine_ = nullptr;
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
  videoStarted_ = true;
  window_ =
      SDL_CreateWindow(title, kWindowX, kWindowY, kWindowWidth, kWindowHeight, SDL_WINDOW_OPENGL);
  if (!window_) {
    Printf("[red]SDL: %s", SDL_GetError());
    return false;
  }
  return true;
}

void Shell::DestroyGameWindow() {
  if (window_) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    SDL_ShowCursor(SDL_ENABLE);
    SDL_DestroyWindow(window_);
    window_ = nullptr;
  }
  if (videoStarted_) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
  }
  hasFocus_ = false;
  relativeMouse_ = false;
}

void Shell::HandleEvent(const SDL_Event& event, bool* running) {
  switch (event.type) {
    case SDL_QUIT:
      *running = false;
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          hasFocus_ = true;
          if (engine_) {
            engine_->SetActive(true);
            engine_->Printf("Activated.");
          }
          OnFocusGained();
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          hasFocus_ = false;
          if (engine_) {
            engine_->SetActive(false);
            engine_->Printf("Deactivated.");
          }
          OnFocusLost();
          break;
        case SDL_WINDOWEVENT_CLOSE:
          *running = false;
          break;
        default:
          break;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (!engine_) {
        break;
      }
      SDL_Scancode scancode = event.key.keysym.scancode;
      int key = ScancodeToEngineKey(scancode);
      if (event.type == SDL_KEYUP) {
        if (key) {
          engine_->OnKeyUp(key);
        }
        break;
      }
      if (key) {
        engine_->OnKeyDown(key);
      }
      // SDL's text input leaves these characters out; the engine's console and
      // menus need them.
      if (int ch = ScancodeToControlChar(scancode)) {
        engine_->OnChar(ch);
      }
      break;
    }
    case SDL_TEXTINPUT:
      if (engine_) {
        ForEachLatin1Char(event.text.text, [this](int ch) { engine_->OnChar(ch); });
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (int key = MouseButtonToEngineKey(event.button.button); key && engine_) {
        if (event.type == SDL_MOUSEBUTTONDOWN) {
          engine_->OnKeyDown(key);
        } else {
          engine_->OnKeyUp(key);
        }
      }
      break;
    case SDL_MOUSEMOTION:
      motionX_ += event.motion.xrel;
      motionY_ += event.motion.yrel;
      cursorX_ = event.motion.x;
      cursorY_ = event.motion.y;
      motionSeen_ = true;
      break;
    default:
      break;
  }
}

void Shell::OnFocusGained() {
  SDL_ShowCursor(SDL_DISABLE);
  relativeMouse_ = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
  recentreCursor_ = !relativeMouse_;
}

void Shell::OnFocusLost() {
  if (relativeMouse_) {
    SDL_SetRelativeMouseMode(SDL_FALSE);
    relativeMouse_ = false;
  }
  recentreCursor_ = false;
  SDL_ShowCursor(SDL_ENABLE);
}

void Shell::ForwardMouseMotion() {
  int dx = 0;
  int dy = 0;
  if (hasFocus_ && window_ && engine_) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    const int centreX = width / 2;
    const int centreY = height / 2;
    if (relativeMouse_) {
      dx = motionX_;
      dy = motionY_;
    } else if (recentreCursor_) {
      // The cursor was wherever the user left it: start measuring from the centre.
      SDL_WarpMouseInWindow(window_, centreX, centreY);
      recentreCursor_ = false;
    } else if (motionSeen_) {
      dx = cursorX_ - centreX;
      dy = cursorY_ - centreY;
      if (dx != 0 || dy != 0) {
        SDL_WarpMouseInWindow(window_, centreX, centreY);
      }
    }
    if (dx != 0) {
      engine_->SetMouseDelta(0, dx);
    }
    if (dy != 0) {
      engine_->SetMouseDelta(1, dy);
    }
  }
  motionX_ = 0;
  motionY_ = 0;
  motionSeen_ = false;
}

int ShellMain(const ShellEngineApi& api, int argc, char** argv) {
  Shell shell(api);
  return shell.Main(kShellAppTitle, argc, argv);
}
