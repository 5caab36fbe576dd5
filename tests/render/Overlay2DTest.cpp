// Overlay2DTest.cpp - 2D overlays on the fake device: batching and flushes, the mode rules,
// colour packing, text layout from UTF-8 and its chunking, and what a failed
// set-up leaves.
#include <cmath>
#include <vector>

#include "common/TestFiles.h"
#include "render/device/Formats.h"
#include "render/DeviceVideoManager.h"
#include "render/gpu/Font.h"
#include "render/overlay/Overlay2D.h"
#include "RenderTestUtil.h"
#include "tier0/ResourceManager.h"

using namespace rendertest;

namespace {

constexpr uint32_t kEdge = 128;

// Glyphs 5 wide and 7 high, except: ' ' 3 wide, 'I' 9 high, 'W' 11 wide;
// each glyph's rectangle starts at its own texture position.
FontFileData TestFont() {
  FontFileData f;
  f.edge = kEdge;
  f.coverage.assign(size_t(kEdge) * kEdge, 255);
  for (uint32_t c = 0; c < 256; ++c)
    f.glyphs[c] = {uint16_t((c % 16) * 8), uint16_t((c / 16) * 8), 5, 7};
  f.glyphs[' '].width = 3;
  f.glyphs['I'].height = 9;
  f.glyphs['W'].width = 11;
  return f;
}

class Overlay2DTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    std::vector<uint8_t> bytes = EncodeFontFile(TestFont(), true);
    m_dir.Write("Fonts/test.f", std::string(bytes.begin(), bytes.end()));
    FileSystem::AddToSearchPath(m_dir.Str(), true);
  }
  void TearDown() override {
    if (m_font) m_font->Release();
    FakeVideoTest::TearDown();
  }
  // A started manager whose flushes are recorded.
  DeviceVideoManager* StartRecording() {
    DeviceVideoManager* vm = Start();
    if (!vm) return nullptr;
    vm->Get2D().SetFlushObserver(
        [this](const Vertex2D* v, uint32_t n) { m_flushes.emplace_back(v, v + n); });
    m_font = GetFontResource("Fonts/test.f");
    return vm;
  }
  // The quads of every flush, one top-left vertex each.
  std::vector<Vertex2D> Quads() const {
    std::vector<Vertex2D> out;
    for (const auto& f : m_flushes)
      for (size_t i = 0; i < f.size(); i += 6) out.push_back(f[i]);
    return out;
  }

  kaztest::TempDir m_dir{"overlay2d"};
  FontResource* m_font = nullptr;
  std::vector<std::vector<Vertex2D>> m_flushes;
};

TEST_F(Overlay2DTest, QuadCornersAndSevenHundredQuadsFlushAfter682AndAtTheEnd) {
  DeviceVideoManager* vm = StartRecording();
  ASSERT_NE(vm, nullptr);
  ASSERT_TRUE(vm->BeginQuads());
  vm->AddQuad(10, 20, 30, 40, 1, 0, 0, 1, 0.25f, 0.5f, 0.75f, 1.0f);
  vm->EndQuads();
  ASSERT_EQ(m_flushes.size(), 1u);
  const std::vector<Vertex2D>& v = m_flushes[0];
  // (top-left, top-right, bottom-left), (top-right, bottom-right, bottom-left).
  const float expect[6][4] = {{10, 20, 0.25f, 0.5f}, {30, 20, 0.75f, 0.5f}, {10, 40, 0.25f, 1},
                              {30, 20, 0.75f, 0.5f}, {30, 40, 0.75f, 1},    {10, 40, 0.25f, 1}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(v[i].x, expect[i][0]) << i;
    EXPECT_EQ(v[i].y, expect[i][1]) << i;
    EXPECT_EQ(v[i].u, expect[i][2]) << i;
    EXPECT_EQ(v[i].v, expect[i][3]) << i;
    EXPECT_EQ(v[i].z, 5.0f);
    EXPECT_EQ(v[i].color, 0xFFFF0000u);
  }
  m_flushes.clear();
  Device()->ResetCalls();
  ASSERT_TRUE(vm->BeginQuads());
  for (int i = 0; i < 700; ++i) ASSERT_TRUE(vm->AddQuad(i, 0, i + 1, 1, 1, 1, 1, 1));
  ASSERT_EQ(m_flushes.size(), 1u);
  EXPECT_EQ(m_flushes[0].size(), 682u * 6);
  EXPECT_TRUE(vm->EndQuads());
  ASSERT_EQ(m_flushes.size(), 2u);
  EXPECT_EQ(m_flushes[1].size(), 18u * 6);
  EXPECT_EQ(m_flushes[1][0].x, 682.0f);  // nothing lost or repeated at the seam
  EXPECT_EQ(Device()->Calls("DrawPrimitive"), 2);
}

TEST(PackColour, ChannelsAreClampedBeforePacking) {
  EXPECT_EQ(PackColour(2.0f, -1.0f, NAN, 1.5f), 0xFFFF0000u);
  EXPECT_EQ(PackColour(-0.5f, 1.0f, 0.5f, -3.0f), 0x0000FF7Fu);
  EXPECT_EQ(PackColour(INFINITY, -INFINITY, 0.0f, 0.0f), 0x00FF0000u);
}

TEST_F(Overlay2DTest, OneModeAtATimeAlsoAfterAReset) {
  DeviceVideoManager* vm = StartRecording();
  ASSERT_NE(vm, nullptr);
  ASSERT_NE(m_font, nullptr) << m_log.Dump();
  EXPECT_FALSE(vm->AddQuad(0, 0, 1, 1, 1, 1, 1, 1));
  EXPECT_FALSE(vm->EndQuads());
  EXPECT_FALSE(vm->EndFont());
  ASSERT_TRUE(vm->BeginFont(m_font));
  EXPECT_FALSE(vm->BeginQuads());
  EXPECT_FALSE(vm->EndQuads());
  EXPECT_FALSE(vm->AddQuad(0, 0, 1, 1, 1, 1, 1, 1));
  EXPECT_FALSE(vm->BeginFont(m_font));
  EXPECT_TRUE(vm->EndFont());
  ASSERT_TRUE(vm->BeginQuads());
  EXPECT_FALSE(vm->BeginFont(m_font));
  EXPECT_FALSE(vm->AddText("a", 0, 0, 1, 1, 1, 1));
  EXPECT_TRUE(vm->EndQuads());
  EXPECT_EQ(vm->Get2D().GetMode(), uint32_t(Mode2D_Idle));
  // Both modes come back after a reset.
  CVarRegistry::Instance().ResX.Set(1024);
  CVarRegistry::Instance().ResY.Set(768);
  ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();
  m_flushes.clear();
  ASSERT_TRUE(vm->BeginQuads());
  EXPECT_TRUE(vm->AddQuad(0, 0, 1, 1, 1, 1, 1, 1));
  EXPECT_TRUE(vm->EndQuads());
  EXPECT_EQ(m_flushes.size(), 1u);
  EXPECT_TRUE(vm->BeginFont(m_font));
  EXPECT_TRUE(vm->EndFont());
}

TEST_F(Overlay2DTest, BlanksAdvanceThePenWithoutAQuad) {
  DeviceVideoManager* vm = StartRecording();
  ASSERT_NE(m_font, nullptr) << m_log.Dump();
  ASSERT_TRUE(vm->BeginFont(m_font));
  ASSERT_TRUE(vm->AddText("A W A", 100, 50, 1, 1, 1, 1, 2.0f, 1.0f));
  vm->EndFont();
  std::vector<Vertex2D> q = Quads();
  ASSERT_EQ(q.size(), 3u);
  EXPECT_EQ(q[0].x, 100.0f);
  EXPECT_EQ(q[1].x, 100.0f + 2 * (5 + 3));
  EXPECT_EQ(q[2].x, 100.0f + 2 * (5 + 3 + 11 + 3));
  // The glyph's own rectangle, scaled.
  EXPECT_EQ(m_flushes[0][4].x - m_flushes[0][0].x, 10.0f);
  EXPECT_EQ(m_flushes[0][4].y - m_flushes[0][0].y, 7.0f);
  EXPECT_FLOAT_EQ(q[0].u, float(('A' % 16) * 8) / kEdge);
}

TEST_F(Overlay2DTest, Utf8BecomesLatin1Glyphs) {
  DeviceVideoManager* vm = StartRecording();
  ASSERT_NE(m_font, nullptr) << m_log.Dump();
  ASSERT_TRUE(vm->BeginFont(m_font));
  // é (two bytes), € (beyond Latin-1), a stray 0xE9 byte, a cut-off sequence.
  ASSERT_TRUE(vm->AddText("\xC3\xA9\xE2\x82\xAC\xE9\xC3", 0, 0, 1, 1, 1, 1));
  vm->EndFont();
  std::vector<Vertex2D> q = Quads();
  ASSERT_EQ(q.size(), 4u);
  auto u = [](int code) { return float((code % 16) * 8) / kEdge; };
  auto v = [](int code) { return float((code / 16) * 8) / kEdge; };
  EXPECT_FLOAT_EQ(q[0].u, u(0xE9));
  EXPECT_FLOAT_EQ(q[0].v, v(0xE9));
  EXPECT_FLOAT_EQ(q[1].v, v('?'));
  EXPECT_FLOAT_EQ(q[1].u, u('?'));
  EXPECT_FLOAT_EQ(q[2].v, v(0xE9));
  EXPECT_FLOAT_EQ(q[3].v, v(0xC3));
  EXPECT_EQ(m_font->GetTextWidth("\xC3\xA9\xE2\x82\xAC\xE9\xC3"), 20);
}

TEST_F(Overlay2DTest, ALongTextIsDrawnInChunksWithoutLosingThePen) {
  DeviceVideoManager* vm = StartRecording();
  ASSERT_NE(m_font, nullptr) << m_log.Dump();
  ASSERT_TRUE(vm->BeginFont(m_font));
  ASSERT_TRUE(vm->AddText("AB", 0, 0, 1, 1, 1, 1));  // a batch already under way
  ASSERT_TRUE(vm->AddText(std::string(1000, 'A'), 0, 10, 1, 1, 1, 1));
  vm->EndFont();
  ASSERT_GE(m_flushes.size(), 3u);
  for (const auto& f : m_flushes) EXPECT_LE(f.size(), 4096u);
  std::vector<Vertex2D> q = Quads();
  ASSERT_EQ(q.size(), 1002u);
  for (size_t i = 2; i < q.size(); ++i) ASSERT_EQ(q[i].x, float(5 * (i - 2))) << i;
}

TEST_F(Overlay2DTest, MissingEffectLeavesEveryBeginFailing) {
  FileSystem::RemoveFromSearchPath(kaztest::BasePackageDir().c_str());
  VideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  EXPECT_EQ(m_log.Count("Failed to load render effect for 2D overlays!", LogLevel_Error), 1);
  EXPECT_FALSE(vm->BeginQuads());
  m_font = GetFontResource("Fonts/test.f");
  ASSERT_NE(m_font, nullptr);
  EXPECT_FALSE(vm->BeginFont(m_font));
}

TEST_F(Overlay2DTest, AnEffectWithoutTheThreeTechniquesIsRefused) {
  // A package in front of base with a 2D effect that lacks Font.
  m_dir.Write("RenderEffects/internal/2DQuads.fx", R"(
float4x4 Proj2D : PROJ2DMATRIX;
vertexshader VS { void main() { gl_Position = Proj2D * in_Position; } }
pixelshader PS { void main() { FragColor = vec4(1.0); } }
technique Textured { pass { VertexShader = VS; PixelShader = PS; } }
technique Untextured { pass { VertexShader = VS; PixelShader = PS; } }
)");
  FileSystem::RemoveFromSearchPath(m_dir.Str());
  FileSystem::AddToSearchPath(m_dir.Str(), false);
  VideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  EXPECT_EQ(m_log.Count("2DQuads.fx does not contain techniques Textured, Untextured, and Font!",
                        LogLevel_Error),
            1)
      << m_log.Dump();
  EXPECT_FALSE(vm->BeginQuads());
}

TEST_F(Overlay2DTest, TechniquesThatDoNotValidateDisableTheOverlays) {
  NextScript().failTechniques = {"Font"};
  VideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  EXPECT_EQ(m_log.Count("2DQuads.fx techniques do not validate on this hardware!.", LogLevel_Error),
            1)
      << m_log.Dump();
  EXPECT_FALSE(vm->BeginQuads());
}

}  // namespace
