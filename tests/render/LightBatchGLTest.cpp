// LightBatchGLTest.cpp - the Lit pass on real OpenGL (SDL's offscreen driver
// on Mesa): a wall lit by more lights than one batch holds looks the same
// when its effect takes the lights four at a time as when it takes them one
// at a time, and each light's colour lands where its sphere meets the wall,
// so the scissor rectangles keep every light's share; copies of a wall drawn
// instanced look the same as drawn one by one. Skipped when no GL 3.3
// context can be created.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "MeshFile.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/Texture.h"
#include "render/Renderer.h"
#include "render/world/StaticMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "RenderTestUtil.h"
#include "tier1/CameraObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

using namespace rendertest;
using meshtest::MeshFile;

// Mesa's leak suppressions come with GLDeviceTest.cpp, in the same program.
namespace {

constexpr int kSize = 128;

// One effect, two ways of taking lights: `declarations` says which; with
// ambientLit it also draws the ambient light and the first batch at once.
std::string LightingEffect(const std::string& declarations, bool ambientLit = false) {
  const char* both = R"(
pixelshader AmbientLitPS {
  in vec2 uv;
  in vec3 objPosition;
  in vec3 objNormal;
  void main() { FragColor = vec4(texture(DiffuseSampler, uv).rgb * (AmbientColor.rgb + Light(objPosition, objNormal)), 1.0); }
}
technique AmbientLit { pass P0 { VertexShader = VS; PixelShader = AmbientLitPS; ZFunc = LessEqual; } }
)";
  return declarations + R"(
float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
float4 AmbientColor = {0.25, 0.25, 0.25, 1.0};
texture DiffuseMap;
sampler DiffuseSampler = sampler_state { Texture = <DiffuseMap>; MinFilter = Point; MagFilter = Point; };
vertexshader VS {
  out vec2 uv;
  out vec3 objPosition;
  out vec3 objNormal;
  void main() {
    uv = in_TexCoord0.xy;
    objPosition = in_Position.xyz;
    objNormal = in_Normal.xyz;
    gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0);
  }
}
pixelshader AmbientPS {
  in vec2 uv;
  in vec3 objPosition;
  in vec3 objNormal;
  void main() { FragColor = texture(DiffuseSampler, uv) * AmbientColor; }
}
glsl Sum {
  vec3 Light(vec3 objPosition, vec3 objNormal) {
    vec3 light = vec3(0.0);
    for (int i = 0; i < Count(); ++i) {
      vec3 toLight = At(i) - objPosition;
      float dist = length(toLight);
      float falloff = clamp(1.0 - dist / max(Range(i), 0.0001), 0.0, 1.0);
      light += Colour(i) * max(dot(normalize(objNormal), toLight / max(dist, 0.0001)), 0.0) * falloff;
    }
    return light;
  }
}
pixelshader LitPS {
  in vec2 uv;
  in vec3 objPosition;
  in vec3 objNormal;
  void main() { FragColor = vec4(texture(DiffuseSampler, uv).rgb * Light(objPosition, objNormal), 1.0); }
}
technique AmbientEmissive { pass P0 { VertexShader = VS; PixelShader = AmbientPS; ZFunc = LessEqual; } }
technique Lit {
  pass P0 {
    VertexShader = VS; PixelShader = LitPS; ZWriteEnable = false; ZFunc = LessEqual;
    AlphaBlendEnable = true; SrcBlend = One; DestBlend = One;
  }
}
)" + std::string(ambientLit ? both : "");
}

const char kBatched[] = R"(
float3 LightPos[4] : LIGHTPOS;
float3 LightColor[4] : LIGHTCOLOR;
float3 LightParams[4] : LIGHTPARAMS;
int LightCount : LIGHTCOUNT;
glsl Lights {
  int Count() { return LightCount; }
  vec3 At(int i) { return LightPos[i]; }
  vec3 Colour(int i) { return LightColor[i]; }
  float Range(int i) { return LightParams[i].x; }
}
)";

const char kOneByOne[] = R"(
float3 LightPos : LIGHTPOS;
float3 LightColor : LIGHTCOLOR;
float3 LightParams : LIGHTPARAMS;
glsl Lights {
  int Count() { return 1; }
  vec3 At(int i) { return LightPos; }
  vec3 Colour(int i) { return LightColor; }
  float Range(int i) { return LightParams.x; }
}
)";

// Six lights half a unit in front of the wall, each a primary colour, their
// spheres meeting the wall in discs that do not overlap.
struct SpotLight {
  float x, y;
  Vector3D colour;
  float z = 3.5f, range = 0.75f;
};
const SpotLight kLights[6] = {{-1.2f, 0.8f, {1, 0, 0}}, {0.0f, 0.8f, {0, 1, 0}},
                              {1.2f, 0.8f, {0, 0, 1}},  {-1.2f, -0.8f, {0, 0, 1}},
                              {0.0f, -0.8f, {1, 0, 0}}, {1.2f, -0.8f, {0, 1, 0}}};
constexpr float kWallZ = 4.0f;

// Walls (each a copy of one mesh) and the lights on them.
struct Scene {
  const char* mesh = "wall.mesh";
  std::vector<Matrix4x4> walls;
  std::vector<SpotLight> lights;
};
Scene OneWall() {
  return {"wall.mesh",
          {Matrix4x4::MakeTranslation(Vector3D(0, 0, kWallZ))},
          std::vector<SpotLight>(std::begin(kLights), std::end(kLights))};
}

// A large wall, its triangles row by row or scattered, so that every run of
// them spans the wall.
std::string LargeWall(bool scattered) {
  MeshFile wall = MeshFile::Grid(32, 2.0f);
  if (!scattered) return wall.Bytes();
  std::vector<uint16_t>& indices = wall.groups[0].second;
  const std::vector<uint16_t> rows = indices;
  const size_t triangles = rows.size() / 3;
  for (size_t t = 0; t < triangles; ++t)
    std::copy_n(&rows[(t * 37 % triangles) * 3], 3, &indices[t * 3]);
  return wall.Bytes();
}

class LightBatchGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("LP_NUM_THREADS", "0", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "SDL video: " << SDL_GetError();
    m_window = SDL_CreateWindow("kaz light test", 0, 0, kSize, kSize,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!m_window) GTEST_SKIP() << "no GL window: " << SDL_GetError();
    MountTestData();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    m_dir.Write("wall.mesh", MeshFile::Grid(16, 2.0f).Bytes());
    m_dir.Write("tile.mesh", MeshFile::Grid(8, 0.5f).Bytes());
    m_dir.Write("rows.mesh", LargeWall(false));
    m_dir.Write("scattered.mesh", LargeWall(true));
    m_dir.Write("RenderEffects/batched.fx", LightingEffect(kBatched));
    m_dir.Write("RenderEffects/onebyone.fx", LightingEffect(kOneByOne));
    m_dir.Write("RenderEffects/ambientlit.fx", LightingEffect(kBatched, true));
    CVarRegistry& cv = CVarRegistry::Instance();
    cv.ResetBuiltins();
    cv.ResX.Set(kSize);
    cv.ResY.Set(kSize);
    VideoManager* vm = CreateVideoManager(m_window);
    if (!vm) GTEST_SKIP() << "no OpenGL 3.3 context: " << m_log.Dump();
    ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();
    m_vm = static_cast<DeviceVideoManager*>(vm);
    m_white = Ref<Texture>::Adopt(CreateTexture(4, 4, TEXTYPE_2D, TEXFMT_A8R8G8B8, false, false));
    ASSERT_TRUE(m_white);
    uint8_t* bits = nullptr;
    uint32_t pitch = 0;
    ASSERT_TRUE(m_white->Lock(0, reinterpret_cast<void**>(&bits), &pitch, 0));
    for (uint32_t y = 0; y < 4; ++y) std::fill_n(bits + y * pitch, 16, uint8_t(255));
    m_white->Unlock();
  }
  void TearDown() override {
    m_white.Reset();
    if (m_vm) {
      m_vm->Close();
      DestroyVideoManager();
    }
    CVarRegistry::Instance().ResetBuiltins();
    World::SetRendererFactory(nullptr);
    for (uint32_t type : {ObjectType_StaticMesh, ObjectType_DynamicMesh, ObjectType_ParticleSystem})
      World::SetObjectMaker(type, nullptr);
    PinMesaModules();
    if (m_window) SDL_DestroyWindow(m_window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  // The scene's walls with the effect under its lights, as read back (BGRA rows).
  std::vector<uint8_t> Render(const char* effect, const Scene& scene = OneWall()) {
    InstallWorldRenderer();
    World* world = World::Create();
    EXPECT_TRUE(world->InitRenderer(true));
    Ref<Material> material = Ref<Material>::Adopt(CreateMaterial());
    EXPECT_TRUE(material->SetRenderEffect(effect)) << m_log.Dump();
    EXPECT_TRUE(material->SetTexture("DiffuseMap", m_white.Get()));
    for (const Matrix4x4& at : scene.walls) {
      StaticMeshObjectParams wall;
      wall.fileName = scene.mesh;
      wall.transform = at;
      wall.defaultMaterial = material.Get();
      EXPECT_NE(world->CreateObject(wall), nullptr) << m_log.Dump();
    }
    for (const SpotLight& l : scene.lights) {
      LightObjectParams p;
      p.lightType = 1;
      p.transform = Matrix4x4::MakeTranslation(Vector3D(l.x, l.y, l.z));
      p.colour = l.colour;
      p.radius = l.range;
      EXPECT_NE(world->CreateObject(p), nullptr);
    }
    CameraObjectParams cp;
    auto* camera = static_cast<CameraObject*>(world->CreateObject(cp));
    m_vm->SetClearColor(0, 0, 0, 1);
    EXPECT_TRUE(m_vm->BeginScene());
    m_vm->Clear(true, true, false);
    world->GetRenderer()->Render(camera);
    m_vm->EndScene();
    m_drawCalls = world->GetRenderer()->GetStats().drawCalls;
    m_triangles = world->GetRenderer()->GetStats().triangles;
    m_viewProjection =
        Matrix4x4::Product(camera->GetProjectionMatrix(1.0f, world->GetNearZ(), world->GetFarZ()),
                           camera->GetViewMatrix());
    world->Release();

    std::vector<uint8_t> out;
    GSurface* surface = nullptr;
    EXPECT_TRUE(GSucceeded(
        m_vm->GetDevice()->CreateOffscreenPlainSurface(kSize, kSize, FMT_A8R8G8B8, &surface)));
    EXPECT_TRUE(GSucceeded(m_vm->GetDevice()->GetFrontBufferData(surface)));
    GLockedRect locked;
    if (GSucceeded(surface->LockRect(&locked, 0))) {
      const auto* p = static_cast<const uint8_t*>(locked.bits);
      out.assign(p, p + kSize * kSize * 4);
      surface->UnlockRect();
    }
    surface->Release();
    return out;
  }
  // Where a world point lands on the screen, in pixels.
  void Pixel(const Vector3D& at, int* x, int* y) const {
    const Vector4D c = m_viewProjection.TransformVector(Vector4D(at.x, at.y, at.z, 1.0f));
    *x = int((c.x / c.w + 1.0f) * 0.5f * kSize);
    *y = int((1.0f - c.y / c.w) * 0.5f * kSize);
  }

  SDL_Window* m_window = nullptr;
  DeviceVideoManager* m_vm = nullptr;
  Ref<Texture> m_white;
  Matrix4x4 m_viewProjection;
  uint32_t m_drawCalls = 0;  // of the last Render
  uint32_t m_triangles = 0;  // drawn by it
  kaztest::TempDir m_dir{"kaz-light-gl"};
  kaztest::LogCapture m_log;
};

TEST_F(LightBatchGLTest, BatchesOfFourLookLikeOneLightAtATime) {
  const std::vector<uint8_t> batched = Render("RenderEffects/batched.fx");
  const std::vector<uint8_t> single = Render("RenderEffects/onebyone.fx");
  ASSERT_EQ(batched.size(), size_t(kSize * kSize * 4));
  ASSERT_EQ(single.size(), batched.size());
  // Eight-bit rounding once per repetition (two against six) is all that may differ.
  int worst = 0;
  for (size_t i = 0; i < batched.size(); ++i)
    worst = std::max(worst, std::abs(int(batched[i]) - int(single[i])));
  EXPECT_LE(worst, 3);
  // Each light's colour is the strongest where its sphere comes nearest the wall.
  for (const SpotLight& l : kLights) {
    int x = 0, y = 0;
    Pixel(Vector3D(l.x, l.y, kWallZ), &x, &y);
    ASSERT_TRUE(x >= 0 && x < kSize && y >= 0 && y < kSize) << x << "," << y;
    const uint8_t* bgra = &batched[size_t(y * kSize + x) * 4];
    const int channel[3] = {bgra[2], bgra[1], bgra[0]};
    const int lit = l.colour.x > 0 ? 0 : (l.colour.y > 0 ? 1 : 2);
    for (int c = 0; c < 3; ++c) {
      if (c == lit) continue;
      EXPECT_GT(channel[lit], channel[c] + 40) << "light at " << l.x << "," << l.y;
    }
  }
}

// With AmbientLit the wall is drawn once with the ambient light and the first
// four lights and once more for the last two, where the two-pass effect draws
// it three times: the same picture.
TEST_F(LightBatchGLTest, AmbientLitDrawsTheFirstBatchInTheAmbientPassAlike) {
  const std::vector<uint8_t> twoPasses = Render("RenderEffects/batched.fx");
  const uint32_t twoPassDraws = m_drawCalls;
  const std::vector<uint8_t> ambientLit = Render("RenderEffects/ambientlit.fx");
  ASSERT_EQ(twoPasses.size(), size_t(kSize * kSize * 4));
  ASSERT_EQ(ambientLit.size(), twoPasses.size());
  EXPECT_EQ(twoPassDraws, 3u);
  EXPECT_EQ(m_drawCalls, 2u);
  int worst = 0, lit = 0;
  for (size_t i = 0; i < twoPasses.size(); i += 4) {
    for (int c = 0; c < 3; ++c)
      worst = std::max(worst, std::abs(int(twoPasses[i + c]) - int(ambientLit[i + c])));
    lit += ambientLit[i] + ambientLit[i + 1] + ambientLit[i + 2] > 200;
  }
  EXPECT_LE(worst, 2);
  // All six discs are there, the last two from the Lit pass.
  EXPECT_GT(lit, kSize * kSize / 40);
  for (const SpotLight& l : kLights) {
    int x = 0, y = 0;
    Pixel(Vector3D(l.x, l.y, kWallZ), &x, &y);
    const uint8_t* bgra = &ambientLit[size_t(y * kSize + x) * 4];
    EXPECT_GT(bgra[0] + bgra[1] + bgra[2], 200) << "light at " << l.x << "," << l.y;
  }
}

// Six copies of a wall, turned different ways, under a light that reaches
// them all and lights that reach some: default.fx draws them instanced (the
// copies sharing their lights together), and the same effect without
// INSTANCED draws each on its own. Where a wall's edge crosses a pixel the
// two ways may round differently; everywhere else they agree.
TEST_F(LightBatchGLTest, InstancedCopiesLookLikeCopiesDrawnOneByOne) {
  std::ifstream in(kaztest::BasePackageDir() + "/RenderEffects/default.fx");
  std::stringstream text;
  text << in.rdbuf();
  std::string plain = text.str();
  const std::string declared = "bool Instanced : INSTANCED;";
  const size_t at = plain.find(declared);
  ASSERT_NE(at, std::string::npos);
  plain.replace(at, declared.size(), "bool Instanced = false;");
  m_dir.Write("RenderEffects/plain.fx", plain);

  Scene scene;
  scene.mesh = "tile.mesh";
  for (int i = 0; i < 6; ++i) {
    const float x = -1.2f + 1.2f * float(i % 3), y = i < 3 ? 0.6f : -0.6f;
    scene.walls.push_back(
        Matrix4x4::Product(Matrix4x4::MakeTranslation(Vector3D(x, y, kWallZ + 0.2f * float(i % 2))),
                           Matrix4x4::MakeYRotation(0.3f * float(i - 2))));
  }
  scene.lights = {{0.0f, 0.0f, {0.8f, 0.8f, 0.8f}, 2.5f, 2.5f},
                  {-1.2f, 0.6f, {1, 0, 0}, 3.6f, 0.7f},
                  {1.2f, -0.6f, {0, 0, 1}, 3.6f, 0.9f}};
  const std::vector<uint8_t> instanced = Render("RenderEffects/default.fx", scene);
  const uint32_t instancedDraws = m_drawCalls;
  const std::vector<uint8_t> single = Render("RenderEffects/plain.fx", scene);
  ASSERT_EQ(instanced.size(), size_t(kSize * kSize * 4));
  ASSERT_EQ(single.size(), instanced.size());
  // AmbientLit takes every wall's lights (three at most, a batch holds four):
  // one draw per set of lights the copies share against one per copy.
  EXPECT_EQ(m_drawCalls, 6u);
  EXPECT_LE(instancedDraws * 2, m_drawCalls);
  int lit = 0, apart = 0;
  for (size_t i = 0; i < instanced.size(); i += 4) {
    int worst = 0;
    for (int c = 0; c < 3; ++c)
      worst = std::max(worst, std::abs(int(instanced[i + c]) - int(single[i + c])));
    lit += single[i] + single[i + 1] + single[i + 2] > 150;
    apart += worst > 3;
  }
  EXPECT_GT(lit, kSize * kSize / 10);
  EXPECT_LE(apart, kSize * kSize / 200) << "pixels that differ by more than rounding";
}

// A large wall under one small light at a corner: drawn row by row, the Lit
// pass leaves out the runs of triangles out of the light's reach; scattered,
// every run spans the wall and none can be. The same triangles make the
// same picture, and the light is there.
TEST_F(LightBatchGLTest, RunsOfTrianglesOutOfALightsReachAreLeftOut) {
  Scene scene = OneWall();
  scene.lights = {{-1.5f, 1.5f, {1, 1, 1}}};
  scene.mesh = "rows.mesh";
  const std::vector<uint8_t> rows = Render("RenderEffects/batched.fx", scene);
  const uint32_t rowTriangles = m_triangles;
  scene.mesh = "scattered.mesh";
  const std::vector<uint8_t> scattered = Render("RenderEffects/batched.fx", scene);
  ASSERT_EQ(rows.size(), size_t(kSize * kSize * 4));
  ASSERT_EQ(scattered.size(), rows.size());
  EXPECT_EQ(rows, scattered);
  // Both draw the whole wall in the ambient pass; the Lit pass, about a
  // fifth of it against all of it.
  const uint32_t wall = 32 * 32 * 2;
  EXPECT_EQ(m_triangles, 2 * wall);
  EXPECT_LT(rowTriangles, wall + wall / 3);
  int x = 0, y = 0;
  Pixel(Vector3D(-1.5f, 1.5f, kWallZ), &x, &y);
  const uint8_t* bgra = &rows[size_t(y * kSize + x) * 4];
  EXPECT_GT(bgra[0] + bgra[1] + bgra[2], 200);
}

}  // namespace
