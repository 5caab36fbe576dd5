// shadows.cpp - what point-light shadows cost a frame at 1024x768: a floor
// with 48 crates standing on it, drawn with the base package's default.fx,
// lit by 1, 2 or 4 point lights. The baseline is the same scene with
// EnableShadowMaps 0, measured in the same run; "still" keeps the scene as it
// is (the maps are drawn once and then only read), "moving" moves every light
// a little each frame (every face of every map is drawn again every frame). The cost per
// shadow-casting light is (shadowed - baseline) / lights. Every frame ends
// with glFinish; a few frames go first (llvmpipe compiles on first use).
// Needs an OpenGL 3.3 context: run with SDL_VIDEODRIVER=offscreen.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchGL.h"
#include "ObjMesh.h"
#include "console/CVarRegistry.h"
#include "render/DeviceVideoManager.h"
#include "render/Renderer.h"
#include "render/gl/GLFunctions.h"
#include "render/gpu/VideoManager.h"
#include "render/world/StaticMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier1/CameraObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kCrates = 48;
constexpr int kWarmUpFrames = 5;

const char* kCrateObj = R"(v -0.5 0 -0.5
v 0.5 0 -0.5
v 0.5 1 -0.5
v -0.5 1 -0.5
v -0.5 0 0.5
v 0.5 0 0.5
v 0.5 1 0.5
v -0.5 1 0.5
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 -1
vn 0 0 1
vn 0 -1 0
vn 0 1 0
vn -1 0 0
vn 1 0 0
usemtl crate
f 1/1/1 4/4/1 3/3/1 2/2/1
f 5/1/2 6/2/2 7/3/2 8/4/2
f 1/1/3 2/2/3 6/3/3 5/4/3
f 4/1/4 8/2/4 7/3/4 3/4/4
f 1/1/5 5/2/5 8/3/5 4/4/5
f 2/1/6 3/2/6 7/3/6 6/4/6
)";

const char* kFloorObj = R"(v -20 0 -20
v 20 0 -20
v 20 0 20
v -20 0 20
vt 0 0
vt 8 0
vt 8 8
vt 0 8
vn 0 1 0
usemtl floor
f 1/1/1 4/4/1 3/3/1 2/2/1
)";

struct Scene {
  SDL_Window* window = nullptr;
  DeviceVideoManager* video = nullptr;
  World* world = nullptr;
  CameraObject* camera = nullptr;
  std::vector<LightObject*> lights;
  std::string error;
};

bool WriteMeshFile(const char* obj, const std::filesystem::path& out, std::string* error) {
  obj2mesh::Mesh mesh;
  std::vector<uint8_t> bytes;
  if (!obj2mesh::ReadObj(obj, out.filename().string(), &mesh, error) ||
      !obj2mesh::WriteMesh(mesh, &bytes, error))
    return false;
  std::ofstream(out, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return true;
}

Vector3D LightAt(int i, float phase) {
  const float angle = float(i) * 1.5707963f + phase;
  return Vector3D(6.0f * std::cos(angle), 4.0f, 6.0f * std::sin(angle) + 4.0f);
}

Scene& TheScene() {
  static Scene s = [] {
    Scene c;
    c.window = bench::OpenWindow(kWidth, kHeight, &c.error);
    if (!c.window) return c;
    CVarRegistry::Instance().ResX.Set(kWidth);
    CVarRegistry::Instance().ResY.Set(kHeight);
    VideoManager* vm = CreateVideoManager(c.window);
    if (!vm || vm->SetDisplayMode() != 0) return c.error = "no OpenGL 3.3 video manager", c;
    c.video = static_cast<DeviceVideoManager*>(vm);

    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("kaz_bench_shadows_" + std::to_string(getpid()));
    fs::create_directories(dir);
    if (!WriteMeshFile(kCrateObj, dir / "crate.mesh", &c.error) ||
        !WriteMeshFile(kFloorObj, dir / "floor.mesh", &c.error))
      return c;
    FileSystem::Init("bench_shadows");
    FileSystem::AddToSearchPath(dir.string(), true);
    FileSystem::AddToSearchPath(KAZ_BASE_PACKAGE_DIR, true);

    InstallWorldRenderer();
    c.world = World::Create();
    c.world->InitRenderer(true);
    StaticMeshObjectParams floor;
    floor.fileName = "floor.mesh";
    if (!c.world->CreateObject(floor)) return c.error = "the floor", c;
    for (int i = 0; i < kCrates; ++i) {
      StaticMeshObjectParams p;
      p.fileName = "crate.mesh";
      p.transform = Matrix4x4::MakeTranslation(
          Vector3D(float(i % 8) * 2.0f - 7.0f, 0.0f, float(i / 8) * 2.0f - 1.0f));
      if (!c.world->CreateObject(p)) return c.error = "the crates", c;
    }
    CameraObjectParams cp;
    cp.transform = Matrix4x4::MakeXRotation(0.6f);
    cp.transform.SetTranslation(Vector3D(0.0f, 8.0f, -8.0f));
    c.camera = static_cast<CameraObject*>(c.world->CreateObject(cp));
    return c;
  }();
  return s;
}

// Exactly `count` lights in the world, in their first places.
bool UseLights(Scene& s, int count) {
  for (LightObject* light : s.lights) s.world->RemoveObject(light);
  s.lights.clear();
  for (int i = 0; i < count; ++i) {
    LightObjectParams lp;
    lp.lightType = 1;
    lp.radius = 14.0f;
    lp.colour = Vector3D(0.5f, 0.5f, 0.5f);
    lp.castsShadows = true;
    lp.transform = Matrix4x4::MakeTranslation(LightAt(i, 0.0f));
    auto* light = static_cast<LightObject*>(s.world->CreateObject(lp));
    if (!light) return false;
    s.lights.push_back(light);
  }
  return true;
}

void Frame(Scene& s) {
  s.video->Clear(true, true, false);
  s.world->GetRenderer()->Render(s.camera);
  kgl::Finish();
}

void Run(benchmark::State& state, bool shadows, bool moving) {
  Scene& s = TheScene();
  if (!s.world) return state.SkipWithError(s.error.c_str());
  const int count = int(state.range(0));
  if (!UseLights(s, count)) return state.SkipWithError("the lights");
  CVarRegistry::Instance().EnableShadowMaps.Set(shadows);
  float phase = 0.0f;
  const auto step = [&] {
    if (!moving) return;
    phase += 0.01f;
    for (int i = 0; i < count; ++i)
      s.lights[size_t(i)]->SetWorldTransform(Matrix4x4::MakeTranslation(LightAt(i, phase)));
  };
  for (int i = 0; i < kWarmUpFrames; ++i) step(), Frame(s);
  const ShadowMaps& maps = s.world->GetRenderer()->GetShadowMaps();
  const uint64_t drawn = maps.GetRenderCount(), faces = maps.GetFaceRenderCount();
  for (auto _ : state) step(), Frame(s);
  state.counters["lights"] = double(count);
  state.counters["maps_per_frame"] =
      double(maps.GetRenderCount() - drawn) / double(state.iterations());
  state.counters["faces_per_frame"] =
      double(maps.GetFaceRenderCount() - faces) / double(state.iterations());
}

void BM_NoShadows(benchmark::State& state) {
  Run(state, false, false);
}
void BM_ShadowsStill(benchmark::State& state) {
  Run(state, true, false);
}
void BM_ShadowsMovingLights(benchmark::State& state) {
  Run(state, true, true);
}
BENCHMARK(BM_NoShadows)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShadowsStill)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShadowsMovingLights)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

// The world goes before the process does: its meshes' definitions left alive
// at exit would be reported as leaks (a *_ResMgr.log in the base directory).
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Scene& s = TheScene();
  s.lights.clear();
  if (s.world) s.world->Release();
  s.world = nullptr;
  return 0;
}
