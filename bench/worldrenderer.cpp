// worldrenderer.cpp - the world renderer against plain OpenGL: 500 static mesh instances (cubes
// from the OBJ converter), about half of them outside the view, one light.
// The renderer culls, assigns lights and draws the AmbientEmissive and Lit
// passes; the baseline draws the visible instances of the same geometry in the
// same two passes with the same shader bodies and uniforms (matrices computed
// per frame, as the renderer does), with the passes' depth and blend states.
// Both run warm (a few frames first: llvmpipe compiles on first use) and end
// every iteration with glFinish.
// Needs an OpenGL 3.3 context: run with SDL_VIDEODRIVER=offscreen.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchGL.h"
#include "console/CVarRegistry.h"
#include "ObjMesh.h"
#include "render/DeviceVideoManager.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/VideoManager.h"
#include "render/Renderer.h"
#include "render/world/StaticMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier0/Frustum.h"
#include "tier1/CameraObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

namespace {

constexpr int kInstances = 500;
constexpr int kWarmUpFrames = 10;

const char* kCubeObj = R"(v -0.4 -0.4 -0.4
v 0.4 -0.4 -0.4
v 0.4 0.4 -0.4
v -0.4 0.4 -0.4
v -0.4 -0.4 0.4
v 0.4 -0.4 0.4
v 0.4 0.4 0.4
v -0.4 0.4 0.4
vn 0 0 -1
vn 0 0 1
vn 0 -1 0
vn 0 1 0
vn -1 0 0
vn 1 0 0
usemtl box
f 1//1 4//1 3//1 2//1
f 5//2 6//2 7//2 8//2
f 1//3 2//3 6//3 5//3
f 4//4 8//4 7//4 3//4
f 1//5 5//5 8//5 4//5
f 2//6 3//6 7//6 6//6
)";

const char* kUniforms = R"(
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float3 LightPos : LIGHTPOS;
float3 LightColor : LIGHTCOLOR;
float3 LightParams : LIGHTPARAMS;
)";
const char* kBaseVS = "void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); }";
const char* kAmbientPS = "void main() { FragColor = vec4(0.25, 0.25, 0.25, 1.0); }";
const char* kLitVS =
    "out vec3 toLight; out vec3 normal; void main() { toLight = LightPos - in_Position.xyz; "
    "normal = in_Normal.xyz; gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); }";
const char* kLitPS =
    "in vec3 toLight; in vec3 normal; void main() { float d = length(toLight); float f = "
    "clamp(1.0 - d / max(LightParams.x, 0.0001), 0.0, 1.0); FragColor = vec4(LightColor * "
    "max(dot(normalize(normal), toLight / max(d, 0.0001)), 0.0) * f, 1.0); }";

std::string EffectText() {
  std::string fx = kUniforms;
  fx += std::string("vertexshader BaseVS { ") + kBaseVS + " }\n";
  fx += std::string("pixelshader AmbientPS { ") + kAmbientPS + " }\n";
  fx += std::string("vertexshader LitVS { ") + kLitVS + " }\n";
  fx += std::string("pixelshader LitPS { ") + kLitPS + " }\n";
  fx +=
      "technique AmbientEmissive { pass P0 { VertexShader = BaseVS; PixelShader = AmbientPS; "
      "ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; AlphaBlendEnable = false; } }\n"
      "technique Lit { pass P0 { VertexShader = LitVS; PixelShader = LitPS; ZEnable = true; "
      "ZWriteEnable = false; ZFunc = LessEqual; AlphaBlendEnable = true; SrcBlend = One; "
      "DestBlend = One; } }\n";
  return fx;
}

struct Scene {
  SDL_Window* window = nullptr;
  DeviceVideoManager* video = nullptr;
  World* world = nullptr;
  CameraObject* camera = nullptr;
  LightObject* light = nullptr;
  obj2mesh::Mesh mesh;
  std::string error;
};

Matrix4x4 Place(int i) {
  // Rows of 25 in a 20-deep block; odd rows stand behind the camera.
  const float x = float(i % 25) - 12.0f;
  const int row = i / 25;
  const float z = (row % 2 ? -1.0f : 1.0f) * (4.0f + float(row / 2));
  return Matrix4x4::MakeTranslation(Vector3D(x, 0.0f, z));
}

Scene& TheScene() {
  static Scene s = [] {
    Scene c;
    c.window = bench::OpenWindow(256, 256, &c.error);
    if (!c.window) return c;
    CVarRegistry::Instance().ResX.Set(256);
    CVarRegistry::Instance().ResY.Set(256);
    VideoManager* vm = CreateVideoManager(c.window);
    if (!vm || vm->SetDisplayMode() != 0) return c.error = "no OpenGL 3.3 video manager", c;
    c.video = static_cast<DeviceVideoManager*>(vm);

    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kaz_bench_wr_" + std::to_string(getpid()));
    fs::create_directories(dir / "RenderEffects");
    std::ofstream(dir / "RenderEffects" / "bench.fx") << EffectText();
    std::string error;
    std::vector<uint8_t> bytes;
    if (!obj2mesh::ReadObj(kCubeObj, "cube.obj", &c.mesh, &error) ||
        !obj2mesh::WriteMesh(c.mesh, &bytes, &error))
      return c.error = error, c;
    std::ofstream(dir / "cube.mesh", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    FileSystem::Init("bench_worldrenderer");
    FileSystem::AddToSearchPath(dir.string(), true);

    InstallWorldRenderer();
    c.world = World::Create();
    c.world->InitRenderer(true);
    Material* material = CreateMaterial();
    material->SetRenderEffect("RenderEffects/bench.fx");
    for (int i = 0; i < kInstances; ++i) {
      StaticMeshObjectParams p;
      p.fileName = "cube.mesh";
      p.transform = Place(i);
      p.defaultMaterial = material;
      if (!c.world->CreateObject(p)) return c.error = "mesh objects", c;
    }
    material->Release();
    LightObjectParams lp;
    lp.lightType = 1;
    lp.radius = 30.0f;
    lp.transform = Matrix4x4::MakeTranslation(Vector3D(0, 5, 8));
    c.light = static_cast<LightObject*>(c.world->CreateObject(lp));
    CameraObjectParams cp;
    cp.transform = Matrix4x4::MakeTranslation(Vector3D(0, 3, 0));
    c.camera = static_cast<CameraObject*>(c.world->CreateObject(cp));
    return c;
  }();
  return s;
}

void EngineFrame(Scene& s) {
  s.video->Clear(true, true, false);
  s.world->GetRenderer()->Render(s.camera);
  kgl::Finish();
}

void BM_WorldRenderer(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.world) return state.SkipWithError(s.error.c_str());
  for (int i = 0; i < kWarmUpFrames; ++i) EngineFrame(s);
  for (auto _ : state) EngineFrame(s);
  state.counters["drawn"] = double(s.world->GetRenderer()->GetStats().staticMeshes);
  state.SetItemsProcessed(state.iterations() * kInstances);
}
BENCHMARK(BM_WorldRenderer)->Unit(benchmark::kMillisecond);

GLuint Program(const char* vsBody, const char* psBody) {
  const std::string head =
      "#version 330 core\nuniform mat4 WorldViewProj;\nuniform vec3 "
      "LightPos;\nuniform vec3 LightColor;\nuniform vec3 LightParams;\n";
  const std::string vs = head +
                         "layout(location = 0) in vec4 in_Position;\nlayout(location = 3) "
                         "in vec4 in_Normal;\n" +
                         vsBody;
  const std::string ps = head + "layout(location = 0) out vec4 FragColor;\n" + psBody;
  return bench::LinkProgram(vs.c_str(), ps.c_str());
}

void BM_PlainGLVisible(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.world) return state.SkipWithError(s.error.c_str());
  // The instances the renderer finds visible, found once.
  const Matrix4x4 view = s.camera->GetViewMatrix();
  const Matrix4x4 proj =
      s.camera->GetProjectionMatrix(1.0f, s.world->GetNearZ(), s.world->GetFarZ());
  const Matrix4x4 viewProj = Matrix4x4::Product(proj, view);
  const Frustum frustum(viewProj);
  std::vector<WorldObject*> visible;
  for (WorldObject* o = s.world->GetFirstObject(ObjectType_StaticMesh); o; o = o->GetNext())
    if (frustum.IntersectsBox(o->GetBoundingBox())) visible.push_back(o);

  GLint savedVao = 0, savedProgram = 0;
  kgl::GetIntegerv(GL_VERTEX_ARRAY_BINDING, &savedVao);
  kgl::GetIntegerv(GL_CURRENT_PROGRAM, &savedProgram);
  const GLuint ambient = Program(kBaseVS, kAmbientPS);
  const GLuint lit = Program(kLitVS, kLitPS);
  GLuint vao = 0, buffers[2] = {};
  kgl::GenVertexArrays(1, &vao);
  kgl::BindVertexArray(vao);
  kgl::GenBuffers(2, buffers);
  kgl::BindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  kgl::BufferData(GL_ARRAY_BUFFER, GLsizeiptr(s.mesh.vertices.size() * sizeof(obj2mesh::Vertex)),
                  s.mesh.vertices.data(), GL_STATIC_DRAW);
  std::vector<uint16_t> indices(s.mesh.groups[0].indices.begin(), s.mesh.groups[0].indices.end());
  kgl::BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
  kgl::BufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(),
                  GL_STATIC_DRAW);
  kgl::VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, nullptr);
  kgl::VertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(12));
  kgl::EnableVertexAttribArray(0);
  kgl::EnableVertexAttribArray(3);
  const GLint ambientWvp = kgl::GetUniformLocation(ambient, "WorldViewProj");
  const GLint litWvp = kgl::GetUniformLocation(lit, "WorldViewProj");
  const GLint litPos = kgl::GetUniformLocation(lit, "LightPos");
  const GLint litColor = kgl::GetUniformLocation(lit, "LightColor");
  const GLint litParams = kgl::GetUniformLocation(lit, "LightParams");
  const GLsizei count = GLsizei(indices.size());
  const Vector3D lightAt = s.light->GetWorldTransform().GetTranslation();
  const Vector3D& colour = s.light->GetColour();

  auto frame = [&] {
    s.video->Clear(true, true, false);
    kgl::Enable(GL_DEPTH_TEST);
    kgl::DepthFunc(GL_LEQUAL);
    kgl::DepthMask(GL_TRUE);
    kgl::Disable(GL_BLEND);
    kgl::UseProgram(ambient);
    for (WorldObject* o : visible) {
      const Matrix4x4 wvp = Matrix4x4::Product(viewProj, o->GetWorldTransform());
      kgl::UniformMatrix4fv(ambientWvp, 1, GL_TRUE, wvp.m);
      kgl::DrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, nullptr);
    }
    kgl::DepthMask(GL_FALSE);
    kgl::Enable(GL_BLEND);
    kgl::BlendFuncSeparate(GL_ONE, GL_ONE, GL_ONE, GL_ONE);
    kgl::UseProgram(lit);
    for (WorldObject* o : visible) {
      const Matrix4x4& world = o->GetWorldTransform();
      const Matrix4x4 wvp = Matrix4x4::Product(viewProj, world);
      const Vector3D local = world.GetFastInverse().TransformVector(lightAt);
      kgl::UniformMatrix4fv(litWvp, 1, GL_TRUE, wvp.m);
      const float pos[3] = {local.x, local.y, local.z}, col[3] = {colour.x, colour.y, colour.z},
                  params[3] = {s.light->GetRadius(), 0, 0};
      kgl::Uniform3fv(litPos, 1, pos);
      kgl::Uniform3fv(litColor, 1, col);
      kgl::Uniform3fv(litParams, 1, params);
      kgl::DrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, nullptr);
    }
    kgl::DepthMask(GL_TRUE);
    kgl::Disable(GL_BLEND);
    kgl::Finish();
  };
  for (int i = 0; i < kWarmUpFrames; ++i) frame();
  for (auto _ : state) frame();
  state.counters["drawn"] = double(visible.size());
  state.SetItemsProcessed(state.iterations() * kInstances);
  // The device's state cache expects GL as it left it.
  kgl::BindVertexArray(GLuint(savedVao));
  kgl::UseProgram(GLuint(savedProgram));
  kgl::DeleteBuffers(2, buffers);
  kgl::DeleteVertexArrays(1, &vao);
  kgl::DeleteProgram(ambient);
  kgl::DeleteProgram(lit);
}
BENCHMARK(BM_PlainGLVisible)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
