// Particle systems and the particle renderer against plain loops and plain
// OpenGL doing the same work.
//
// Simulation: 10 systems of 10,000 live particles stepped one frame (ages,
// positions, spins, both tracks, the box, the draw list), against a plain
// loop over an array of the same particles doing the same arithmetic.
// Drawing: the same 100,000 particles drawn through the particle renderer
// (batches of 16,384, corners from the rotation table), against plain GL
// filling the same vertex and 16-bit index buffers and drawing them with an
// equivalent program. Every drawing iteration ends with glFinish.
// Needs an OpenGL 3.3 context for the drawing pair: run with
// SDL_VIDEODRIVER=offscreen, from the bin folder (it reads base/ there);
// LP_NUM_THREADS=0 keeps llvmpipe's work in the CPU column.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "render/DeviceVideoManager.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/VideoManager.h"
#include "render/world/ParticleRenderer.h"
#include "render/world/ParticleSystemObject.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier1/World.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSystems = 10;
constexpr uint32_t kParticles = 10000;
constexpr float kFrame = 0.016f;
constexpr int kWidth = 640, kHeight = 480;

struct Context {
  SDL_Window* window = nullptr;
  VideoManager* video = nullptr;
  World* world = nullptr;
  Material* material = nullptr;
  std::vector<ParticleSystemObject*> systems;
  std::string error;
};

Context& Ctx() {
  static Context ctx = [] {
    Context c;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    FileSystem::Init("bench_particles");
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    FileSystem::AddToSearchPath((bin / "base").string(), true);
    c.window = bench::OpenWindow(kWidth, kHeight, nullptr);
    CVarRegistry::Instance().ResX.Set(kWidth);
    CVarRegistry::Instance().ResY.Set(kHeight);
    CVarRegistry::Instance().MaxParticlesPerBatch.Set(int(ParticleRenderer::kMaxBatch));
    if (c.window) c.video = CreateVideoManager(c.window);
    if (c.video && c.video->SetDisplayMode() != 0) c.video = nullptr;
    if (!c.video) c.error = "no OpenGL 3.3 video manager";
    // Systems need a material, which needs the effect, which needs the device.
    c.material = c.video ? CreateMaterial() : nullptr;
    if (!c.material || !c.material->SetRenderEffect("RenderEffects/default.fx")) {
      c.error = "no particle material";
      return c;
    }
    InstallParticleSystemType();
    ParticleRandom::Seed(7);
    c.world = World::Create();
    for (int i = 0; i < kSystems; ++i) {
      ParticleSystemObjectParams p;
      p.material = c.material;
      p.transform = Matrix4x4::MakeTranslation(Vector3D(float(i - kSystems / 2), 0, 8));
      p.settings.maxParticles = kParticles;
      p.settings.particlesOnCreate = kParticles;
      p.settings.emissionInterval = 0.0f;
      p.settings.emitterShape = EmitterShape_Sphere;
      p.settings.minLife = p.settings.maxLife = 1e6f;  // all stay alive
      p.settings.minTorque = -90.0f;
      p.settings.maxTorque = 90.0f;
      p.settings.minVelocity = Vector3D(-0.1f, 0.0f, -0.1f);
      p.settings.maxVelocity = Vector3D(0.1f, 0.2f, 0.1f);
      // Small quads: the pair measures filling and drawing, not llvmpipe's fill rate.
      p.settings.radiusTrack.Initialize(0.01f, 0.02f, 1.0f);
      c.systems.push_back(static_cast<ParticleSystemObject*>(c.world->CreateObject(p)));
    }
    return c;
  }();
  return ctx;
}

void BM_SimulateEngine(benchmark::State& state) {
  Context& c = Ctx();
  if (c.systems.empty()) return state.SkipWithError(c.error.c_str());
  for (auto _ : state) {
    for (ParticleSystemObject* s : c.systems) s->Update(kFrame);
  }
  state.SetItemsProcessed(state.iterations() * kSystems * kParticles);
}
BENCHMARK(BM_SimulateEngine)->Unit(benchmark::kMillisecond);

// The same particles, copied into plain arrays, with the tracks' two keys.
void BM_SimulatePlainLoop(benchmark::State& state) {
  Context& c = Ctx();
  if (c.systems.empty()) return state.SkipWithError(c.error.c_str());
  std::vector<std::vector<Particle>> arrays;
  for (ParticleSystemObject* s : c.systems) {
    arrays.emplace_back();
    for (uint32_t i = 0; i < s->GetDrawCount(); ++i) arrays.back().push_back(*s->GetDrawList()[i]);
  }
  std::vector<Particle*> draw;
  draw.reserve(kParticles);
  // The systems' own two-key tracks, read as plain numbers.
  const ParticleSystemSettings& settings = c.systems[0]->GetSettings();
  const float ct0 = settings.colourTrack.GetKeyframeTime(0);
  const float ct1 = settings.colourTrack.GetKeyframeTime(1);
  const Vector4D c0 = settings.colourTrack.GetKeyframeValue(0);
  const Vector4D c1 = settings.colourTrack.GetKeyframeValue(1);
  const float rt0 = settings.radiusTrack.GetKeyframeTime(0);
  const float rt1 = settings.radiusTrack.GetKeyframeTime(1);
  const float r0 = settings.radiusTrack.GetKeyframeValue(0);
  const float r1 = settings.radiusTrack.GetKeyframeValue(1);
  for (auto _ : state) {
    for (std::vector<Particle>& particles : arrays) {
      draw.clear();
      Vector3D lo(INFINITY, INFINITY, INFINITY), hi(-INFINITY, -INFINITY, -INFINITY);
      for (Particle& p : particles) {
        p.age += kFrame;
        if (!(p.age <= p.life)) continue;
        p.position += p.velocity * kFrame;
        p.rotation += p.torque * kFrame;
        const float t = std::min(p.age / p.life, 1.0f);
        const float fc = (t - ct0) / (ct1 - ct0), fr = (t - rt0) / (rt1 - rt0);
        p.colour = c0 * (1.0f - fc) + c1 * fc;
        p.radius = r0 * (1.0f - fr) + r1 * fr;
        const float h = p.radius * 0.5f;
        lo.x = std::min(lo.x, p.position.x - h), hi.x = std::max(hi.x, p.position.x + h);
        lo.y = std::min(lo.y, p.position.y - h), hi.y = std::max(hi.y, p.position.y + h);
        lo.z = std::min(lo.z, p.position.z - h), hi.z = std::max(hi.z, p.position.z + h);
        draw.push_back(&p);
      }
      benchmark::DoNotOptimize(lo);
      benchmark::DoNotOptimize(hi);
    }
  }
  state.SetItemsProcessed(state.iterations() * kSystems * kParticles);
}
BENCHMARK(BM_SimulatePlainLoop)->Unit(benchmark::kMillisecond);

FrameView View() {
  FrameView view;
  view.width = kWidth, view.height = kHeight;
  view.projection = Matrix4x4::MakePerspectiveProjectionFovLH(1.0f, 4.0f / 3.0f, 0.1f, 100.0f);
  view.viewProjection = view.projection;
  return view;
}

void BM_DrawEngine(benchmark::State& state) {
  Context& c = Ctx();
  if (c.systems.empty()) return state.SkipWithError(c.error.c_str());
  ParticleRenderer renderer;
  if (!renderer.Init(c.video)) return state.SkipWithError("no particle renderer");
  const FrameView view = View();
  for (auto _ : state) {
    c.video->Clear(true, true, false);
    for (ParticleSystemObject* s : c.systems) renderer.Queue(s);
    renderer.Render(view);
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kSystems * kParticles);
  c.video->ReleaseBindings();
}
BENCHMARK(BM_DrawEngine)->Unit(benchmark::kMillisecond);

const char* kParticleVS = R"(#version 330 core
layout(location = 0) in vec4 in_Position;
layout(location = 4) in vec4 in_Color0;
layout(location = 8) in vec4 in_TexCoord0;
uniform mat4 WorldViewProj;
out vec4 colour;
out vec2 uv;
void main() {
  gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0);
  colour = in_Color0;
  uv = in_TexCoord0.xy;
}
)";
const char* kParticleFS = R"(#version 330 core
in vec4 colour;
in vec2 uv;
uniform sampler2D DiffuseSampler;
layout(location = 0) out vec4 FragColor;
void main() { FragColor = texture(DiffuseSampler, uv) * colour; }
)";

struct PlainVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};

uint32_t Pack(const Vector4D& c) {
  auto channel = [](float f) { return f > 0.0f ? (f >= 1.0f ? 255u : uint32_t(f * 255.0f)) : 0u; };
  return channel(c.w) << 24 | channel(c.x) << 16 | channel(c.y) << 8 | channel(c.z);
}

// Plain GL: the same vertices and indices written into client arrays and
// uploaded into orphaned buffers batch by batch.
void BM_DrawPlainGL(benchmark::State& state) {
  Context& c = Ctx();
  if (c.systems.empty()) return state.SkipWithError(c.error.c_str());
  constexpr uint32_t kBatch = ParticleRenderer::kMaxBatch;
  GLint savedVao = 0, savedProgram = 0;
  kgl::GetIntegerv(GL_VERTEX_ARRAY_BINDING, &savedVao);
  kgl::GetIntegerv(GL_CURRENT_PROGRAM, &savedProgram);
  GLuint prog = bench::LinkProgram(kParticleVS, kParticleFS), vao = 0, buffers[2] = {};
  kgl::UseProgram(prog);
  const Matrix4x4 wvp = View().viewProjection;
  kgl::UniformMatrix4fv(kgl::GetUniformLocation(prog, "WorldViewProj"), 1, GL_TRUE, wvp.m);
  // The engine's material samples its (unbound) DiffuseMap: one texel here.
  GLuint texture = 0;
  const uint32_t white = 0xFFFFFFFFu;
  kgl::GenTextures(1, &texture);
  kgl::ActiveTexture(GL_TEXTURE0 + 20);
  kgl::BindTexture(GL_TEXTURE_2D, texture);
  kgl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
  kgl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  kgl::Uniform1i(kgl::GetUniformLocation(prog, "DiffuseSampler"), 20);
  kgl::GenVertexArrays(1, &vao);
  kgl::BindVertexArray(vao);
  kgl::GenBuffers(2, buffers);
  kgl::BindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  kgl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
  kgl::VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
  kgl::VertexAttribPointer(4, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 24, reinterpret_cast<void*>(12));
  kgl::VertexAttribPointer(8, 2, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<void*>(16));
  for (GLuint a : {0u, 4u, 8u}) kgl::EnableVertexAttribArray(a);
  kgl::Enable(GL_BLEND);
  kgl::BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_SRC_ALPHA, GL_ONE);
  kgl::Enable(GL_DEPTH_TEST);
  kgl::DepthMask(GL_FALSE);
  GLint savedCull = 0;
  kgl::GetIntegerv(GL_CULL_FACE, &savedCull);
  kgl::Disable(GL_CULL_FACE);
  std::vector<PlainVertex> vertices(kBatch * 4);
  std::vector<uint16_t> indices(kBatch * 6);
  // The same corners: unrotated, and one set per whole degree.
  const Vector3D up(0, 1, 0), right(1, 0, 0), forward(0, 0, 1);
  auto four = [](const Vector3D& u, const Vector3D& r, Vector3D* out) {
    out[0] = (u - r).GetNormalized(), out[1] = (u + r).GetNormalized();
    out[2] = (r - u).GetNormalized(), out[3] = (-u - r).GetNormalized();
  };
  Vector3D corners[4], rotated[360][4];
  four(up, right, corners);
  for (int k = 0; k < 360; ++k) {
    const float a = 0.017452778f * float(k);
    const Vector3D u = (up * std::cos(a) + right * std::sin(a)).GetNormalized();
    four(u, u.Cross(forward), rotated[k]);
  }
  auto draw = [&](uint32_t n) {
    kgl::BufferData(GL_ARRAY_BUFFER, GLsizeiptr(kBatch * 4 * 24), nullptr, GL_STREAM_DRAW);
    kgl::BufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(n * 4 * 24), vertices.data());
    kgl::BufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(kBatch * 6 * 2), nullptr, GL_STREAM_DRAW);
    kgl::BufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(n * 6 * 2), indices.data());
    kgl::DrawElements(GL_TRIANGLES, GLsizei(n * 6), GL_UNSIGNED_SHORT, nullptr);
  };
  for (auto _ : state) {
    c.video->Clear(true, true, false);
    uint32_t n = 0;
    for (ParticleSystemObject* s : c.systems) {
      for (uint32_t i = 0; i < s->GetDrawCount(); ++i) {
        const Particle& p = *s->GetDrawList()[i];
        const uint32_t colour = Pack(p.colour);
        const Vector3D* use = corners;
        if (p.rotation != 0.0f) {
          const int k = int(p.rotation) % 360;
          use = rotated[k < 0 ? k + 360 : k];
        }
        static const float kU[4] = {0, 1, 1, 0}, kV[4] = {0, 0, 1, 1};
        for (int k = 0; k < 4; ++k) {
          const Vector3D at = p.position + use[k] * p.radius;
          vertices[4 * n + k] = {at.x, at.y, at.z, colour, kU[k], kV[k]};
        }
        uint16_t* q = &indices[6 * n];
        const uint16_t base = uint16_t(4 * n);
        q[0] = base, q[1] = base + 1, q[2] = base + 3;
        q[3] = base + 1, q[4] = base + 2, q[5] = base + 3;
        if (++n == kBatch) draw(n), n = 0;
      }
    }
    if (n) draw(n);
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kSystems * kParticles);
  kgl::Disable(GL_BLEND);
  kgl::DepthMask(GL_TRUE);
  if (savedCull) kgl::Enable(GL_CULL_FACE);
  kgl::BindVertexArray(GLuint(savedVao));
  kgl::UseProgram(GLuint(savedProgram));
  kgl::DeleteBuffers(2, buffers);
  kgl::DeleteVertexArrays(1, &vao);
  kgl::DeleteTextures(1, &texture);
  kgl::DeleteProgram(prog);
}
BENCHMARK(BM_DrawPlainGL)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
