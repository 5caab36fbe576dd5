// The "shade" sample mod run headless: a crate between a shadow-casting light
// and the floor. The floor darkens where the line from the light through the
// crate meets it and nowhere near it, the F9 screenshot matches its golden
// image (tests/data/golden/shade.png; regenerate with KAZ_UPDATE_GOLDEN=1),
// EnableShadowMaps 0 takes the shadow and the shadow work away, and a
// light's map is drawn again only when the light or a caster near it moves.
// A block whose effect has no ShadowMap technique casts nothing. A driver
// without texture gather gets the four-tap lookups, and the same shadow.
#include "base/FrameProfiler.h"
#include "common/ImageCompare.h"
#include "console/CVarRegistry.h"
#include "core/TestEngine.h"
#include "render/device/GraphicsDevice.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/VideoManager.h"
#include "render/world/WorldRenderer.h"
#include "tier1/CameraObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// As data/shade/scripts/ShadeApplication.py places them.
const Vector3D kLight(1.2f, 3.6f, 0.3f);
const Vector3D kCrateCentre(0.0f, 1.5f, 0.0f);
const Vector3D kGlassCentre(2.5f, 1.5f, 2.5f);
constexpr int kWidth = 320, kHeight = 240;

class ShadeMod : public EngineTest {
 protected:
  void StartShade() {
    ASSERT_NE(Start({"-mod", "shade", "-ResX", std::to_string(kWidth), "-ResY",
                     std::to_string(kHeight), "-ShowRecentConsoleEntries", "0", "-FPS", "0"},
                    "Shade"),
              nullptr)
        << m_out.All();
    m_world = m_engine->GetWorld();
    m_light = static_cast<LightObject*>(m_world->GetFirstObject(ObjectType_Light));
    ASSERT_NE(m_light, nullptr) << m_out.All();
    ASSERT_TRUE(m_light->CastsShadows()) << "castShadows did not reach the light";
    Run(3, 0.05);
  }
  // Brightness (sum of channels) of the screenshot where a world point shows.
  int Brightness(const kaztest::RgbImage& image, const Vector3D& point) const {
    auto* camera = static_cast<CameraObject*>(m_engine->GetRenderCamera());
    const Matrix4x4 viewProjection =
        Matrix4x4::Product(camera->GetProjectionMatrix(float(kWidth) / float(kHeight),
                                                       m_world->GetNearZ(), m_world->GetFarZ()),
                           camera->GetViewMatrix());
    const Vector4D p = viewProjection.TransformVector(Vector4D(point.x, point.y, point.z, 1.0f));
    const int x = int((p.x / p.w * 0.5f + 0.5f) * float(image.width));
    const int y = int((0.5f - p.y / p.w * 0.5f) * float(image.height));
    EXPECT_TRUE(x >= 0 && x < image.width && y >= 0 && y < image.height) << x << "," << y;
    if (!(x >= 0 && x < image.width && y >= 0 && y < image.height)) return -1;
    const uint8_t* c = image.At(x, y);
    return c[0] + c[1] + c[2];
  }
  kaztest::RgbImage Shot() {
    const std::string shot = PressF9();
    kaztest::RgbImage image;
    EXPECT_TRUE(kaztest::ReadImage(shot, &image)) << shot;
    std::filesystem::remove(shot);
    return image;
  }
  uint64_t MapRenders() const { return m_world->GetRenderer()->GetShadowMaps().GetRenderCount(); }
  uint64_t FaceRenders() const {
    return m_world->GetRenderer()->GetShadowMaps().GetFaceRenderCount();
  }
  // Where the ray from the light through a point meets the floor (y = 0).
  static Vector3D OnFloor(const Vector3D& through) {
    const float t = kLight.y / (kLight.y - through.y);
    return kLight + (through - kLight) * t;
  }

  // The NO_SHADOWS program of an effect's static variant, if it was built.
  static bool HasShadowless(const char* effect) {
    WorldRenderEffect* fx = GetWorldRenderEffect(effect, 0);
    if (!fx) return false;
    const bool built = fx->GetShadowlessEffect(0) != nullptr;
    fx->Release();
    return built;
  }

  static bool Gathers() {
    GCaps caps;
    VideoManager* video = GetVideoManager();
    return video && video->GetDevice() && GSucceeded(video->GetDevice()->GetDeviceCaps(&caps)) &&
           caps.textureGather;
  }

  World* m_world = nullptr;
  LightObject* m_light = nullptr;
};

TEST_F(ShadeMod, TheCratesShadowFallsWhereTheGeometrySaysAndGoesWithTheSwitch) {
  StartShade();
  EXPECT_EQ(m_out.Count("Shade: a crate between a light and the floor."), 1) << m_out.All();
  EXPECT_EQ(m_world->GetRenderer()->GetShadowLights().size(), 1u);
  FrameProfiler& profiler = FrameProfiler::Instance();
  // The profile of a frame is complete when the next one begins.
  profiler.SetOverlay(true);
  Run(2, 0.05);
  profiler.SetOverlay(false);
  EXPECT_GT(profiler.GetLastFrame().seconds[ProfilePart_Shadow], 0.0);
  Run(1, 0.05);

  const std::string shot = PressF9();
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/shade.png", 12, 0.01));
  kaztest::RgbImage shadowed;
  ASSERT_TRUE(kaztest::ReadImage(shot, &shadowed));
  std::filesystem::remove(shot);
  // Under the crate's centre, as the light sees it, and on the lit floor
  // the same distance from the light on the other side.
  const Vector3D inside = OnFloor(kCrateCentre);
  const Vector3D outside(2.0f * kLight.x - inside.x, 0.0f, 2.0f * kLight.z - inside.z);
  const int dark = Brightness(shadowed, inside), lit = Brightness(shadowed, outside);
  // The glass block's effect has no ShadowMap technique: the floor behind it stays lit.
  const Vector3D behindGlass = OnFloor(kGlassCentre);
  const int glass = Brightness(shadowed, behindGlass);

  // Without shadow maps the same floor is lit, and there is no shadow work.
  CVarRegistry::Instance().EnableShadowMaps.Set(false);
  profiler.SetOverlay(true);
  Run(2, 0.05);
  profiler.SetOverlay(false);
  EXPECT_EQ(profiler.GetLastFrame().seconds[ProfilePart_Shadow], 0.0);
  Run(1, 0.05);
  EXPECT_TRUE(m_world->GetRenderer()->GetShadowLights().empty());
  // The floor is checked, so each point is compared with itself unshadowed.
  const kaztest::RgbImage plain = Shot();
  EXPECT_LT(dark * 2, Brightness(plain, inside)) << "no shadow under the crate";
  EXPECT_NEAR(lit, Brightness(plain, outside), 12) << "a shadow on the open floor";
  EXPECT_NEAR(glass, Brightness(plain, behindGlass), 12) << "a shadow behind the glass";
  // Lit repetitions without a map drew with default.fx's NO_SHADOWS program;
  // glass.fx reads no maps and has none.
  EXPECT_TRUE(HasShadowless(kDefaultEffectFile));
  EXPECT_FALSE(HasShadowless("RenderEffects/glass.fx"));
}

// Five lights: default.fx takes four a repetition, so the floor's first
// repetition (the map's light among them) draws with the plain program and
// its second with the NO_SHADOWS one, switched inside the pass, and back for
// the next object. The sum is the picture of the same lights drawn without
// maps, but for the crate's shadow.
TEST_F(ShadeMod, LightsWithAndWithoutMapsInOnePassAddUp) {
  StartShade();
  for (int i = 0; i < 4; ++i) {
    LightObjectParams p;
    p.lightType = Light_Point;
    p.colour = Vector3D(0.08f, 0.08f, 0.08f);
    p.radius = 12.0f;
    p.transform = Matrix4x4::MakeTranslation(Vector3D(-2.0f + float(i), 4.0f, -1.5f));
    ASSERT_NE(m_world->CreateObject(p), nullptr);
  }
  Run(3, 0.05);
  const kaztest::RgbImage mixed = Shot();
  CVarRegistry::Instance().EnableShadowMaps.Set(false);
  Run(3, 0.05);
  const kaztest::RgbImage plain = Shot();
  const Vector3D inside = OnFloor(kCrateCentre);
  const Vector3D outside(2.0f * kLight.x - inside.x, 0.0f, 2.0f * kLight.z - inside.z);
  const int lit = Brightness(mixed, outside);
  EXPECT_NEAR(lit, Brightness(plain, outside), 12) << "the lights do not add up";
  EXPECT_LT(lit, 3 * 255) << "saturated: the comparison shows nothing";
  EXPECT_LT(Brightness(mixed, inside) + 30, Brightness(plain, inside)) << "the shadow is gone";
  EXPECT_TRUE(HasShadowless(kDefaultEffectFile));
}

// shadows.fxh reads a map with two gathers where the driver has them and
// with four lookups where it has not: one picture either way.
TEST_F(ShadeMod, WithoutTextureGatherTheShadowIsTheSame) {
  setenv("KAZ_GL_NO_GATHER", "1", 1);
  StartShade();
  unsetenv("KAZ_GL_NO_GATHER");
  EXPECT_FALSE(Gathers());
  const std::string shot = PressF9();
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/shade.png", 12, 0.01));
  std::filesystem::remove(shot);
}

TEST_F(ShadeMod, AMapIsDrawnAgainOnlyWhenTheLightOrACasterNearItMoves) {
  StartShade();
  const uint64_t drawn = MapRenders();
  EXPECT_GE(drawn, 1u);
  Run(5, 0.05);
  EXPECT_EQ(MapRenders(), drawn) << "a still scene drew its map again";

  // The light moves: its map is drawn once for the new place, all six faces, then kept.
  const uint64_t faces = FaceRenders();
  m_light->SetWorldTransform(Matrix4x4::MakeTranslation(kLight + Vector3D(0.3f, 0.0f, 0.0f)));
  Run(3, 0.05);
  EXPECT_EQ(MapRenders(), drawn + 1);
  EXPECT_EQ(FaceRenders(), faces + 6);

  // The crate moves within the light's range: drawn again, only the faces
  // that see it (below the light and towards -x).
  WorldObject *crate = nullptr, *glass = nullptr;
  for (WorldObject* o = m_world->GetFirstObject(ObjectType_StaticMesh); o; o = o->GetNext()) {
    const Vector3D centre = o->GetBoundingBox().GetCenter();
    if ((centre - kCrateCentre).Length() < 0.01f) crate = o;
    if ((centre - kGlassCentre).Length() < 0.01f) glass = o;
  }
  ASSERT_NE(crate, nullptr);
  ASSERT_NE(glass, nullptr);
  crate->SetWorldTransform(Matrix4x4::MakeTranslation(Vector3D(0.2f, 1.0f, 0.0f)));
  Run(2, 0.05);
  EXPECT_EQ(MapRenders(), drawn + 2);
  EXPECT_GE(FaceRenders(), faces + 7);
  EXPECT_LE(FaceRenders(), faces + 8);

  // The glass block casts nothing, and the camera is no caster: neither moving changes a map.
  glass->SetWorldTransform(Matrix4x4::MakeTranslation(Vector3D(2.0f, 1.0f, 2.0f)));
  Run(2, 0.05);
  EXPECT_EQ(MapRenders(), drawn + 2);
  auto* camera = static_cast<CameraObject*>(m_engine->GetRenderCamera());
  Matrix4x4 turned = camera->GetWorldTransform();
  turned.SetTranslation(turned.GetTranslation() + Vector3D(0.5f, 0.0f, 0.0f));
  camera->SetWorldTransform(turned);
  Run(2, 0.05);
  EXPECT_EQ(MapRenders(), drawn + 2);
}

}  // namespace
