// render.cpp - benchmarks of draws and texture uploads against plain OpenGL.
//
// Draw submission and texture upload through the engine's rendering layer,
// each against plain OpenGL doing the same work in the same context.
//
// Draws: thousands of small indexed meshes (a cube of 36 indices), each with
// its own world-view-projection matrix, through RenderEffect, the video
// manager's binding cache and the GL device; the baseline is a bare
// glUniformMatrix4fv + glDrawElements loop with the same shader bodies (without
// the engine's epilogues) and the pass's depth and cull state, so both draw the
// same fragments.
// Uploads: a 256x256 BGRA image into a dynamic texture through Lock/Unlock,
// against glTexSubImage2D. Every iteration ends with glFinish, so GPU (here
// llvmpipe) work is inside the measurement on both sides.
// Needs an OpenGL 3.3 context: run with SDL_VIDEODRIVER=offscreen on a
// headless machine.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "render/DeviceVideoManager.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/GpuBuffers.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VertexFormat.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"

namespace {

constexpr int kDraws = 2000;
constexpr uint32_t kTexSize = 256;

const char* kEffect = R"(
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4 Tint = {1, 0.5, 0.25, 1};
vertexshader VS { void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); } }
pixelshader PS { void main() { FragColor = Tint; } }
technique Draw { pass P0 { VertexShader = VS; PixelShader = PS; ZEnable = false; CullMode = None; } }
)";

const char* kBaselineVS = R"(#version 330 core
layout(location = 0) in vec4 in_Position;
uniform mat4 WorldViewProj;
void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); }
)";
const char* kBaselineFS = R"(#version 330 core
layout(location = 0) out vec4 FragColor;
uniform vec4 Tint;
void main() { FragColor = Tint; }
)";

const float kCube[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                           {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
const uint16_t kCubeIndices[36] = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 4, 5, 0, 5, 1,
                                   3, 2, 6, 3, 6, 7, 0, 3, 7, 0, 7, 4, 1, 5, 6, 1, 6, 2};

// A small cube somewhere on screen, different per draw (engine layout:
// column vectors, translation in column 3).
Matrix4x4 DrawMatrix(int i) {
  Matrix4x4 m;
  float s = 0.02f;
  m.m[0] = m.m[5] = m.m[10] = s;
  m.m[3] = -0.9f + 1.8f * float(i % 50) / 50.0f;
  m.m[7] = -0.9f + 1.8f * float((i / 50) % 40) / 40.0f;
  m.m[11] = 0.5f;
  return m;
}

struct Context {
  SDL_Window* window = nullptr;
  DeviceVideoManager* video = nullptr;
  std::string error;
};

Context& Ctx() {
  static Context ctx = [] {
    Context c;
    c.window = bench::OpenWindow(256, 256, &c.error);
    if (!c.window) return c;
    CVarRegistry::Instance().ResX.Set(256);
    CVarRegistry::Instance().ResY.Set(256);
    VideoManager* vm = CreateVideoManager(c.window);
    if (!vm || vm->SetDisplayMode() != 0) {
      c.error = "no OpenGL 3.3 video manager";
      return c;
    }
    c.video = static_cast<DeviceVideoManager*>(vm);
    // The effect file lives in a scratch folder mounted as a package.
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kaz_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "RenderEffects");
    std::ofstream(dir / "RenderEffects" / "bench.fx") << kEffect;
    FileSystem::Init("bench_render");
    FileSystem::AddToSearchPath(dir.string(), true);
    return c;
  }();
  return ctx;
}

void BM_EngineDraws(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.video) {
    state.SkipWithError(c.error.c_str());
    return;
  }
  RenderEffect* fx = LoadRenderEffect("RenderEffects/bench.fx");
  DeviceVertexFormat* fmt = CreateVertexFormat();
  fmt->AddField(VFT_FLOAT3, VFU_POSITION);
  VertexBuffer* vb = CreateVertexBuffer(12, 8, false);
  IndexBuffer* ib = CreateIndexBuffer(0, 36, false);
  if (!fx || !vb || !ib) {
    state.SkipWithError("engine objects");
    return;
  }
  std::memcpy(vb->Lock(0, 8), kCube, sizeof(kCube));
  vb->Unlock();
  std::memcpy(ib->Lock(0, 36), kCubeIndices, sizeof(kCubeIndices));
  ib->Unlock();
  EffectHandle wvp = fx->GetParameterBySemantic("WORLDVIEWPROJMATRIX");
  fx->SetTechnique(fx->GetTechniqueByName("Draw"));
  std::vector<Matrix4x4> matrices;
  for (int i = 0; i < kDraws; ++i) matrices.push_back(DrawMatrix(i));
  for (auto _ : state) {
    c.video->Clear(true, false, false);
    uint32_t passes = fx->Begin();
    for (uint32_t p = 0; p < passes; ++p) {
      fx->BeginPass(p);
      for (int i = 0; i < kDraws; ++i) {
        fx->SetMatrix(wvp, matrices[size_t(i)]);
        fx->CommitChanges();
        fmt->Activate();
        vb->Activate(0);
        ib->Activate();
        c.video->DrawIndexedPrimitive(PRIM_TRIANGLES, 0, 8, 0, 12);
      }
      fx->EndPass();
    }
    fx->End();
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kDraws);
  c.video->ReleaseBindings();
  fmt->Release();
  vb->Release();
  ib->Release();
  fx->Release();
}
BENCHMARK(BM_EngineDraws)->Unit(benchmark::kMillisecond);

void BM_PlainGLDraws(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.video) {
    state.SkipWithError(c.error.c_str());
    return;
  }
  GLint savedVao = 0, savedProgram = 0, savedDepthTest = 0, savedCull = 0;
  kgl::GetIntegerv(GL_VERTEX_ARRAY_BINDING, &savedVao);
  kgl::GetIntegerv(GL_CURRENT_PROGRAM, &savedProgram);
  kgl::GetIntegerv(GL_DEPTH_TEST, &savedDepthTest);
  kgl::GetIntegerv(GL_CULL_FACE, &savedCull);
  GLuint prog = bench::LinkProgram(kBaselineVS, kBaselineFS);
  GLuint vao = 0, buffers[2] = {};
  kgl::GenVertexArrays(1, &vao);
  kgl::BindVertexArray(vao);
  kgl::GenBuffers(2, buffers);
  kgl::BindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  kgl::BufferData(GL_ARRAY_BUFFER, sizeof(kCube), kCube, GL_STATIC_DRAW);
  kgl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
  kgl::BufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(kCubeIndices), kCubeIndices, GL_STATIC_DRAW);
  kgl::VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
  kgl::EnableVertexAttribArray(0);
  kgl::UseProgram(prog);
  GLint wvp = kgl::GetUniformLocation(prog, "WorldViewProj");
  GLint tint = kgl::GetUniformLocation(prog, "Tint");
  const float tintValue[4] = {1, 0.5f, 0.25f, 1};
  kgl::Uniform4fv(tint, 1, tintValue);
  // What the engine's pass sets (ZEnable = false, CullMode = None), once, as the engine does.
  kgl::Disable(GL_DEPTH_TEST);
  kgl::Disable(GL_CULL_FACE);
  std::vector<Matrix4x4> matrices;
  for (int i = 0; i < kDraws; ++i) matrices.push_back(DrawMatrix(i));
  for (auto _ : state) {
    c.video->Clear(true, false, false);
    for (int i = 0; i < kDraws; ++i) {
      kgl::UniformMatrix4fv(wvp, 1, GL_TRUE, matrices[size_t(i)].m);
      kgl::DrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_SHORT, nullptr);
    }
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kDraws);
  kgl::BindVertexArray(GLuint(savedVao));
  kgl::UseProgram(GLuint(savedProgram));
  // The device's state cache expects GL as it left it.
  if (savedDepthTest) kgl::Enable(GL_DEPTH_TEST);
  if (savedCull) kgl::Enable(GL_CULL_FACE);
  kgl::DeleteBuffers(2, buffers);
  kgl::DeleteVertexArrays(1, &vao);
  kgl::DeleteProgram(prog);
}
BENCHMARK(BM_PlainGLDraws)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> UploadImage() {
  std::vector<uint8_t> img(size_t(kTexSize) * kTexSize * 4);
  for (size_t i = 0; i < img.size(); ++i) img[i] = uint8_t(i * 7);
  return img;
}

void BM_EngineTextureUpload(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.video) {
    state.SkipWithError(c.error.c_str());
    return;
  }
  Texture* tex = CreateTexture(kTexSize, kTexSize, TEXTYPE_2D, 2, true, false);
  std::vector<uint8_t> img = UploadImage();
  for (auto _ : state) {
    void* bits = nullptr;
    uint32_t pitch = 0;
    tex->Lock(0, &bits, &pitch, 0);
    for (uint32_t y = 0; y < kTexSize; ++y)
      std::memcpy(static_cast<uint8_t*>(bits) + size_t(y) * pitch, &img[size_t(y) * kTexSize * 4],
                  kTexSize * 4);
    tex->Unlock();
    kgl::Finish();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(img.size()));
  tex->Release();
}
BENCHMARK(BM_EngineTextureUpload);

void BM_PlainGLTextureUpload(benchmark::State& state) {
  Context& c = Ctx();
  if (!c.video) {
    state.SkipWithError(c.error.c_str());
    return;
  }
  GLuint tex = 0;
  kgl::GenTextures(1, &tex);
  kgl::ActiveTexture(GL_TEXTURE0 + 20);
  kgl::BindTexture(GL_TEXTURE_2D, tex);
  kgl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kTexSize, kTexSize, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                  nullptr);
  std::vector<uint8_t> img = UploadImage();
  for (auto _ : state) {
    kgl::TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kTexSize, kTexSize, GL_BGRA, GL_UNSIGNED_BYTE,
                       img.data());
    kgl::Finish();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(img.size()));
  kgl::DeleteTextures(1, &tex);
}
BENCHMARK(BM_PlainGLTextureUpload);

}  // namespace

BENCHMARK_MAIN();
