// demo.cpp - the demo game's scene as a player sees it: whole engine frames of
// mod cove at 1024x768 on Mesa's llvmpipe (offscreen), from the most loaded
// viewpoint of the game's tour, against an empty frame (clear and present
// only) of the same size in the same run.
//
// The tour (cove/Tour.replay) is played once with its fixed frame time to find
// where frames are slowest (the median of a window of frames, so one slow
// frame does not decide it); the engine is then started afresh, the tour is
// replayed to that frame, its held keys are let go, and the frames after it
// are timed: 600 after a warm-up, each ended with glFinish. The tour's F9 and
// F8 presses are left out: no screenshots are written. Counters give the
// median and the 99th percentile in milliseconds and, for the demo, the ratio
// of its median to the empty frame's. The same frames are then run once more
// with the frame profiler collecting them: its report (each part's minimum,
// mean and maximum) is printed, and x_plain says what profiling cost; and
// once more with each part waiting for the device ("profile N finish"), whose
// report splits the device's work between the parts.
// Run from the base directory: cd build/release/bin && ./bench_demo
// (KAZ_DEMO_VIEW_FRAME=N takes the view after frame N of the tour instead of
// searching for it, which plays the whole tour once; KAZ_DEMO_ARGS adds
// command-line words, e.g. "-GlowEnable 0", to see what a feature costs;
// KAZ_DEMO_SHOT=DIR saves a picture of the timed view there.)
// The engine saves its settings at shutdown; every start here begins from an
// empty config/cove.cfg, and the user's file is put back at the end, so the
// figures do not depend on what ran before.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "core/Engine.h"
#include "KeyTable.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/VideoManager.h"
#include "render/world/WorldRenderer.h"
#include "Replay.h"
#include "tier1/World.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kMeasuredFrames = 600;
constexpr int kWarmUpFrames = 60;
constexpr int kWindow = 31;        // frames in the window whose median rates a viewpoint
constexpr long kTourBound = 5400;  // the play command's safety net
constexpr const char* kFrameTime = "0.033333";

using Clock = std::chrono::steady_clock;

std::string g_exe;

std::filesystem::path ConfigFile() {
  return std::filesystem::path(g_exe).parent_path() / "config" / "cove.cfg";
}

// Keeps the user's config/cove.cfg (or its absence) while the benchmark runs.
class ConfigKeeper {
 public:
  ConfigKeeper() {
    std::ifstream in(ConfigFile(), std::ios::binary);
    if (!in) return;
    std::ostringstream text;
    text << in.rdbuf();
    m_saved = text.str();
  }
  ~ConfigKeeper() {
    std::error_code error;
    if (!m_saved) {
      std::filesystem::remove(ConfigFile(), error);
      return;
    }
    std::ofstream out(ConfigFile(), std::ios::binary | std::ios::trunc);
    out << *m_saved;
    if (!out) fprintf(stderr, "bench_demo: could not restore %s\n", ConfigFile().c_str());
  }

 private:
  std::optional<std::string> m_saved;
};

// An empty file rather than none: the engine starts from its defaults either way,
// and the folder is there for it to save into.
void EmptyConfig() {
  std::error_code error;
  std::filesystem::create_directories(ConfigFile().parent_path(), error);
  std::ofstream out(ConfigFile(), std::ios::binary | std::ios::trunc);
}

struct Session {
  SDL_Window* window = nullptr;
  KazEngine* engine = nullptr;
  Replay replay;
  std::set<SDL_Scancode> held;
  std::string error;
  long frames = 0;
};

// The engine's last lines, to say why it did not start; echoed while g_echo is set.
std::deque<std::string> g_lastLines;
bool g_echo = false;
void Collect(const char* text, bool, void*) {
  if (g_echo) printf("%s\n", text);
  g_lastLines.emplace_back(text);
  if (g_lastLines.size() > 12) g_lastLines.pop_front();
}

// Starts the engine on the window as the play command would, with the tour loaded.
bool Start(Session* s) {
  std::vector<std::string> args = {g_exe,
                                   "-mod",
                                   "cove",
                                   "-fixedframe",
                                   kFrameTime,
                                   "-ResX",
                                   std::to_string(kWidth),
                                   "-ResY",
                                   std::to_string(kHeight)};
  if (const char* extra = getenv("KAZ_DEMO_ARGS")) {
    std::string word;
    for (const char* c = extra;; ++c) {
      if (*c == ' ' || !*c) {
        if (!word.empty()) args.push_back(word);
        word.clear();
        if (!*c) break;
      } else {
        word += *c;
      }
    }
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  CVarRegistry::Instance().ResetBuiltins();
  EmptyConfig();
  s->engine = static_cast<KazEngine*>(
      kazStartup(int(args.size()), argv.data(), s->window, "bench", "cove", &Collect, nullptr));
  if (!s->engine) {
    s->error = "the engine did not start with mod cove:";
    for (const std::string& line : g_lastLines) s->error += "\n  " + line;
    return false;
  }
  s->engine->SetActive(true);
  std::vector<std::string> warnings;
  if (!s->replay.Load("cove/Tour.replay", &warnings, &s->error)) return false;
  s->replay.ResolveKeys(&warnings);
  s->frames = 0;
  s->held.clear();
  return true;
}

// One frame of the tour: its input, then the engine; false once the game quit.
bool TourFrame(Session* s) {
  s->replay.TakeFrame(s->frames, [s](const ReplayEvent& e) {
    if (e.type == ReplayEvent::Type::Key) {
      // Screenshots and cube shots are the tour's record, not part of playing.
      if (e.scancode == SDL_SCANCODE_F9 || e.scancode == SDL_SCANCODE_F8) return;
      SendKeyToEngine(s->engine, e.scancode, e.down);
      if (e.down)
        s->held.insert(e.scancode);
      else
        s->held.erase(e.scancode);
    } else if (e.type == ReplayEvent::Type::Char) {
      for (int ch : e.chars) s->engine->OnChar(ch);
    } else {
      if (e.dx) s->engine->SetMouseDelta(0, e.dx);
      if (e.dy) s->engine->SetMouseDelta(1, e.dy);
    }
  });
  ++s->frames;
  return s->engine->RunFrame() == KazQuit_Continue;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The frame after which the tour is slowest: the end of the window of frames
// with the highest median time.
long FindBusiestFrame(Session* s) {
  std::vector<double> times;
  for (bool running = true; running && s->frames < kTourBound;) {
    const auto start = Clock::now();
    running = TourFrame(s);
    kgl::Finish();
    times.push_back(Seconds(start));
  }
  long best = std::min<long>(long(times.size()), kWindow);
  double bestMedian = 0.0;
  for (size_t end = kWindow; end <= times.size(); ++end) {
    std::vector<double> window(times.begin() + long(end - kWindow), times.begin() + long(end));
    std::nth_element(window.begin(), window.begin() + kWindow / 2, window.end());
    if (window[kWindow / 2] > bestMedian) bestMedian = window[kWindow / 2], best = long(end);
  }
  return best;
}

struct Scene {
  Session session;
  long viewFrame = 0;
  bool ready = false;
};

Scene& TheScene() {
  static Scene scene = [] {
    Scene c;
    Session& s = c.session;
    setenv("ALSOFT_DRIVERS", "null", 0);
    s.window = bench::OpenWindow(kWidth, kHeight, &s.error);
    if (!s.window) return c;
    if (!Start(&s)) return c;
    if (const char* view = getenv("KAZ_DEMO_VIEW_FRAME"); view && *view) {
      c.viewFrame = atol(view);
    } else {
      c.viewFrame = FindBusiestFrame(&s) - kWindow / 2;
      kazShutdown();
      if (!Start(&s)) return c;
    }
    while (s.frames < c.viewFrame && TourFrame(&s)) {
    }
    // Hold the view: nobody walks on while the frames are timed.
    for (SDL_Scancode held : s.held) SendKeyToEngine(s.engine, held, false);
    c.ready = true;
    return c;
  }();
  return scene;
}

struct Figures {
  double median = 0.0, p99 = 0.0;
};
Figures g_empty, g_demo;

Figures Measure(benchmark::State& state, void (*frame)(KazEngine*), KazEngine* engine) {
  for (int i = 0; i < kWarmUpFrames; ++i) frame(engine);
  std::vector<double> ms;
  for (auto _ : state) {
    const auto start = Clock::now();
    frame(engine);
    const double seconds = Seconds(start);
    state.SetIterationTime(seconds);
    ms.push_back(seconds * 1000.0);
  }
  std::sort(ms.begin(), ms.end());
  Figures f;
  if (ms.empty()) return f;
  f.median = ms[ms.size() / 2];
  f.p99 = ms[std::min(ms.size() - 1, size_t(double(ms.size()) * 0.99))];
  state.counters["median_ms"] = f.median;
  state.counters["p99_ms"] = f.p99;
  return f;
}

void EmptyFrame(KazEngine* engine) {
  VideoManager* video = engine->GetVideoManager();
  video->SetClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  video->Clear(true, true, false);
  video->BeginScene();
  video->EndScene();
  video->Present();
  kgl::Finish();
}

void DemoFrame(KazEngine* engine) {
  engine->RunFrame();
  kgl::Finish();
}

void BM_EmptyFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.ready) return state.SkipWithError(scene.session.error.c_str());
  g_empty = Measure(state, EmptyFrame, scene.session.engine);
}
BENCHMARK(BM_EmptyFrame)
    ->Iterations(kMeasuredFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_DemoFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  if (!scene.ready) return state.SkipWithError(scene.session.error.c_str());
  World* world = scene.session.engine->GetWorld();
  const WorldRenderer* renderer = world ? world->GetRenderer() : nullptr;
  const uint64_t faces = renderer ? renderer->GetShadowMaps().GetFaceRenderCount() : 0;
  const Figures demo = Measure(state, DemoFrame, scene.session.engine);
  g_demo = demo;
  // KAZ_DEMO_SHOT=DIR keeps a picture of the timed view, to see what was measured.
  if (const char* shot = getenv("KAZ_DEMO_SHOT"); shot && *shot)
    scene.session.engine->GetVideoManager()->TakeScreenShot(shot, "demo");
  // Shadow cube faces redrawn a frame (the warm-up's included): a still view draws none.
  if (renderer)
    state.counters["shadow_faces"] =
        double(renderer->GetShadowMaps().GetFaceRenderCount() - faces) /
        double(state.iterations() + kWarmUpFrames);
  state.counters["view_frame"] = double(scene.viewFrame);
  if (g_empty.median > 0.0) state.counters["x_empty"] = demo.median / g_empty.median;
  if (renderer) {
    const WorldRenderer::Stats& stats = renderer->GetStats();
    state.counters["meshes"] = double(stats.staticMeshes + stats.dynamicMeshes);
    state.counters["particles"] = double(stats.particles);
  }
}
BENCHMARK(BM_DemoFrame)
    ->Iterations(kMeasuredFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same frames with the frame profiler collecting a report of them ("profile
// N", and `extra` after it), printed at the end; x_plain compares their median
// with the plain frames'.
void ProfiledFrames(benchmark::State& state, const char* extra) {
  Scene& scene = TheScene();
  if (!scene.ready) return state.SkipWithError(scene.session.error.c_str());
  KazEngine* engine = scene.session.engine;
  engine->ExecuteCommand(false, "profile %d%s", kMeasuredFrames + kWarmUpFrames, extra);
  const Figures profiled = Measure(state, DemoFrame, engine);
  if (g_demo.median > 0.0) state.counters["x_plain"] = profiled.median / g_demo.median;
  // The report is printed at the start of the frame after its last.
  g_echo = true;
  DemoFrame(engine);
  g_echo = false;
}

// What the profiler costs and, printed, where a frame's time goes as the
// main thread sees it.
void BM_DemoFrameProfiled(benchmark::State& state) {
  ProfiledFrames(state, "");
}
BENCHMARK(BM_DemoFrameProfiled)
    ->Iterations(kMeasuredFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Each part waiting for the device ("profile N finish"): the split of the
// device's work between the parts. These frames are slower (nothing overlaps).
void BM_DemoFramePartsFinished(benchmark::State& state) {
  ProfiledFrames(state, " finish");
}
BENCHMARK(BM_DemoFramePartsFinished)
    ->Iterations(kMeasuredFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  g_exe = n > 0 ? std::string(path, size_t(n)) : argv[0];
  benchmark::Initialize(&argc, argv);
  {
    ConfigKeeper keeper;
    benchmark::RunSpecifiedBenchmarks();
    if (kazGetInterface()) kazShutdown();
  }
  benchmark::Shutdown();
  return 0;
}
