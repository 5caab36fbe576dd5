// Skinned figures animated and drawn through the engine against Cal3D and
// plain OpenGL doing the same work.
//
// 50 generated figures of 30 bones (two hardware sub-meshes each) advance
// three frames and are drawn by the world renderer (bone palettes, the
// skinned variant of default.fx), against 50 bare Cal3D models given the
// same update and drawn with plain GL: the same vertex and 16-bit index data
// in buffers of its own, an equivalent skinning program, one draw per
// hardware sub-mesh. Every iteration ends with glFinish.
// Needs an OpenGL 3.3 context: run with SDL_VIDEODRIVER=offscreen from the
// bin folder (it reads base/ there); LP_NUM_THREADS=0 keeps llvmpipe's work
// in the CPU column.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <cal3d/cal3d.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "render/DeviceVideoManager.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/VideoManager.h"
#include "render/Renderer.h"
#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier1/CameraObject.h"
#include "tier1/World.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFigures = 50;
constexpr float kFrame = 0.016f;
constexpr int kWidth = 640, kHeight = 480;

struct Context {
  SDL_Window* window = nullptr;
  VideoManager* video = nullptr;
  World* world = nullptr;
  CameraObject* camera = nullptr;
  std::vector<DynamicMeshObject*> figures;
  std::string error;
};

Matrix4x4 Place(int i) {
  return Matrix4x4::MakeTranslation(Vector3D(float(i % 10) - 4.5f, float(i / 10) - 6.0f, 14.0f));
}

Context& Ctx() {
  static Context ctx = [] {
    Context c;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    FileSystem::Init("bench_dynmesh");
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    FileSystem::AddToSearchPath((bin / "base").string(), true);
    const fs::path figures = fs::temp_directory_path() / "kaz-bench-dynmesh";
    const std::string command = std::string("python3 '") + KAZ_CHARACTER_TOOL +
                                "' --bones 30 --sides 8 --anims walk '" + figures.string() +
                                "' fig";
    if (std::system(command.c_str()) != 0) {
      c.error = "the character generator failed";
      return c;
    }
    FileSystem::AddToSearchPath(figures.string(), false);
    c.window = bench::OpenWindow(kWidth, kHeight, nullptr);
    CVarRegistry::Instance().ResX.Set(kWidth);
    CVarRegistry::Instance().ResY.Set(kHeight);
    // Glow blurs the whole screen and the shadow cube is a texture of its
    // own: costs of the world renderer, not of skinning.
    CVarRegistry::Instance().GlowEnable.Set(false);
    CVarRegistry::Instance().EnableShadowMaps.Set(false);
    if (c.window) c.video = CreateVideoManager(c.window);
    if (c.video && c.video->SetDisplayMode() != 0) c.video = nullptr;
    if (!c.video) {
      c.error = "no OpenGL 3.3 video manager";
      return c;
    }
    InstallWorldRenderer();
    c.world = World::Create();
    c.world->InitRenderer(true);
    CameraObjectParams cp;
    c.camera = static_cast<CameraObject*>(c.world->CreateObject(cp));
    for (int i = 0; i < kFigures; ++i) {
      DynamicMeshObjectParams p;
      p.fileName = "fig.xml";
      p.defaultCycle = "walk";
      p.transform = Place(i);
      auto* o = static_cast<DynamicMeshObject*>(c.world->CreateObject(p));
      if (!o) {
        c.error = "no figure";
        c.figures.clear();
        return c;
      }
      c.figures.push_back(o);
    }
    return c;
  }();
  return ctx;
}

void BM_SkinnedEngine(benchmark::State& state) {
  Context& c = Ctx();
  if (c.figures.empty()) return state.SkipWithError(c.error.c_str());
  for (auto _ : state) {
    for (int frame = 0; frame < 3; ++frame)
      for (DynamicMeshObject* o : c.figures) o->Update(kFrame);
    c.video->Clear(true, true, false);
    c.world->GetRenderer()->Render(c.camera);
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kFigures);
  c.video->ReleaseBindings();
}
BENCHMARK(BM_SkinnedEngine)->Unit(benchmark::kMillisecond);

const char* kSkinVS = R"(#version 330 core
layout(location = 0) in vec4 in_Position;
layout(location = 1) in vec4 in_BlendWeight;
layout(location = 2) in vec4 in_BlendIndices;
layout(location = 8) in vec4 in_TexCoord0;
uniform mat4 WorldViewProj;
uniform mat4 Bones[20];
out vec2 uv;
void main() {
  ivec4 index = ivec4(in_BlendIndices * 255.0 + 0.5);
  vec4 position = vec4(0.0);
  for (int i = 0; i < 4; ++i)
    position += in_BlendWeight[i] * (Bones[clamp(index[i], 0, 19)] * vec4(in_Position.xyz, 1.0));
  uv = in_TexCoord0.xy;
  gl_Position = WorldViewProj * vec4(position.xyz, 1.0);
  // The engine's clip-space conventions, so both draw the same faces and depths.
  gl_Position.y = -gl_Position.y;
  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
}
)";
const char* kSkinFS = R"(#version 330 core
in vec2 uv;
uniform sampler2D DiffuseSampler;
layout(location = 0) out vec4 FragColor;
void main() {
  vec4 base = texture(DiffuseSampler, uv);
  FragColor = vec4(base.rgb * 0.25, base.a);
}
)";

// Bare Cal3D models of the same core model, with plain GL drawing the same
// hardware meshes from buffers of its own.
void BM_SkinnedPlainGL(benchmark::State& state) {
  Context& c = Ctx();
  if (c.figures.empty()) return state.SkipWithError(c.error.c_str());
  DynamicMeshDef* def = c.figures[0]->GetDefinition();
  CalHardwareModel* hardware = def->GetHardwareModel();
  std::vector<std::unique_ptr<CalModel>> models;
  for (int i = 0; i < kFigures; ++i) {
    auto& m = models.emplace_back(std::make_unique<CalModel>(def->GetCoreModel()));
    for (const auto& [name, piece] : def->GetPieces()) m->attachMesh(piece.meshId);
    m->update(0.1f);
    m->getMixer()->blendCycle(def->GetAnimations().at("walk"), 0.5f, 15.0f);
  }
  GLint savedVao = 0, savedProgram = 0;
  kgl::GetIntegerv(GL_VERTEX_ARRAY_BINDING, &savedVao);
  kgl::GetIntegerv(GL_CURRENT_PROGRAM, &savedProgram);
  GLuint prog = bench::LinkProgram(kSkinVS, kSkinFS), vao = 0, buffers[2] = {};
  kgl::UseProgram(prog);
  const GLint wvpAt = kgl::GetUniformLocation(prog, "WorldViewProj");
  const GLint bonesAt = kgl::GetUniformLocation(prog, "Bones");
  kgl::Uniform1i(kgl::GetUniformLocation(prog, "DiffuseSampler"), 20);
  kgl::GenVertexArrays(1, &vao);
  kgl::BindVertexArray(vao);
  kgl::GenBuffers(2, buffers);
  VertexBuffer* vb = def->GetVertexBuffer();
  IndexBuffer* ib = def->GetIndexBuffer();
  kgl::BindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  kgl::BufferData(GL_ARRAY_BUFFER, GLsizeiptr(vb->GetVertexCount() * kDynamicVertexSize),
                  vb->Lock(0, 0), GL_STATIC_DRAW);
  vb->Unlock();
  kgl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
  kgl::BufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(ib->GetIndexCount() * 2), ib->Lock(0, 0),
                  GL_STATIC_DRAW);
  ib->Unlock();
  kgl::VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kDynamicVertexSize, nullptr);
  kgl::VertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, kDynamicVertexSize,
                           reinterpret_cast<void*>(44));
  kgl::VertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, kDynamicVertexSize,
                           reinterpret_cast<void*>(60));
  kgl::VertexAttribPointer(8, 2, GL_FLOAT, GL_FALSE, kDynamicVertexSize,
                           reinterpret_cast<void*>(36));
  for (GLuint a : {0u, 1u, 2u, 8u}) kgl::EnableVertexAttribArray(a);
  kgl::Enable(GL_DEPTH_TEST);
  const Matrix4x4 projection =
      Matrix4x4::MakePerspectiveProjectionFovLH(1.0f, 4.0f / 3.0f, 0.1f, 100.0f);
  float bones[20 * 16];
  for (auto _ : state) {
    for (auto& m : models) m->update(3 * kFrame);
    c.video->Clear(true, true, false);
    for (int i = 0; i < kFigures; ++i) {
      const Matrix4x4 wvp = Matrix4x4::Product(projection, Place(i));
      kgl::UniformMatrix4fv(wvpAt, 1, GL_TRUE, wvp.m);
      for (int h = 0; h < hardware->getHardwareMeshCount(); ++h) {
        hardware->selectHardwareMesh(h);
        const int count = std::min(hardware->getBoneCount(), 20);
        for (int b = 0; b < count; ++b) {
          const CalMatrix r(hardware->getRotationBoneSpace(b, models[i]->getSkeleton()));
          const CalVector& t = hardware->getTranslationBoneSpace(b, models[i]->getSkeleton());
          const float m[16] = {r.dxdx, r.dxdy, r.dxdz, t.x, r.dydx, r.dydy, r.dydz, t.y,
                               r.dzdx, r.dzdy, r.dzdz, t.z, 0,      0,      0,      1};
          std::copy(m, m + 16, bones + b * 16);
        }
        kgl::UniformMatrix4fv(bonesAt, count, GL_TRUE, bones);
        kgl::DrawElementsBaseVertex(
            GL_TRIANGLES, hardware->getFaceCount() * 3, GL_UNSIGNED_SHORT,
            reinterpret_cast<void*>(uintptr_t(hardware->getStartIndex()) * 2),
            hardware->getBaseVertexIndex());
      }
    }
    kgl::Finish();
  }
  state.SetItemsProcessed(state.iterations() * kFigures);
  kgl::BindVertexArray(GLuint(savedVao));
  kgl::UseProgram(GLuint(savedProgram));
  kgl::DeleteBuffers(2, buffers);
  kgl::DeleteVertexArrays(1, &vao);
  kgl::DeleteProgram(prog);
}
BENCHMARK(BM_SkinnedPlainGL)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
