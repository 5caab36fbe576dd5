// GalleryModTest.cpp - the "gallery" sample mod run headless: the room of converted static meshes
// under two coloured point lights and a spot lamp, drawn by the world
// renderer, captured through F9 and compared with its golden image
// (tests/data/golden/gallery.bmp; regenerate with KAZ_UPDATE_GOLDEN=1).
// Until scripts can build scenes, the scene is built here, from the mod's
// own packages.
#include "common/ImageCompare.h"
#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "core/TestEngine.h"
#include "render/ClipWriter.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "render/world/StaticMeshObject.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier1/CameraObject.h"
#include "tier1/LightObject.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

Matrix4x4 At(float x, float y, float z) {
  return Matrix4x4::MakeTranslation(Vector3D(x, y, z));
}

// Builds the gallery scene into the engine's world; false when a piece is missing.
class GalleryScene {
 public:
  explicit GalleryScene(World* world) : m_world(world) {}
  ~GalleryScene() {
    for (Material* m : m_materials) m->Release();
  }

  // The walls play `clip`, a video of still stripes (any frame looks the same,
  // so the picture does not depend on when it is taken).
  bool Build(KazEngine* engine, const std::string& clip) {
    Material* floor = Textured("Textures/floor.tga");
    Material* wall = Textured(clip.c_str());
    Material* stone = Textured("Textures/stone.tga");
    Material* glaze = Textured("Textures/glaze.tga");
    if (!floor || !wall || !stone || !glaze) return false;
    bool ok = Mesh("room", Matrix4x4(), {{"floor", floor}}, wall) &&
              Mesh("pedestal", At(-1.8f, 0, 1.8f), {}, stone) &&
              Mesh("sphere", At(-1.8f, 1, 1.8f), {}, glaze) &&
              Mesh("pedestal", At(-0.3f, 0, -0.5f), {}, stone) &&
              Mesh("ramp", At(2.5f, 0, 2.6f), {}, stone) &&
              Mesh("sphere", At(2.5f, 0.5f, 2.6f), {}, glaze);
    // A warm and a cool point light, and a narrow white spot lamp over the ramp.
    ok = ok && Light(At(-3.5f, 3, -1), Vector3D(1.0f, 0.45f, 0.25f), 9.0f) &&
         Light(At(3.5f, 3, 0), Vector3D(0.25f, 0.5f, 1.0f), 9.0f) &&
         Light(At(2.5f, 2.0f, 2.6f), Vector3D(1.3f, 1.3f, 1.2f), 2.0f);
    CameraObjectParams cp;
    Vector3D forward(0.0f, -0.3f, 1.0f);
    forward.Normalize();
    const Vector3D right = Vector3D(0, 1, 0).Cross(forward).GetNormalized();
    cp.transform = Matrix4x4(right, forward.Cross(right), forward, Vector3D(0, 2.2f, -4.5f));
    WorldObject* camera = m_world->CreateObject(cp);
    if (!ok || !camera) return false;
    engine->SetRenderCamera(camera);
    return true;
  }

 private:
  Material* Textured(const char* texture) {
    Material* m = CreateMaterial();
    if (!m) return nullptr;
    m_materials.push_back(m);
    if (!m->SetRenderEffect("RenderEffects/default.fx") || !m->SetTexture("DiffuseMap", texture))
      return nullptr;
    return m;
  }
  bool Mesh(const char* name, const Matrix4x4& where,
            std::initializer_list<std::pair<const char*, Material*>> materials,
            Material* fallback) {
    StaticMeshObjectParams p;
    p.fileName = std::string("Meshes/") + name + ".mesh";
    p.transform = where;
    for (auto [group, material] : materials) p.materials[group] = material;
    p.defaultMaterial = fallback;
    return m_world->CreateObject(p) != nullptr;
  }
  bool Light(const Matrix4x4& where, const Vector3D& colour, float range) {
    LightObjectParams p;
    p.lightType = 1;
    p.transform = where;
    p.colour = colour;
    p.radius = range;
    return m_world->CreateObject(p) != nullptr;
  }

  World* m_world;
  std::vector<Material*> m_materials;
};

// Writes the walls' clip into `dir`, mounts it as a package and returns the
// clip's package path.
std::string MountWallClip(const kaztest::TempDir& dir) {
  const std::string path = (dir.Path() / "Video").string();
  std::filesystem::create_directories(path);
  const bool written =
      cliptest::WriteClip(path + "/stripes.avi", 64, 64, 5, 3, [](int, int x, int y) {
        const bool band = ((x / 8) + (y / 16)) % 2 == 0;
        return band ? 0xFF3060C0u : 0xFFE0C070u;
      });
  if (!written || !FileSystem::AddToSearchPath(dir.Str(), false)) return {};
  return "Video/stripes.avi";
}

class GalleryMod : public EngineTest {
 protected:
  void Frame() {
    Run(1, 0.016);
    EXPECT_EQ(m_engine->GetWorld()->GetRenderer()->GetStats().staticMeshes, 6u);
  }
};

TEST_F(GalleryMod, ScreenshotMatchesTheGoldenImageAndF8WritesACubeShot) {
  namespace fs = std::filesystem;
  // Overlays drawn by later parts stay out of the picture.
  ASSERT_NE(Start({"-mod", "gallery", "-ResX", "320", "-ResY", "240", "-ShowRecentConsoleEntries",
                   "0", "-FPS", "0"},
                  "Gallery"),
            nullptr)
      << m_out.All();
  ASSERT_NE(m_engine->GetWorld()->GetRenderer(), nullptr);
  kaztest::TempDir clipDir{"gallery-clip"};
  {
    GalleryScene scene(m_engine->GetWorld());
    const std::string clip = MountWallClip(clipDir);
    ASSERT_FALSE(clip.empty());
    ASSERT_TRUE(scene.Build(m_engine, clip)) << m_out.All();
  }
  Frame();
  const std::string shot = PressF9();
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/gallery.bmp", 12, 0.01));
  std::error_code ec;
  fs::remove(shot, ec);

  // F8 renders a cube shot around the camera into a target in the back buffer's format.
  DeviceVideoManager* video = GetDeviceVideoManager();
  ASSERT_NE(video, nullptr);
  Ref<Texture> probe = Ref<Texture>::Adopt(
      CreateTexture(8, 8, TEXTYPE_2D, video->GetRenderTarget()->GetFormat(), false, true));
  if (!probe) GTEST_SKIP() << "this device refuses render targets in the back buffer's format";
  probe.Reset();
  const char* faces[] = {"right", "left", "up", "down", "front", "back"};
  auto faceFile = [](const char* face) {
    return fs::path(KAZ_BIN_DIR) / (std::string("cube_") + face + ".bmp");
  };
  for (const char* face : faces) fs::remove(faceFile(face), ec);
  m_engine->OnKeyDown(EngineKey_F8);
  for (const char* face : faces) {
    kaztest::RgbImage image;
    EXPECT_TRUE(kaztest::ReadImage(faceFile(face).string(), &image)) << face << "\n" << m_out.All();
    EXPECT_EQ(image.width, 512);
    fs::remove(faceFile(face), ec);
  }
  Frame();  // the frame after the shot draws to the screen again
}

}  // namespace
