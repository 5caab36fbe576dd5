// HotReloadTest.cpp - the running engine reloads what is saved in its package
// folders ("-hotreload", "reloadresources watch|unwatch"): a texture replaced
// by rename changes the next screenshot, an effect with a syntax error keeps
// the last good one and logs one line, a changed script function runs its new
// body while the application keeps its state, a change to a shadowed file is
// ignored, and nothing is watched after "reloadresources unwatch".
//
// The packages are folders in the base directory (package names are relative
// to it), removed again by each test; the scene is a quad filling the view,
// drawn with the package's effect and texture.
#include "core/TestEngine.h"

#include "render/gpu/RenderEffect.h"
#include "render/MeshFile.h"
#include "render/world/StaticMeshObject.h"
#include "tier1/CameraObject.h"
#include "tier1/World.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// An uncompressed 24-bit TGA of one colour.
std::string Tga(uint8_t red, uint8_t green, uint8_t blue) {
  std::string t(18, '\0');
  t[2] = 2;
  t[12] = t[14] = 4;
  t[16] = 24;
  for (int i = 0; i < 16; ++i) t += {char(blue), char(green), char(red)};
  return t;
}

// Draws the texture's colour, or `colour` when given, over the whole quad.
std::string Effect(const std::string& colour = "texture(DiffuseSampler, vec2(0.5)).rgb") {
  return R"(float4x4 WorldViewProj : WORLDVIEWPROJMATRIX;
texture DiffuseMap;
sampler DiffuseSampler = sampler_state { Texture = <DiffuseMap>; MinFilter = Point; MagFilter = Point; MipFilter = None; };
vertexshader VS { void main() { gl_Position = WorldViewProj * vec4(in_Position.xyz, 1.0); } }
pixelshader PS { void main() { FragColor = vec4()" +
         colour + R"(, 1.0); } }
technique AmbientEmissive { pass P0 { VertexShader = VS; PixelShader = PS; CullMode = None; } }
)";
}

// A quad 10 wide in the plane z = 0.
std::string Quad() {
  meshtest::MeshFile m;
  m.radius = 7.1f;
  m.mins = Vector3D(-5, -5, 0);
  m.maxs = Vector3D(5, 5, 0);
  m.vertices = {-5, -5, 0, 5, -5, 0, 5, 5, 0, -5, 5, 0};
  m.groups = {{"hot", {0, 1, 2, 0, 2, 3}}};
  return m.Bytes();
}

// The mod's application class, shadowed: it only tells which word its helper gives.
const char kApplication[] = R"(import Probe
class CoveApplication:
    def __init__(self):
        self.frames = 0
        self.word = None
    def OnPreStartup(self): return True
    def OnStartup(self): return True
    def OnShutdown(self): return True
    def OnUpdate(self):
        self.frames += 1
        if Probe.Word() != self.word:
            self.word = Probe.Word()
            print('probe %s at frame %d' % (self.word, self.frames))
)";

class HotReloadTest : public EngineTest {
 protected:
  void TearDown() override {
    EngineTest::TearDown();
    std::error_code ignored;
    for (const fs::path& folder : m_folders) fs::remove_all(folder, ignored);
  }
  // A package folder in the base directory with the scene's files.
  fs::path Package(const std::string& tag) {
    const std::string name = "hotreload_" + tag + "_" + std::to_string(getpid());
    const fs::path folder = fs::path(KAZ_BIN_DIR) / name;
    m_folders.push_back(folder);
    m_names += (m_names.empty() ? "" : ";") + name;
    kaztest::WriteFile(folder / "Textures/Hot.tga", Tga(255, 0, 0));
    kaztest::WriteFile(folder / "RenderEffects/Hot.fx", Effect());
    kaztest::WriteFile(folder / "Meshes/Hot.mesh", Quad());
    kaztest::WriteFile(folder / "scripts/CoveApplication.py", kApplication);
    kaztest::WriteFile(folder / "scripts/Probe.py", "def Word(): return 'one'\n");
    return folder;
  }
  // Starts on the packages made so far, watching, with the quad in view.
  bool StartScene() {
    if (!Start({"-pkg", m_names, "-hotreload", "-ResX", "160", "-ResY", "120",
                "-ShowRecentConsoleEntries", "0", "-FPS", "0", "-DrawHUD", "0"}))
      return false;
    EXPECT_EQ(m_out.Count("package folder(s): saved files are reloaded."), 1) << m_out.All();
    m_engine->GetHotReload().SetDebounce(0.05);
    World* world = m_engine->GetWorld();
    Ref<Material> material = Ref<Material>::Adopt(CreateMaterial());
    if (!material || !material->SetRenderEffect("RenderEffects/Hot.fx") ||
        !material->SetTexture("DiffuseMap", "Textures/Hot.tga"))
      return false;
    StaticMeshObjectParams quad;
    quad.fileName = "Meshes/Hot.mesh";
    quad.transform = Matrix4x4::MakeTranslation(Vector3D(0, 0, 3));
    quad.defaultMaterial = material.Get();
    CameraObjectParams camera;
    WorldObject* eye = world->CreateObject(camera);
    if (!world->CreateObject(quad) || !eye) return false;
    m_engine->SetRenderCamera(eye);
    return true;
  }
  // Frames with real time between them (the watcher waits for files to
  // settle) until `done` holds; false after ten seconds.
  bool FramesUntil(const std::function<bool()>& done, double seconds = 10.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      Run(1, 0.02);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  bool Reloaded(const std::string& path, int times = 1) {
    return FramesUntil([&] { return m_out.Count("Reloaded [grey]" + path) >= times; });
  }
  // The colour at the centre of the next frame, as "r g b".
  std::string Centre() {
    Run(1, 0.02);
    kaztest::RgbImage image;
    EXPECT_TRUE(kaztest::ReadImage(Screenshot(), &image));
    if (image.width == 0) return "none";
    const uint8_t* c = image.At(image.width / 2, image.height / 2);
    return std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]);
  }
  int Problems() const { return m_out.Count("WARNING") + m_out.Count("ERROR"); }

  std::vector<fs::path> m_folders;
  std::string m_names;
};

}  // namespace

TEST_F(HotReloadTest, ATextureReplacedByRenameChangesTheNextScreenshot) {
  const fs::path package = Package("texture");
  ASSERT_TRUE(StartScene()) << m_out.All();
  EXPECT_EQ(Centre(), "255 0 0");
  kaztest::SaveByRename(package / "Textures/Hot.tga", Tga(0, 0, 255));
  ASSERT_TRUE(Reloaded("Textures/Hot.tga")) << m_out.All();
  EXPECT_EQ(Centre(), "0 0 255");
}

TEST_F(HotReloadTest, AnEffectWithASyntaxErrorKeepsTheLastGoodOneAndLogsOneLine) {
  const fs::path package = Package("effect");
  ASSERT_TRUE(StartScene()) << m_out.All();
  EXPECT_EQ(Centre(), "255 0 0");
  kaztest::SaveByRename(package / "RenderEffects/Hot.fx", Effect("vec3(0.0, 1.0, 0.0)"));
  ASSERT_TRUE(Reloaded("RenderEffects/Hot.fx")) << m_out.All();
  EXPECT_EQ(Centre(), "0 255 0");

  const int problems = Problems();
  const size_t printed = m_out.lines.size();
  std::string broken = Effect("vec3(0.0, 0.0, 1.0)");
  broken.replace(broken.find("CullMode = None;"), 16, "CullMode = None");
  kaztest::SaveByRename(package / "RenderEffects/Hot.fx", broken);
  ASSERT_TRUE(FramesUntil([&] { return Problems() > problems; })) << m_out.All();
  Run(10, 0.02);
  EXPECT_EQ(m_out.lines.size(), printed + 1) << m_out.All();
  EXPECT_NE(m_out.lines.back().find("Failed to reload 'RenderEffects/Hot.fx' (Error compiling "
                                    "RenderEffect file 'RenderEffects/Hot.fx': "),
            std::string::npos)
      << m_out.lines.back();
  EXPECT_NE(m_out.lines.back().find("keeping the last good one."), std::string::npos);
  EXPECT_EQ(Centre(), "0 255 0");
}

TEST_F(HotReloadTest, AChangedScriptFunctionRunsItsNewBody) {
  const fs::path package = Package("script");
  ASSERT_TRUE(StartScene()) << m_out.All();
  Run(5, 0.02);
  EXPECT_EQ(m_out.Count("probe one at frame 1"), 1) << m_out.All();
  kaztest::SaveByRename(package / "scripts/Probe.py", "def Word(): return 'two'\n");
  ASSERT_TRUE(Reloaded("scripts/Probe.py")) << m_out.All();
  ASSERT_TRUE(FramesUntil([&] { return m_out.Count("probe two at frame") == 1; })) << m_out.All();
  // The application object went on counting: it was not made again.
  for (const std::string& line : m_out.lines) {
    const size_t at = line.find("probe two at frame ");
    if (at != std::string::npos) {
      EXPECT_GT(std::stoi(line.substr(at + 19)), 5) << line;
    }
  }
  EXPECT_EQ(m_out.Count("probe one"), 1);
}

TEST_F(HotReloadTest, AChangeToAShadowedFileIsIgnored) {
  const fs::path front = Package("front");
  const fs::path back = Package("back");
  ASSERT_TRUE(StartScene()) << m_out.All();
  EXPECT_EQ(Centre(), "255 0 0");
  // The game reads the front package's copy: saving the one behind it changes nothing.
  kaztest::SaveByRename(back / "Textures/Hot.tga", Tga(0, 255, 0));
  EXPECT_FALSE(FramesUntil([&] { return m_out.Count("Reloaded") > 0; }, 0.5)) << m_out.All();
  kaztest::SaveByRename(front / "Textures/Hot.tga", Tga(0, 0, 255));
  ASSERT_TRUE(Reloaded("Textures/Hot.tga")) << m_out.All();
  Run(10, 0.02);
  EXPECT_EQ(m_out.Count("Reloaded [grey]Textures/Hot.tga"), 1) << m_out.All();
  EXPECT_EQ(Centre(), "0 0 255");
}

TEST_F(HotReloadTest, NothingIsWatchedAfterReloadresourcesUnwatch) {
  const fs::path package = Package("unwatch");
  ASSERT_TRUE(StartScene()) << m_out.All();
  EXPECT_GE(m_engine->GetHotReload().GetFolderCount(), 5u);  // the folders below count too
  EXPECT_EQ(m_engine->ExecuteCommand(false, "reloadresources unwatch"), 0);
  EXPECT_EQ(m_out.Count("Stopped watching the package folders."), 1);
  EXPECT_FALSE(m_engine->GetHotReload().IsWatching());
  EXPECT_EQ(m_engine->GetHotReload().GetFolderCount(), 0u);
  kaztest::SaveByRename(package / "Textures/Hot.tga", Tga(0, 0, 255));
  kaztest::SaveByRename(package / "scripts/Probe.py", "def Word(): return 'two'\n");
  EXPECT_FALSE(FramesUntil([&] { return m_out.Count("Reloaded") > 0; }, 0.5)) << m_out.All();
  EXPECT_EQ(Centre(), "255 0 0");
  EXPECT_EQ(m_out.Count("probe two"), 0);

  // Watching again picks up the saves that come after it.
  EXPECT_EQ(m_engine->ExecuteCommand(false, "reloadresources watch"), 0);
  m_engine->GetHotReload().SetDebounce(0.05);
  kaztest::SaveByRename(package / "Textures/Hot.tga", Tga(0, 255, 0));
  ASSERT_TRUE(Reloaded("Textures/Hot.tga")) << m_out.All();
  EXPECT_EQ(Centre(), "0 255 0");
}
