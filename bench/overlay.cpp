// overlay.cpp - 2D overlays and video textures against plain OpenGL (and FFmpeg) doing the
// same work in the same context.
//
// Console text: a full console of text (14 lines of 80 characters in the
// console font) through BeginFont/AddText/EndFont, against a plain loop that
// uploads the very same vertices (captured from the engine's flushes) into a
// buffer and draws them with an equivalent program, texture and blend state.
// Video upload: one 512x512 frame of a clip into a video texture (demux,
// decode, scale, upload), against sws_scale of a ready frame plus
// glTexSubImage2D. Every iteration ends with glFinish, so GPU (here llvmpipe)
// work is inside the measurement on both sides.
// Needs an OpenGL 3.3 context: run with SDL_VIDEODRIVER=offscreen on a
// headless machine, from the bin folder (it reads base/ there). On a busy
// machine LP_NUM_THREADS=0 keeps llvmpipe's work on the calling thread, so
// the CPU column holds all of it and the two sides compare steadily.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../tests/render/ClipWriter.h"
#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "render/device/FontFile.h"
#include "render/DeviceVideoManager.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/Font.h"
#include "render/gpu/VideoManager.h"
#include "render/gpu/VideoTexture.h"
#include "render/overlay/Overlay2D.h"
#include "tier0/FileSystem.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 640, kHeight = 480, kLines = 14, kColumns = 80;

struct Context {
  SDL_Window* window = nullptr;
  DeviceVideoManager* video = nullptr;
  fs::path scratch;
  std::string error;
};

Context& Ctx() {
  static Context ctx = [] {
    Context c;
    c.window = bench::OpenWindow(kWidth, kHeight, &c.error);
    if (!c.window) return c;
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    c.scratch = fs::temp_directory_path() / ("kaz_bench_overlay_" + std::to_string(getpid()));
    fs::create_directories(c.scratch);
    FileSystem::Init("bench_overlay");
    FileSystem::AddToSearchPath(c.scratch.string(), true);
    FileSystem::AddToSearchPath((bin / "base").string(), true);
    CVarRegistry::Instance().ResX.Set(kWidth);
    CVarRegistry::Instance().ResY.Set(kHeight);
    c.video = static_cast<DeviceVideoManager*>(CreateVideoManager(c.window));
    if (!c.video || c.video->SetDisplayMode() != 0) {
      c.error = "no OpenGL 3.3 video manager";
      c.video = nullptr;
    }
    return c;
  }();
  return ctx;
}

std::vector<std::string> ConsoleLines() {
  std::vector<std::string> lines;
  for (int i = 0; i < kLines; ++i) {
    std::string s;
    while (s.size() < size_t(kColumns))
      s += "Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog. ";
    lines.push_back(s.substr(0, kColumns));
  }
  return lines;
}

void DrawConsole(VideoManager& vm, FontResource* font, const std::vector<std::string>& lines) {
  vm.BeginFont(font);
  for (size_t i = 0; i < lines.size(); ++i)
    vm.AddText(lines[i], 5.0f, 5.0f + 17.0f * float(i), 1.0f, 1.0f, 1.0f, 1.0f);
  vm.EndFont();
}

void BM_ConsoleTextEngine(benchmark::State& state) {
  Context& c = Ctx();
  FontResource* font = c.video ? GetFontResource("Fonts/console.f") : nullptr;
  if (!font) {
    state.SkipWithError(c.video ? "no console font" : c.error.c_str());
    return;
  }
  const std::vector<std::string> lines = ConsoleLines();
  for (auto _ : state) {
    c.video->Clear(true, false, false);
    DrawConsole(*c.video, font, lines);
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kLines * kColumns);
  font->Release();
}
BENCHMARK(BM_ConsoleTextEngine)->Unit(benchmark::kMicrosecond);

const char* kTextVS = R"(#version 330 core
layout(location = 0) in vec4 in_Position;
layout(location = 4) in vec4 in_Color0;
layout(location = 8) in vec4 in_TexCoord0;
uniform mat4 Proj2D;
out vec4 colour;
out vec2 uv;
void main() {
  gl_Position = Proj2D * vec4(in_Position.xyz, 1.0);
  colour = in_Color0;
  uv = in_TexCoord0.xy;
}
)";
const char* kTextFS = R"(#version 330 core
in vec4 colour;
in vec2 uv;
uniform sampler2D FontSampler;
layout(location = 0) out vec4 FragColor;
void main() { FragColor = vec4(colour.rgb, colour.a * texture(FontSampler, uv).a); }
)";

void BM_ConsoleTextPlainGL(benchmark::State& state) {
  Context& c = Ctx();
  FontResource* font = c.video ? GetFontResource("Fonts/console.f") : nullptr;
  std::ifstream in(fs::read_symlink("/proc/self/exe").parent_path() / "base/Fonts/console.f",
                   std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  FontFileData data;
  std::string reason;
  if (!font || !ParseFontFile(file.data(), file.size(), &data, &reason)) {
    state.SkipWithError(c.video ? "no console font" : c.error.c_str());
    return;
  }
  // The engine's own vertices, flush by flush.
  std::vector<std::vector<Vertex2D>> batches;
  c.video->Get2D().SetFlushObserver(
      [&](const Vertex2D* v, uint32_t n) { batches.emplace_back(v, v + n); });
  DrawConsole(*c.video, font, ConsoleLines());
  c.video->Get2D().SetFlushObserver(nullptr);
  font->Release();

  GLint savedVao = 0, savedProgram = 0;
  kgl::GetIntegerv(GL_VERTEX_ARRAY_BINDING, &savedVao);
  kgl::GetIntegerv(GL_CURRENT_PROGRAM, &savedProgram);
  GLuint prog = bench::LinkProgram(kTextVS, kTextFS);
  kgl::UseProgram(prog);
  Matrix4x4 proj = VideoManager::Make2DProjection(kWidth, kHeight);
  kgl::UniformMatrix4fv(kgl::GetUniformLocation(prog, "Proj2D"), 1, GL_TRUE, proj.m);
  kgl::Uniform1i(kgl::GetUniformLocation(prog, "FontSampler"), 20);
  std::vector<uint8_t> texels(data.coverage.size() * 4);
  for (size_t i = 0; i < data.coverage.size(); ++i)
    for (int k = 0; k < 4; ++k) texels[i * 4 + size_t(k)] = data.coverage[i];
  GLuint tex = 0, vao = 0, vbo = 0;
  kgl::GenTextures(1, &tex);
  kgl::ActiveTexture(GL_TEXTURE0 + 20);
  kgl::BindTexture(GL_TEXTURE_2D, tex);
  kgl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(data.edge), GLsizei(data.edge), 0, GL_BGRA,
                  GL_UNSIGNED_BYTE, texels.data());
  kgl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  kgl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  kgl::GenVertexArrays(1, &vao);
  kgl::BindVertexArray(vao);
  kgl::GenBuffers(1, &vbo);
  kgl::BindBuffer(GL_ARRAY_BUFFER, vbo);
  kgl::BufferData(GL_ARRAY_BUFFER, k2DVertexCount * sizeof(Vertex2D), nullptr, GL_STREAM_DRAW);
  kgl::VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
  kgl::VertexAttribPointer(4, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 24, reinterpret_cast<void*>(12));
  kgl::VertexAttribPointer(8, 2, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<void*>(16));
  for (GLuint a : {0u, 4u, 8u}) kgl::EnableVertexAttribArray(a);
  kgl::Enable(GL_BLEND);
  kgl::BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA,
                         GL_ONE_MINUS_SRC_ALPHA);
  // What the Font technique's pass sets (no depth test, no culling).
  kgl::Disable(GL_DEPTH_TEST);
  GLint savedCull = 0;
  kgl::GetIntegerv(GL_CULL_FACE, &savedCull);
  kgl::Disable(GL_CULL_FACE);
  for (auto _ : state) {
    c.video->Clear(true, false, false);
    for (const std::vector<Vertex2D>& b : batches) {
      kgl::BufferData(GL_ARRAY_BUFFER, k2DVertexCount * sizeof(Vertex2D), nullptr, GL_STREAM_DRAW);
      kgl::BufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(b.size() * sizeof(Vertex2D)), b.data());
      kgl::DrawArrays(GL_TRIANGLES, 0, GLsizei(b.size()));
    }
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kLines * kColumns);
  // The device's state cache expects GL as it left it.
  kgl::Disable(GL_BLEND);
  if (savedCull) kgl::Enable(GL_CULL_FACE);
  kgl::BindVertexArray(GLuint(savedVao));
  kgl::UseProgram(GLuint(savedProgram));
  kgl::DeleteBuffers(1, &vbo);
  kgl::DeleteVertexArrays(1, &vao);
  kgl::DeleteTextures(1, &tex);
  kgl::DeleteProgram(prog);
}
BENCHMARK(BM_ConsoleTextPlainGL)->Unit(benchmark::kMicrosecond);

constexpr int kClipSize = 512;

uint32_t ClipPixel(int frame, int x, int y) {
  return uint32_t((x * 3 + frame) & 0xFF) << 16 | uint32_t((y * 5) & 0xFF) << 8 |
         uint32_t((x ^ y) & 0xFF);
}

uint64_t g_clock = 0;
uint64_t BenchClock() {
  return g_clock;
}

// Argument: the clip's frame rate. At 25 every use decodes a new frame; at 1
// a decoded frame is scaled and uploaded again 25 times, which is the work
// the plain baseline does.
void BM_VideoUploadEngine(benchmark::State& state) {
  Context& c = Ctx();
  const int fps = int(state.range(0));
  const std::string name = "bench" + std::to_string(fps) + ".avi";
  if (!c.video || !cliptest::WriteClip((c.scratch / name).string(), kClipSize, kClipSize, fps,
                                       fps == 1 ? 4 : 50, ClipPixel)) {
    state.SkipWithError(c.video ? "cannot write the clip" : c.error.c_str());
    return;
  }
  SetVideoTextureClock(BenchClock);
  auto* video = static_cast<VideoTexture*>(LoadVideoTexture(name.c_str()));
  if (!video) {
    state.SkipWithError("no video texture");
    return;
  }
  for (auto _ : state) {
    g_clock += kVideoFrameIntervalMs;  // one upload per use
    video->GetDeviceTexture();
    kgl::Finish();
  }
  state.SetItemsProcessed(int64_t(video->GetUploadCount()));
  video->Release();
  SetVideoTextureClock(nullptr);
  fs::remove(c.scratch / name);
}
BENCHMARK(BM_VideoUploadEngine)->Arg(1)->Arg(25)->Unit(benchmark::kMicrosecond);

void BM_VideoUploadPlain(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.video) {
    state.SkipWithError(c.error.c_str());
    return;
  }
  // A decoded frame as the clip holds it (BGR24), scaled to BGRA and uploaded.
  std::vector<uint8_t> frame(size_t(kClipSize) * kClipSize * 3),
      bgra(size_t(kClipSize) * kClipSize * 4);
  for (int y = 0; y < kClipSize; ++y)
    for (int x = 0; x < kClipSize; ++x) {
      uint32_t p = ClipPixel(0, x, y);
      uint8_t* d = &frame[(size_t(y) * kClipSize + size_t(x)) * 3];
      d[0] = uint8_t(p), d[1] = uint8_t(p >> 8), d[2] = uint8_t(p >> 16);
    }
  SwsContext* sws = sws_getContext(kClipSize, kClipSize, AV_PIX_FMT_BGR24, kClipSize, kClipSize,
                                   AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
  GLuint tex = 0;
  kgl::GenTextures(1, &tex);
  kgl::ActiveTexture(GL_TEXTURE0 + 20);
  kgl::BindTexture(GL_TEXTURE_2D, tex);
  kgl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kClipSize, kClipSize, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                  nullptr);
  const uint8_t* src[4] = {frame.data(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {kClipSize * 3, 0, 0, 0};
  uint8_t* dst[4] = {bgra.data(), nullptr, nullptr, nullptr};
  const int dstStride[4] = {kClipSize * 4, 0, 0, 0};
  for (auto _ : state) {
    sws_scale(sws, src, srcStride, 0, kClipSize, dst, dstStride);
    kgl::TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kClipSize, kClipSize, GL_BGRA, GL_UNSIGNED_BYTE,
                       bgra.data());
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations());
  sws_freeContext(sws);
  kgl::DeleteTextures(1, &tex);
}
BENCHMARK(BM_VideoUploadPlain)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
