// FontTest.cpp - bitmap font files and the font resource: raw and compressed pixels, every
// way a file can be wrong, measurement, and the fonts the build bakes.
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "common/TestFiles.h"
#include "render/device/FontFile.h"
#include "render/gpu/Font.h"
#include "render/gpu/Texture.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

FontFileData SmallFont(uint32_t edge) {
  FontFileData f;
  f.edge = edge;
  f.coverage.resize(size_t(edge) * edge);
  for (size_t i = 0; i < f.coverage.size(); ++i) f.coverage[i] = uint8_t(i * 7);
  for (uint32_t c = 0; c < 256; ++c) f.glyphs[c] = {uint16_t(c % edge), 1, uint16_t(c % 4), 3};
  f.glyphs['I'] = {2, 2, 1, 6};
  f.glyphs['\033'] = {0, 0, 9, 4};
  return f;
}

void PutU32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (8 * i));
}

bool Parses(const std::vector<uint8_t>& file, std::string* reason = nullptr) {
  FontFileData out;
  std::string why;
  bool ok = ParseFontFile(file.data(), file.size(), &out, &why);
  if (reason) *reason = why;
  return ok;
}

TEST(FontFile, RawAndCompressedGiveTheSameFont) {
  FontFileData in = SmallFont(16);
  for (bool compress : {false, true}) {
    std::vector<uint8_t> file = EncodeFontFile(in, compress);
    FontFileData out;
    std::string reason;
    ASSERT_TRUE(ParseFontFile(file.data(), file.size(), &out, &reason)) << reason;
    EXPECT_EQ(out.edge, 16u);
    EXPECT_EQ(out.coverage, in.coverage);
    EXPECT_EQ(out.glyphs['I'].height, 6);
    EXPECT_EQ(out.glyphs[255].x, 255 % 16);
  }
}

TEST(FontFile, BadFilesAreRefused) {
  // The edge size must be 1 to 4096.
  std::vector<uint8_t> file = EncodeFontFile(SmallFont(1), false);
  EXPECT_TRUE(Parses(file));
  for (uint32_t edge : {0u, 4097u}) {
    PutU32(file, 4, edge);
    EXPECT_FALSE(Parses(file)) << edge;
  }
  // Raw data must be exactly the image: S x S + 1 present in the file, and a
  // D that promises more than the file holds.
  file = EncodeFontFile(SmallFont(8), false);
  file.push_back(0);
  PutU32(file, 8, 65);
  EXPECT_FALSE(Parses(file));
  std::string reason;
  file = EncodeFontFile(SmallFont(8), false);
  file.pop_back();
  EXPECT_FALSE(Parses(file, &reason));
  EXPECT_EQ(reason, "pixel data truncated");
  // A huge size is refused before anything is allocated.
  file = EncodeFontFile(SmallFont(8), true);
  std::vector<uint8_t> huge = file;
  PutU32(huge, 8, 0xFFFFFFF0u);
  EXPECT_FALSE(Parses(huge, &reason));
  EXPECT_EQ(reason, "pixel data truncated");
  // Compressed data must inflate to exactly the image.
  std::vector<uint8_t> broken = file;
  broken[kFontHeaderSize + 4] ^= 0x5A;
  EXPECT_FALSE(Parses(broken));
  // A valid stream of the wrong length: one byte short, one byte long.
  for (size_t n : {size_t(63), size_t(65)}) {
    std::vector<uint8_t> pixels(n, 9);
    uLongf len = compressBound(uLong(n));
    std::vector<uint8_t> z(len);
    compress2(z.data(), &len, pixels.data(), uLong(n), 9);
    std::vector<uint8_t> other(file.begin(), file.begin() + kFontHeaderSize);
    other.insert(other.end(), z.begin(), z.begin() + std::ptrdiff_t(len));
    PutU32(other, 8, uint32_t(len));
    EXPECT_FALSE(Parses(other)) << n;
  }
  std::vector<uint8_t> unknown = file;
  PutU32(unknown, 0, 0x12345678);
  EXPECT_FALSE(Parses(unknown));
  EXPECT_FALSE(Parses(std::vector<uint8_t>(file.begin(), file.begin() + 100)));
}

class FontResourceTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), true);
  }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    m_dir.Write(name, std::string(bytes.begin(), bytes.end()));
  }
  kaztest::TempDir m_dir{"fonts"};
};

TEST_F(FontResourceTest, LoadsMeasuresAndFillsTheTexture) {
  ASSERT_NE(Start(), nullptr);
  Write("Fonts/a.f", EncodeFontFile(SmallFont(16), true));
  FontResource* font = GetFontResource("Fonts/a.f");
  ASSERT_NE(font, nullptr) << m_log.Dump();
  EXPECT_EQ(font->GetTextHeight(), 6);
  EXPECT_EQ(font->GetTextHeight(1.5f), 9);
  EXPECT_EQ(font->GetTextWidth("\x01\x02\x03"), 1 + 2 + 3);
  EXPECT_EQ(font->GetTextWidth("\x03\x03\x03", 1.5f), 13);  // 13.5 truncated
  int w = 0, h = 0;
  font->GetTextExtent("I\x01", &w, &h, 2.0f, 0.5f);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 3);
  // A bare escape is a glyph like any other; measuring stops at the end.
  EXPECT_EQ(font->GetTextWidth(std::string_view("\x01\033", 2)), 10);
  BitmapFont* bitmap = font->GetFont();
  ASSERT_NE(bitmap->GetTexture(), nullptr);
  EXPECT_FLOAT_EQ(bitmap->GetGlyph('I').s0, 2.0f / 16);
  EXPECT_FLOAT_EQ(bitmap->GetGlyph('I').t1, (2.0f + 6) / 16);
  void* bits = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(bitmap->GetTexture()->Lock(0, &bits, &pitch, 0));
  const uint8_t* texel = static_cast<const uint8_t*>(bits) + pitch * 1 + 4 * 3;  // (3, 1)
  for (int c = 0; c < 4; ++c) EXPECT_EQ(texel[c], uint8_t((16 + 3) * 7));
  bitmap->GetTexture()->Unlock();
  font->Release();
}

TEST_F(FontResourceTest, BadFilesAndNoDeviceFailWithOneLine) {
  Write("Fonts/a.f", EncodeFontFile(SmallFont(8), true));
  EXPECT_EQ(GetFontResource("Fonts/a.f"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to load font resource 'Fonts/a.f' (video device not started)"), 1);
  ASSERT_NE(Start(), nullptr);
  std::vector<uint8_t> raw = EncodeFontFile(SmallFont(8), false);
  PutU32(raw, 8, 63);
  Write("Fonts/short.f", raw);
  EXPECT_EQ(GetFontResource("Fonts/short.f"), nullptr);
  EXPECT_EQ(GetFontResource("Fonts/missing.f"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to load font resource 'Fonts/short.f' (could not load file: ",
                        LogLevel_Error),
            1);
  EXPECT_EQ(m_log.Count("Failed to load font resource 'Fonts/missing.f'", LogLevel_Error), 1);
}

TEST_F(FontResourceTest, TheTextureIsMadeAgainAfterVideoShutdown) {
  VideoManager* vm = Start();
  ASSERT_NE(vm, nullptr);
  Write("Fonts/a.f", EncodeFontFile(SmallFont(8), true));
  FontResource* font = GetFontResource("Fonts/a.f");
  ASSERT_NE(font, nullptr);
  vm->Close();
  EXPECT_EQ(font->GetFont()->GetTexture(), nullptr);
  ASSERT_EQ(vm->SetDisplayMode(), 0);
  EXPECT_NE(font->GetFont()->GetTexture(), nullptr);
  font->Release();
}

// The fonts the build bakes into the base package.
FontFileData Baked(const char* name) {
  std::ifstream in(kaztest::BasePackageDir() + "/Fonts/" + name, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  FontFileData out;
  std::string reason;
  EXPECT_TRUE(ParseFontFile(file.data(), file.size(), &out, &reason)) << name << ": " << reason;
  return out;
}

TEST(BakedFonts, EveryLatin1LetterHasAWidthAndILineHeight) {
  struct Expect {
    const char* name;
    uint32_t edge, line;
  };
  for (Expect e : {Expect{"console.f", 256, 17}, Expect{"menu.f", 512, 25}}) {
    FontFileData f = Baked(e.name);
    EXPECT_EQ(f.edge, e.edge) << e.name;
    EXPECT_EQ(f.glyphs['I'].height, e.line) << e.name;
    for (int c = 0; c < 256; ++c) {
      bool letter =
          (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
      EXPECT_TRUE(!letter || f.glyphs[c].width > 0) << e.name << " " << c;
      // Cells lie inside the image and carry ink only where a glyph is.
      EXPECT_LE(f.glyphs[c].x + f.glyphs[c].width, int(f.edge));
      EXPECT_LE(f.glyphs[c].y + f.glyphs[c].height, int(f.edge));
    }
    EXPECT_EQ(f.glyphs[27].width, 0) << "control codes have no glyph";
  }
  FontFileData console = Baked("console.f");
  for (int c : {int(' '), int('i'), int('W'), 0xE9, 0xFF})
    EXPECT_EQ(console.glyphs[c].width, 8) << c;
}

// The baker's usage says what each argument is, and a bad size names the argument.
TEST(BakedFonts, TheBakerExplainsItsArguments) {
  const kaztest::CommandResult usage = kaztest::RunCommand(KAZ_BIN_DIR "/fontbake");
  EXPECT_EQ(usage.exitCode, 2);
  for (const char* text :
       {"FONT.ttf      the TrueType font", "PIXEL_HEIGHT  the height of a line",
        "EDGE          the width and height in pixels of the square glyph texture",
        "OUT.f         the bitmap font file"})
    EXPECT_TRUE(usage.Has(text)) << usage.output;
  const kaztest::CommandResult edge = kaztest::RunCommand(
      KAZ_BIN_DIR "/fontbake /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf 16 9000 /nowhere/x.f");
  EXPECT_EQ(edge.exitCode, 2);
  EXPECT_TRUE(edge.Has("fontbake: EDGE '9000' is not a texture size from 1 to 4096"))
      << edge.output;
}

}  // namespace
