// Menus against what they stand on, each pair in one run.
//
// Word wrap: a 16 KB text wrapped into a 350-pixel static text in the menu
// font, against one plain pass adding up the same glyph widths through the
// same renderer. Drawing: a 50-widget menu (background and 50 buttons)
// through the menu layer, against the very same quads and texts sent
// straight to the video manager, each quad and text its own batch as the
// menu renderer draws them. Every drawing iteration ends with glFinish, so
// the GPU (here llvmpipe) work is inside the measurement on both sides.
// Needs an OpenGL 3.3 context: run with SDL_VIDEODRIVER=offscreen on a
// headless machine; LP_NUM_THREADS=0 keeps llvmpipe's work on the calling
// thread, so the two sides compare steadily on a busy machine.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "menu/MenuManager.h"
#include "menu/WordWrap.h"
#include "render/DeviceVideoManager.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/Font.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 640, kHeight = 480, kWidgets = 50;

struct Context {
  SDL_Window* window = nullptr;
  VideoManager* video = nullptr;
  MenuHandle font = 0;
  std::string error;
};

Context& Ctx() {
  static Context ctx = [] {
    Context c;
    c.window = bench::OpenWindow(kWidth, kHeight, &c.error);
    if (!c.window) return c;
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    FileSystem::Init("bench_menu");
    FileSystem::AddToSearchPath((bin / "base").string(), true);
    CVarRegistry::Instance().ResX.Set(kWidth);
    CVarRegistry::Instance().ResY.Set(kHeight);
    c.video = CreateVideoManager(c.window);
    if (!c.video || c.video->SetDisplayMode() != 0) {
      c.error = "no OpenGL 3.3 video manager";
      c.video = nullptr;
      return c;
    }
    GetMenuManager().Initialise(&GetVideoMenuRenderer(), kWidth, kHeight);
    c.font = GetVideoMenuRenderer().LoadFont("Fonts/menu.f");
    if (!c.font) c.error = "no menu font";
    return c;
  }();
  return ctx;
}

// Words of 1 to 12 letters, single and double blanks: 16 KB.
std::string Text() {
  std::mt19937 random(3);
  std::string text;
  while (text.size() < 16 * 1024) {
    for (unsigned n = 1 + random() % 12; n > 0; --n) text += char('a' + random() % 26);
    text += random() % 8 == 0 ? "  " : " ";
  }
  return text;
}

void BM_WordWrap16K(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.font) return state.SkipWithError(c.error.c_str());
  const std::string text = Text();
  size_t lines = 0;
  for (auto _ : state) {
    std::vector<LineRange> wrapped = WrapText(GetVideoMenuRenderer(), c.font, text, 350);
    lines = wrapped.size();
    benchmark::DoNotOptimize(wrapped.data());
  }
  state.counters["lines"] = double(lines);
}
BENCHMARK(BM_WordWrap16K)->Unit(benchmark::kMicrosecond);

void BM_GlyphWidthPass16K(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.font) return state.SkipWithError(c.error.c_str());
  const std::string text = Text();
  MenuRenderer& renderer = GetVideoMenuRenderer();
  for (auto _ : state) {
    long sum = 0;
    for (size_t i = 0; i < text.size(); ++i) sum += renderer.GetTextWidth(c.font, &text[i], 1);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_GlyphWidthPass16K)->Unit(benchmark::kMicrosecond);

// The menu: a background and 50 buttons in two columns.
Ref<Menu::BaseMenu> MakeMenu() {
  auto menu = Ref<Menu::BaseMenu>::Adopt(Menu::BaseMenu::Create(&GetMenuManager()));
  menu->OnResize(kWidth, kHeight);
  for (int i = 0; i < kWidgets; ++i)
    menu->AddWidget(WidgetType_Button, i, "Button " + std::to_string(i), 20 + 320 * (i % 2),
                    10 + 18 * (i / 2), 200, 16);
  return menu;
}

void BM_MenuDraw50Widgets(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.font) return state.SkipWithError(c.error.c_str());
  Ref<Menu::BaseMenu> menu = MakeMenu();
  for (auto _ : state) {
    c.video->Clear(true, false, false);
    menu->Draw();
    kgl::Finish();
  }
}
BENCHMARK(BM_MenuDraw50Widgets)->Unit(benchmark::kMicrosecond);

void BM_DirectDraw50Widgets(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.font) return state.SkipWithError(c.error.c_str());
  auto* font = reinterpret_cast<FontResource*>(c.font);
  std::vector<std::string> labels;
  for (int i = 0; i < kWidgets; ++i) labels.push_back("Button " + std::to_string(i));
  VideoManager& vm = *c.video;
  for (auto _ : state) {
    vm.Clear(true, false, false);
    vm.BeginQuads();
    vm.AddQuad(0.0f, 0.0f, float(kWidth), float(kHeight), 0.25f, 0.25f, 0.25f, 0.5f, 0.0f, 0.0f,
               1.0f, 1.0f);
    vm.EndQuads();
    for (int i = 0; i < kWidgets; ++i) {
      const float grey = i == 0 ? 1.0f : 0.5f;
      vm.BeginFont(font);
      vm.AddText(labels[size_t(i)], float(20 + 320 * (i % 2)), float(10 + 18 * (i / 2)), grey, grey,
                 grey, 1.0f);
      vm.EndFont();
    }
    kgl::Finish();
  }
}
BENCHMARK(BM_DirectDraw50Widgets)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
