// ResourceReloadTest.cpp - each kind of render resource read again from a
// saved file (the fake device): a good save is taken, a broken one leaves the
// last good data in use with one warning that names the file and the reason.
// Textures (their cube names too), effects (and the files they include),
// fonts and static meshes.
#include "render/gpu/Font.h"
#include "render/gpu/RenderEffect.h"
#include "render/gpu/Texture.h"
#include "render/MeshFile.h"
#include "render/world/StaticMeshDef.h"
#include "RenderTestUtil.h"
#include "tier0/Ref.h"
#include "tier0/ResourceManager.h"

#include <string>

using namespace rendertest;

namespace {

// An uncompressed 24-bit TGA of one colour.
std::string Tga(int size, uint8_t red, uint8_t green, uint8_t blue) {
  std::string t(18, '\0');
  t[2] = 2;
  t[12] = char(size);
  t[14] = char(size);
  t[16] = 24;
  for (int i = 0; i < size * size; ++i) t += {char(blue), char(green), char(red)};
  return t;
}

class ResourceReloadTest : public StartedVideoTest {
 protected:
  void SetUp() override {
    StartedVideoTest::SetUp();
    ASSERT_TRUE(FileSystem::AddToSearchPath(m_package.Str(), false));
  }
  // What saving the file makes of its resources: the warning it gave, or "".
  std::string Save(const std::string& path, const std::string& contents) {
    kaztest::SaveByRename(m_package.Path() / path, contents);
    m_log.Clear();
    EXPECT_GE(ResourceManager::ReloadFile(path), 1) << path;
    if (m_log.Problems() == 0) return "";
    EXPECT_EQ(m_log.Problems(), 1) << m_log.Dump();
    return m_log.Lines().back().text;
  }
  std::string Source(const char* file) {
    return kaztest::ReadFile(kaztest::TestDataDir() + "/render/RenderEffects/" + file);
  }

  kaztest::TempDir m_package{"kaz_reload"};
};

TEST_F(ResourceReloadTest, ATextureTakesAGoodSaveAndKeepsItsImageThroughABrokenOne) {
  m_package.Write("Textures/t.tga", Tga(2, 255, 0, 0));
  Ref<TextureResource> t = Ref<TextureResource>::Adopt(GetTextureResource("Textures/t.tga"));
  ASSERT_TRUE(t && t->GetTexture()) << m_log.Dump();
  EXPECT_EQ(Save("Textures/t.tga", Tga(4, 0, 0, 255)), "");
  ASSERT_NE(t->GetTexture(), nullptr);
  EXPECT_EQ(t->GetTexture()->GetWidth(), 4u);
  EXPECT_TRUE(m_log.Has("Reloaded [grey]Textures/t.tga"));

  Texture* good = t->GetTexture();
  const std::string warning = Save("Textures/t.tga", "not an image");
  EXPECT_EQ(t->GetTexture(), good);
  EXPECT_EQ(warning.find("Failed to reload 'Textures/t.tga' ("), 0u) << warning;
  EXPECT_NE(warning.find("unknown image type"), std::string::npos) << warning;
  EXPECT_NE(warning.find("keeping the last good one"), std::string::npos) << warning;

  // A cube or volume texture is made from the file after its prefix.
  TextureResource cube(nullptr);
  cube.SetName("!Cube!Textures/Sky.dds");
  EXPECT_TRUE(cube.UsesFile("textures/sky.dds"));
}

TEST_F(ResourceReloadTest, AnEffectRecompilesEveryVariantInUseFromItsFileOrAnInclude) {
  m_package.Write("RenderEffects/common.fxh", Source("common.fxh"));
  m_package.Write("RenderEffects/q.fx", Source("quad.fx"));
  Ref<WorldRenderEffect> fx =
      Ref<WorldRenderEffect>::Adopt(GetWorldRenderEffect("RenderEffects/q.fx", 0));
  ASSERT_TRUE(fx) << m_log.Dump();
  ASSERT_TRUE(fx->SelectVariant(2));
  RenderEffect* plain = fx->GetVariantEffect(0);
  ASSERT_NE(plain, nullptr);
  ASSERT_EQ(plain->GetTechniqueByName("Extra"), 0u);

  // A new technique: both variants in use are built again, the others stay unbuilt.
  EXPECT_EQ(Save("RenderEffects/q.fx", Source("quad.fx") + R"(
technique Extra { pass P0 { VertexShader = QuadVS; PixelShader = SolidPS; } }
)"),
            "");
  ASSERT_NE(fx->GetVariantEffect(0), nullptr);
  EXPECT_NE(fx->GetVariantEffect(0)->GetTechniqueByName("Extra"), 0u);
  ASSERT_NE(fx->GetVariantEffect(2), nullptr);
  EXPECT_EQ(fx->GetVariantEffect(1), nullptr);
  ASSERT_TRUE(fx->SelectVariant(0));
  EXPECT_NE(fx->GetSemanticHandle(SEM_WORLDVIEWPROJMATRIX), 0u);

  // A syntax error changes nothing and is one line with the compiler's reason.
  RenderEffect* good = fx->GetVariantEffect(0);
  std::string warning = Save("RenderEffects/q.fx", "float4 Tint = {1, 1;\n");
  EXPECT_EQ(fx->GetVariantEffect(0), good);
  EXPECT_NE(warning.find("Failed to reload 'RenderEffects/q.fx' (Error compiling RenderEffect "
                         "file 'RenderEffects/q.fx': RenderEffects/q.fx(1)"),
            std::string::npos)
      << warning;
  EXPECT_EQ(warning.find('\n'), std::string::npos);

  // Saving the included file rebuilds the effect that includes it.
  m_package.Write("RenderEffects/q.fx", Source("quad.fx"));
  warning = Save("RenderEffects/common.fxh", "#error the helpers are being rewritten\n");
  EXPECT_NE(warning.find("the helpers are being rewritten"), std::string::npos) << warning;
  EXPECT_EQ(fx->GetVariantEffect(0), good);
  EXPECT_EQ(Save("RenderEffects/common.fxh", Source("common.fxh")), "");
  EXPECT_NE(fx->GetVariantEffect(0), good);
  EXPECT_EQ(fx->GetVariantEffect(0)->GetTechniqueByName("Extra"), 0u);
}

TEST_F(ResourceReloadTest, AFontAndAStaticMeshTakeAGoodSaveAndKeepTheirsThroughABrokenOne) {
  const std::string font = kaztest::ReadFile(kaztest::BasePackageDir() + "/Fonts/console.f");
  ASSERT_FALSE(font.empty());
  m_package.Write("Fonts/f.f", font);
  Ref<FontResource> f = Ref<FontResource>::Adopt(GetFontResource("Fonts/f.f"));
  ASSERT_TRUE(f && f->GetFont()) << m_log.Dump();
  BitmapFont* first = f->GetFont();
  EXPECT_EQ(Save("Fonts/f.f", font), "");
  ASSERT_NE(f->GetFont(), nullptr);
  EXPECT_NE(f->GetFont(), first);
  BitmapFont* good = f->GetFont();
  const std::string warning = Save("Fonts/f.f", font.substr(0, 100));
  EXPECT_EQ(f->GetFont(), good);
  EXPECT_NE(f->GetTextWidth("Hello"), 0);
  EXPECT_NE(warning.find("Failed to reload 'Fonts/f.f'"), std::string::npos) << warning;

  meshtest::MeshFile quad = meshtest::MeshFile::Quad();
  m_package.Write("Meshes/q.mesh", quad.Bytes());
  Ref<StaticMeshDef> mesh = Ref<StaticMeshDef>::Adopt(LoadStaticMeshDef("Meshes/q.mesh"));
  ASSERT_TRUE(mesh) << m_log.Dump();
  ASSERT_EQ(mesh->GetGroupCount(), 2u);
  quad.groups.pop_back();
  quad.maxs = Vector3D(2, 2, 2);
  EXPECT_EQ(Save("Meshes/q.mesh", quad.Bytes()), "");
  EXPECT_EQ(mesh->GetGroupCount(), 1u);
  EXPECT_EQ(mesh->GetMaxs().x, 2.0f);
  VertexBuffer* vertices = mesh->GetVertexBuffer();
  EXPECT_NE(Save("Meshes/q.mesh", "MESH, broken").find("File format not valid."),
            std::string::npos);
  EXPECT_EQ(mesh->GetVertexBuffer(), vertices);
  EXPECT_EQ(mesh->GetGroupCount(), 1u);
}

}  // namespace
