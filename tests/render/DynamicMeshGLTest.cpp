// DynamicMeshGLTest.cpp - a skinned figure drawn on real OpenGL (SDL's
// offscreen driver on Mesa) covers exactly where Cal3D's own software skinning
// puts its vertices. Skipped when no GL 3.3 context can be created.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>

#include "render/DeviceVideoManager.h"
#include "render/Renderer.h"
#include "render/world/cal3d/DynamicMeshDraw.h"
#include "render/world/cal3d/DynamicMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "RenderTestUtil.h"
#include "tier1/CameraObject.h"
#include "tier1/World.h"

using namespace rendertest;

// Mesa's leak suppressions come with GLDeviceTest.cpp, in the same program.
namespace {

constexpr int kSize = 128;
FrameView g_view;

// The skinned drawing, keeping the frame's view to project Cal3D's vertices with.
class ViewKeepingDrawing final : public DrawableKind {
 public:
  uint32_t Draw(WorldObject* o, uint32_t pass, const FrameView& view,
                const ObjectTransforms& transforms, ObjectLightSet* lights) override {
    g_view = view;
    return m_drawing.Draw(o, pass, view, transforms, lights);
  }

 private:
  DynamicMeshDrawing m_drawing;
};

struct Rect {
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  void Add(float x, float y) {
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
  }
};

class DynamicMeshGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // llvmpipe's worker threads can crash LeakSanitizer's exit-time scan.
    setenv("LP_NUM_THREADS", "0", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "SDL video: " << SDL_GetError();
    m_window = SDL_CreateWindow("kaz skin test", 0, 0, kSize, kSize,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!m_window) GTEST_SKIP() << "no GL window: " << SDL_GetError();
    MountTestData();
    FileSystem::AddToSearchPath(m_dir.Str(), false);
    CVarRegistry& cv = CVarRegistry::Instance();
    cv.ResetBuiltins();
    cv.ResX.Set(kSize);
    cv.ResY.Set(kSize);
    VideoManager* vm = CreateVideoManager(m_window);
    if (!vm) GTEST_SKIP() << "no OpenGL 3.3 context: " << m_log.Dump();
    ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();
    m_vm = static_cast<DeviceVideoManager*>(vm);
  }
  void TearDown() override {
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
  // Where Cal3D's skinning puts the figure on screen, in pixels.
  static Rect Projected(const DynamicMeshObject* o) {
    Rect r;
    const Matrix4x4 toClip = Matrix4x4::Product(g_view.viewProjection, o->GetWorldTransform());
    for (const Vector3D& v : o->GetSkinnedVertices()) {
      const Vector4D c = toClip.TransformVector(Vector4D(v.x, v.y, v.z, 1.0f));
      r.Add((c.x / c.w + 1.0f) * 0.5f * kSize, (1.0f - c.y / c.w) * 0.5f * kSize);
    }
    return r;
  }
  // The pixels that are not the white clear colour.
  Rect Drawn() {
    GDevice* dev = m_vm->GetDevice();
    GSurface* surf = nullptr;
    Rect r;
    EXPECT_TRUE(GSucceeded(dev->CreateOffscreenPlainSurface(kSize, kSize, FMT_A8R8G8B8, &surf)));
    EXPECT_TRUE(GSucceeded(dev->GetFrontBufferData(surf)));
    GLockedRect lr;
    if (GSucceeded(surf->LockRect(&lr, 0))) {
      const auto* p = static_cast<const uint8_t*>(lr.bits);
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
          if (p[(y * kSize + x) * 4] < 128) r.Add(float(x), float(y));
      surf->UnlockRect();
    }
    surf->Release();
    return r;
  }

  SDL_Window* m_window = nullptr;
  DeviceVideoManager* m_vm = nullptr;
  kaztest::TempDir m_dir{"kaz-skin-gl"};
  kaztest::LogCapture m_log;
};

TEST_F(DynamicMeshGLTest, SkinnedVerticesLandWhereCal3DPutsThem) {
  const std::string command = "python3 '" + kaztest::SourceDir() +
                              "/tools/make-character.py' --bones 15 --anims walk '" + m_dir.Str() +
                              "' fig";
  ASSERT_EQ(std::system(command.c_str()), 0);
  InstallWorldRenderer();
  World* world = World::Create();
  ASSERT_TRUE(world->InitRenderer(true));
  ViewKeepingDrawing drawing;
  world->GetRenderer()->SetDrawableKind(ObjectType_DynamicMesh, &drawing);
  // Only the figure is to cover the white screen.
  CVarRegistry::Instance().GlowEnable.Set(false);
  CameraObjectParams cp;
  auto* camera = static_cast<CameraObject*>(world->CreateObject(cp));
  DynamicMeshObjectParams p;
  p.fileName = "fig.xml";
  p.transform = Matrix4x4::MakeTranslation(Vector3D(0, -1.9f, 6));
  auto* o = static_cast<DynamicMeshObject*>(world->CreateObject(p));
  ASSERT_NE(o, nullptr) << m_log.Dump();
  ASSERT_TRUE(o->PlayCycle(o->FindAnimation("walk"), 1.0f, 0.0f));
  for (int frame = 0; frame < 3; ++frame) world->Update(0.1f);

  m_vm->SetClearColor(1, 1, 1, 1);
  ASSERT_TRUE(m_vm->BeginScene());
  m_vm->Clear(true, true, false);
  world->GetRenderer()->Render(camera);
  m_vm->EndScene();
  const Rect drawn = Drawn();
  const Rect skinned = Projected(o);
  EXPECT_NEAR(drawn.left, skinned.left, 1.5f);
  EXPECT_NEAR(drawn.right, skinned.right, 1.5f);
  EXPECT_NEAR(drawn.top, skinned.top, 1.5f);
  EXPECT_NEAR(drawn.bottom, skinned.bottom, 1.5f);
  // The pose differs enough from the rest pose for a wrong palette to show.
  auto* rest = static_cast<DynamicMeshObject*>(world->CreateObject(p));
  ASSERT_NE(rest, nullptr);
  const Rect still = Projected(rest);
  EXPECT_GT(std::max(std::abs(still.left - skinned.left), std::abs(still.right - skinned.right)),
            4.0f)
      << skinned.left << " " << skinned.right << " " << still.left << " " << still.right;
  world->Release();
}

}  // namespace
