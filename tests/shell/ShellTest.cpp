// ShellTest.cpp - the launcher's main routine against a fake engine: start-up
// failures, bounded and headless runs, halts, stop signals and the translation
// of SDL events into engine input.
#include "Shell.h"

#include "base/LaunchOptions.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Records the calls the launcher makes, in order, as text ("down 29",
// "print Activated."); RunFrame answers onFrame(frame number), 0 without it.
class FakeEngine : public IKazEngine {
 public:
  int RunFrame() override { return onFrame ? onFrame(++frames) : (++frames, 0); }
  void Quit(bool) override {}
  bool AddPackage(const char*, bool) override { return false; }
  void Printf(const char* format, ...) override {
    char buffer[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    calls.push_back(std::string("print ") + buffer);
  }
  int ExecuteCommand(bool, const char*, ...) override { return 0; }
  void* GetWindow() override { return nullptr; }
  float GetFrameDeltaTime() override { return 0; }
  float GetTime() override { return 0; }
  void SetActive(bool active) override { Log("active", active); }
  bool IsActive() override { return false; }
  void SetMouseDelta(int axis, int value) override { Log(axis == 0 ? "dx" : "dy", value); }
  void SetCursorPosition(int, int) override {}
  void OnChar(int character) override { Log("char", character); }
  void OnKeyDown(int key) override { Log("down", key); }
  void OnKeyUp(int key) override { Log("up", key); }
  void SetInputBlocked(bool) override {}
  bool IsInputBlocked() override { return false; }
  VideoManager* GetVideoManager() override { return nullptr; }
  SoundManager* GetSoundManager() override { return nullptr; }

  void Log(const char* what, int value) {
    calls.push_back(std::string(what) + " " + std::to_string(value));
  }
  std::function<int(int)> onFrame;
  int frames = 0;
  std::vector<std::string> calls;
};

// What the fake exports saw and answer; one per test.
struct FakeExports {
  uint32_t version = kShellEngineVersion;
  bool startupFails = false;
  FakeEngine* engine = nullptr;
  int startupCalls = 0;
  int shutdownCalls = 0;
  std::vector<std::string> argv;
  SDL_Window* window = nullptr;
  uint32_t windowFlags = 0;
  int windowWidth = 0;
  int windowHeight = 0;
  std::string title;
  std::string mainMod;
};

FakeExports* g_fake = nullptr;

// SDL's offscreen driver loads EGL and Mesa's driver for the first OpenGL
// window and unloads them with the last; Mesa leaves allocations behind that
// the leak checker then reports. A hidden window kept for the whole run keeps
// them loaded and that memory reachable.
class KeepEglLoaded : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // the launcher's own are under test
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
      m_window = SDL_CreateWindow("keep", 0, 0, 8, 8, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    }
  }

 private:
  SDL_Window* m_window = nullptr;
};
const auto* const g_keepEgl = ::testing::AddGlobalTestEnvironment(new KeepEglLoaded);

uint32_t FakeGetVersion() {
  return g_fake->version;
}
const char* FakeGetBuildString() {
  return "Jan  1 2030, 00:00:00";
}
IKazEngine* FakeGetInterface() {
  return g_fake->engine;
}
void FakeShutdown() {
  ++g_fake->shutdownCalls;
}

IKazEngine* FakeStartup(int argc, char** argv, void* window, const char* title, const char* mainMod,
                        KazOutputCallback output, void* userData) {
  ++g_fake->startupCalls;
  g_fake->argv.assign(argv, argv + argc);
  g_fake->window = static_cast<SDL_Window*>(window);
  g_fake->windowFlags = SDL_GetWindowFlags(g_fake->window);
  SDL_GetWindowSize(g_fake->window, &g_fake->windowWidth, &g_fake->windowHeight);
  g_fake->title = title;
  g_fake->mainMod = mainMod;
  if (output) {
    output("[red]KazStartup: engine says no", false, userData);
  }
  return g_fake->startupFails ? nullptr : g_fake->engine;
}

void PushEvent(SDL_Event event) {
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void PushWindowEvent(SDL_WindowEventID id) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = id;
  PushEvent(event);
}

void PushKey(uint32_t type, SDL_Scancode scancode) {
  SDL_Event event{};
  event.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = scancode;
  PushEvent(event);
}

void PushText(const char* utf8) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  SDL_strlcpy(event.text.text, utf8, sizeof(event.text.text));
  PushEvent(event);
}

void PushButton(uint32_t type, uint8_t button) {
  SDL_Event event{};
  event.type = type;
  event.button.button = button;
  PushEvent(event);
}

void PushMotion(int x, int y, int xrel, int yrel) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  event.motion.xrel = xrel;
  event.motion.yrel = yrel;
  PushEvent(event);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Never a real display here: a fatal stop must not wait for anyone.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    g_fake = &m_fake;
    m_fake.engine = &m_engine;
    m_api.getVersion = FakeGetVersion;
    m_api.getBuildString = FakeGetBuildString;
    m_api.startup = FakeStartup;
    m_api.shutdown = FakeShutdown;
    m_api.getInterface = FakeGetInterface;
    m_shell = std::make_unique<Shell>(m_api);
    m_shell->SetOutputStream(nullptr);
  }
  void TearDown() override {
    m_shell.reset();
    g_fake = nullptr;
  }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), "shell");
    std::vector<char*> argv;
    for (std::string& arg : args) {
      argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return m_shell->Main(kShellAppTitle, static_cast<int>(args.size()), argv.data());
  }

  // RunFrame answers 0 and runs `onFrame` with the 1-based frame number.
  void OnFrames(std::function<void(int)> onFrame) {
    m_engine.onFrame = [onFrame](int frame) { return onFrame(frame), 0; };
  }

  std::vector<std::string> CallsStartingWith(const std::vector<std::string>& prefixes) const {
    std::vector<std::string> out;
    for (const std::string& call : m_engine.calls) {
      for (const std::string& prefix : prefixes) {
        if (call.rfind(prefix + " ", 0) == 0) {
          out.push_back(call);
        }
      }
    }
    return out;
  }

  FakeExports m_fake;
  FakeEngine m_engine;
  ShellEngineApi m_api;
  std::unique_ptr<Shell> m_shell;
};

TEST_F(ShellTest, VersionMismatchIsFatalBeforeTheEngineStarts) {
  m_fake.version = 0x200;
  EXPECT_EQ(Run({}), -1);
  EXPECT_EQ(m_fake.startupCalls, 0);
  EXPECT_EQ(m_fake.shutdownCalls, 0);
  const std::string log = m_shell->GetTranscript();
  EXPECT_THAT(log, HasSubstr("-------------    Kazmer Game Engine    -------------\n"));
  EXPECT_THAT(log, HasSubstr("Engine Version 0.2.0, built Jan  1 2030, 00:00:00\n"));
  EXPECT_THAT(log, HasSubstr(std::string(51, '-') + "\n\n"));
  EXPECT_THAT(log, HasSubstr("FATAL ERROR: Shell is compiled against a version of the engine dll "
                             "different to the present one.\n \n--- Engine halted ---\n"));
  EXPECT_FALSE(m_shell->IsReady());
}

TEST_F(ShellTest, HelpPrintsTheOptionsAndFilesAndStartsNothing) {
  for (const char* ask : {"-help", "-h", "--help", "-HELP"}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"-mod", "cove", ask}), 0) << ask;
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ(m_fake.startupCalls, 0) << ask;
    EXPECT_EQ(m_shell->GetGameWindow(), nullptr);
    EXPECT_THAT(text, HasSubstr("Usage: shell [options] [-CVarName value ...]")) << ask;
    // Every option of the table, the variables and where a run's files go.
    for (const LaunchOptionInfo& option : GetLaunchOptions())
      EXPECT_THAT(text, HasSubstr(std::string("  -") + option.name)) << option.name;
    for (const char* line :
         {"-CVarName value", "mods/NAME.mod", "config/NAME.cfg", "kaz.log", "screenshots/"})
      EXPECT_THAT(text, HasSubstr(line));
  }
  // A word that only looks like help is an ordinary argument.
  EXPECT_EQ(Run({"-frames", "1", "-helpful"}), 0);
  EXPECT_EQ(m_fake.startupCalls, 1);
}

TEST_F(ShellTest, FailedStartupIsFatalAndKeepsTheEngineLines) {
  m_fake.startupFails = true;
  EXPECT_EQ(Run({}), -1);
  EXPECT_EQ(m_engine.frames, 0);
  EXPECT_EQ(m_fake.startupCalls, 1);
  EXPECT_EQ(m_fake.shutdownCalls, 0);
  const std::string log = m_shell->GetTranscript();
  EXPECT_THAT(log, HasSubstr("Starting engine...\nKazStartup: engine says no\n"
                             "FATAL ERROR: Failed to start engine.\n"));
  EXPECT_EQ(m_shell->GetGameWindow(), nullptr);
}

TEST_F(ShellTest, BoundedRunRunsThatManyFramesAndShutsDownOnce) {
  EXPECT_EQ(Run({"-frames", "3", "-mod", "cove"}), 0);
  EXPECT_EQ(m_engine.frames, 3);
  EXPECT_EQ(m_fake.shutdownCalls, 1);

  EXPECT_EQ(m_fake.argv, (std::vector<std::string>{"shell", "-frames", "3", "-mod", "cove"}));
  EXPECT_EQ(m_fake.title, "The Secret of Orrelin Cove");
  EXPECT_EQ(m_fake.mainMod, "cove");
  EXPECT_TRUE(m_fake.windowFlags & SDL_WINDOW_OPENGL);
  EXPECT_EQ(m_fake.windowWidth, 320);
  EXPECT_EQ(m_fake.windowHeight, 240);
  EXPECT_EQ(m_shell->GetGameWindow(), nullptr);

  auto prints = CallsStartingWith({"print", "active"});
  ASSERT_GE(prints.size(), 3u);
  EXPECT_EQ(prints[0], "active 1");
  EXPECT_EQ(prints[1], "print Activated.");
  EXPECT_EQ(prints.back(), "print Entering main loop.");
}

TEST_F(ShellTest, HaltAndQuitCodesEndTheLoopAtOnce) {
  m_engine.onFrame = [](int frame) {
    return frame == 1 ? KazQuit_Halt : frame == 2 ? KazQuit_Continue : KazQuit_Quit;
  };
  EXPECT_EQ(Run({"-frames", "10"}), 0);  // headless, a halt ends without waiting
  EXPECT_EQ(m_engine.frames, 1);
  EXPECT_EQ(m_fake.shutdownCalls, 1);
  EXPECT_FALSE(m_shell->IsReady());
  EXPECT_EQ(Run({"-frames", "10"}), 0);
  EXPECT_EQ(m_engine.frames, 3);
  EXPECT_EQ(m_fake.shutdownCalls, 2);
}

TEST_F(ShellTest, StopSignalsEndTheLoopInOrder) {
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    m_engine.frames = 0;
    m_fake.shutdownCalls = 0;
    OnFrames([signal](int frame) {
      if (frame == 2) {
        raise(signal);
      }
    });
    EXPECT_EQ(Run({"-frames", "100"}), 0);
    // The iteration that sees the signal still runs its frame, like closing the window.
    EXPECT_EQ(m_engine.frames, 3);
    EXPECT_EQ(m_fake.shutdownCalls, 1);
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "handler left installed";
  }
}

TEST_F(ShellTest, FocusChangesActivateAndAQuitEventEndsTheLoopLikeClosingTheWindow) {
  OnFrames([](int frame) {
    if (frame == 1) {
      PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
      PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    } else if (frame == 2) {
      SDL_Event event{};
      event.type = SDL_QUIT;
      PushEvent(event);
    }
  });
  EXPECT_EQ(Run({"-frames", "100"}), 0);
  EXPECT_EQ(m_engine.frames, 3);
  EXPECT_EQ(m_fake.shutdownCalls, 1);
  auto calls = CallsStartingWith({"active", "print"});
  const std::vector<std::string> tail = {"active 0", "print Deactivated.", "active 1",
                                         "print Activated."};
  ASSERT_GE(calls.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(calls.end() - 4, calls.end()), tail);
}

TEST_F(ShellTest, KeysTextAndButtonsReachTheEngineTranslated) {
  OnFrames([](int frame) {
    if (frame == 1) {
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
      PushKey(SDL_KEYUP, SDL_SCANCODE_A);
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_GRAVE);        // no key code: the console opens on '`'
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_LEFTBRACKET);  // beyond the table
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER);
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE);
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_TAB);
      PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
      PushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
      PushText("a`\xC3\xA9\xE2\x82\xAC!");  // a ` é € !
      PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
      PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
      PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
      PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1);
    }
  });
  EXPECT_EQ(Run({"-frames", "3"}), 0);
  const std::vector<std::string> expected = {
      "down 29", "up 29",    "down 28", "char 13",  "down 28", "char 13", "down 14",
      "char 8",  "down 15",  "char 9",  "down 1",   "char 27", "up 1",    "char 97",
      "char 96", "char 233", "char 33", "down 143", "up 144",  "down 145"};
  EXPECT_EQ(CallsStartingWith({"down", "up", "char"}), expected);
}

TEST_F(ShellTest, MouseMotionIsForwardedOnlyWithFocus) {
  OnFrames([](int frame) {
    if (frame == 1) {
      PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    } else if (frame == 2) {
      // The window is 320 by 240: centre (160, 120).
      PushMotion(165, 118, 5, -2);
    } else if (frame == 3) {
      PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
      PushMotion(170, 130, 10, 10);
    } else if (frame == 4) {
      PushMotion(100, 100, -60, -20);
    }
  });
  EXPECT_EQ(Run({"-frames", "6"}), 0);
  EXPECT_EQ(CallsStartingWith({"dx", "dy"}), (std::vector<std::string>{"dx 5", "dy -2"}));
}

// Sets the display variables for one test and puts the old values back.
class DisplayEnv {
 public:
  DisplayEnv(const char* display, const char* driver) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
      const char* value = getenv(name);
      m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    if (display) setenv("DISPLAY", display, 1);
    if (driver) setenv("SDL_VIDEODRIVER", driver, 1);
  }
  ~DisplayEnv() {
    for (const auto& [name, value] : m_saved)
      value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

TEST_F(ShellTest, HeadlessRunPicksTheOffscreenDriver) {
  std::string chosen;
  {
    DisplayEnv env(nullptr, nullptr);
    EXPECT_EQ(Run({"-frames", "2"}), 0);
    EXPECT_EQ(m_engine.frames, 2);
    const char* driver = getenv("SDL_VIDEODRIVER");
    chosen = driver ? driver : "";
  }
  EXPECT_EQ(chosen, "offscreen");
  EXPECT_THAT(m_shell->GetTranscript(), HasSubstr("running headless on the offscreen"));
}

// A driver that shows nothing means no display, even when DISPLAY is set and
// someone else chose the driver (as tools/kaz.sh does): the run ends by itself.
TEST_F(ShellTest, RunWithoutADisplayEndsByItselfWhoeverChoseTheDriver) {
  for (auto [display, driver] :
       {std::pair<const char*, const char*>{":0", "offscreen"}, {nullptr, "offscreen"}}) {
    SCOPED_TRACE(std::string(display ? display : "-") + " " + driver);
    DisplayEnv env(display, driver);
    m_shell->SetHeadlessSeconds(0.05);
    m_engine.frames = 0;
    // A safety net far beyond the bound ends the run when the bound fails to.
    m_engine.onFrame = [](int frame) { return frame < 1000000 ? KazQuit_Continue : KazQuit_Quit; };
    EXPECT_EQ(Run({}), 0);
    EXPECT_LT(m_engine.frames, 1000000) << "the headless bound did not end the run";
    EXPECT_THAT(m_shell->GetTranscript(), HasSubstr("The run ends after 0.05 seconds"));
  }
}

TEST(ShellDisplay, ADriverThatShowsNothingIsNoDisplay) {
  struct Case {
    const char* display;
    const char* driver;
    bool shows;
  };
  for (Case c : {Case{":0", nullptr, true}, Case{":0", "x11", true}, Case{":0", "DUMMY", false},
                 Case{":0", "offscreen", false}, Case{nullptr, nullptr, false},
                 Case{nullptr, "x11", false}}) {
    DisplayEnv env(c.display, c.driver);
    EXPECT_EQ(ShellHasDisplay(), c.shows)
        << (c.display ? c.display : "-") << " " << (c.driver ? c.driver : "-");
  }
}

TEST_F(ShellTest, ZeroSecondsRunsHeadlessWithoutABound) {
  DisplayEnv env(nullptr, "offscreen");
  m_shell->SetHeadlessSeconds(0.01);
  m_engine.onFrame = [](int frame) {
    if (frame == 1) SDL_Delay(40);  // well past the headless bound
    return frame < 3 ? KazQuit_Continue : KazQuit_Quit;
  };
  EXPECT_EQ(Run({"-seconds", "0"}), 0);
  EXPECT_EQ(m_engine.frames, 3);
  EXPECT_THAT(m_shell->GetTranscript(), Not(HasSubstr("The run ends after")));
}

RunBounds Parse(std::vector<std::string> args, std::vector<std::string>* warnings) {
  args.insert(args.begin(), "shell");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  return ParseRunBounds(static_cast<int>(argv.size()), argv.data(), warnings);
}

TEST(RunBoundsParse, ReadsBothBoundsInAnyCaseZeroMeansNoneAndBadValuesWarn) {
  std::vector<std::string> warnings;
  RunBounds bounds = Parse({"-FRAMES", "12", "-log", "-Seconds", "2.5"}, &warnings);
  EXPECT_EQ(bounds.frames, 12);
  EXPECT_DOUBLE_EQ(bounds.seconds, 2.5);
  EXPECT_TRUE(bounds.given);
  bounds = Parse({"-seconds", "0"}, &warnings);
  EXPECT_TRUE(bounds.given);
  EXPECT_EQ(bounds.seconds, 0.0);
  EXPECT_EQ(bounds.frames, 0);
  EXPECT_TRUE(warnings.empty());

  for (std::vector<std::string> args : {std::vector<std::string>{"-frames", "3x"},
                                        {"-frames", "-2"},
                                        {"-frames"},
                                        {"-seconds", "nan"},
                                        {"-seconds", "inf"},
                                        {"-seconds", "-1"},
                                        {"-frames", "99999999999999999999999"}}) {
    warnings.clear();
    bounds = Parse(args, &warnings);
    EXPECT_EQ(bounds.frames, 0) << args.back();
    EXPECT_EQ(bounds.seconds, 0.0) << args.back();
    EXPECT_FALSE(bounds.given) << args.back();
    EXPECT_EQ(warnings.size(), 1u) << args.back();
  }
}

}  // namespace
