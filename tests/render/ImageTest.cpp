// ImageTest.cpp - tests of image decoding and texture loading.
//
// Image decoding (PNG, TGA, BMP, JPEG through stb_image; our DDS reader with
// DXT1/3/5, cubes, volumes and mip chains), corrupt input, and textures
// loaded through the package file system on the fake device.
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

#include "render/device/Image.h"
#include "render/gpu/Texture.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

void Append(void* ctx, void* data, int size) {
  auto* v = static_cast<std::vector<uint8_t>*>(ctx);
  v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// 5 x 3 RGBA: column-dependent red, row-dependent green, alpha 200.
std::vector<uint8_t> Pixels(int comp) {
  std::vector<uint8_t> p;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      uint8_t rgba[4] = {uint8_t(x * 50), uint8_t(y * 100), 30, 200};
      p.insert(p.end(), rgba, rgba + comp);
    }
  return p;
}

std::vector<uint8_t> Encode(const char* kind, int comp) {
  std::vector<uint8_t> out, px = Pixels(comp);
  std::string k = kind;
  if (k == "png") stbi_write_png_to_func(Append, &out, 5, 3, comp, px.data(), 5 * comp);
  if (k == "tga") stbi_write_tga_to_func(Append, &out, 5, 3, comp, px.data());
  if (k == "bmp") stbi_write_bmp_to_func(Append, &out, 5, 3, comp, px.data());
  if (k == "jpg") stbi_write_jpg_to_func(Append, &out, 5, 3, comp, px.data(), 95);
  return out;
}

std::vector<uint8_t> DdsHeader(uint32_t w, uint32_t h, uint32_t mips, uint32_t depth,
                               const char* fourcc, uint32_t caps2) {
  std::vector<uint8_t> d(128, 0);
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&d[at], &v, 4); };
  std::memcpy(d.data(), "DDS ", 4);
  put(4, 124);
  put(8, 0x1007 | (mips > 1 ? 0x20000 : 0) | (depth > 1 ? 0x800000 : 0));
  put(12, h);
  put(16, w);
  put(24, depth);
  put(28, mips);
  put(76, 32);
  if (fourcc) {
    put(80, 0x4);
    std::memcpy(&d[84], fourcc, 4);
  } else {
    put(80, 0x41);
    put(88, 32);
    put(92, 0xFF0000);
    put(96, 0xFF00);
    put(100, 0xFF);
    put(104, 0xFF000000);
  }
  put(108, 0x1000);
  put(112, caps2);
  return d;
}

TEST(ImageDecode, CommonFormatsKeepSizeAndAlpha) {
  for (const char* kind : {"png", "tga", "bmp", "jpg"}) {
    for (int comp : {3, 4}) {
      if (std::string(kind) == "jpg" && comp == 4) continue;  // JPEG has no alpha
      std::vector<uint8_t> file = Encode(kind, comp);
      ASSERT_FALSE(file.empty()) << kind;
      Image img;
      std::string why;
      ASSERT_TRUE(DecodeImage(file.data(), file.size(), &img, &why)) << kind << ": " << why;
      EXPECT_EQ(img.width, 5u) << kind;
      EXPECT_EQ(img.height, 3u) << kind;
      EXPECT_EQ(img.format, comp == 4 ? FMT_A8R8G8B8 : FMT_X8R8G8B8) << kind << comp;
      // Top row first, BGRA: pixel (4, 0) has red 200; (0, 2) green 200.
      const std::vector<uint8_t>& p = img.data[0];
      EXPECT_NEAR(p[4 * 4 + 2], 200, 8) << kind;
      EXPECT_NEAR(p[(2 * 5) * 4 + 1], 200, 8) << kind;
      EXPECT_EQ(p[3], comp == 4 ? 200 : 255) << kind;
    }
  }
}

TEST(ImageDecode, DxtFormatsDecodeToTheirColours) {
  // One 4x4 block each: DXT1 with colour 0 = pure red; DXT3 with alpha 0x8;
  // DXT5 with interpolated alpha endpoints 255 and 0, index 1 (alpha 0).
  const std::vector<uint8_t> red = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
  const std::vector<uint8_t> alpha3(8, 0x88);
  const std::vector<uint8_t> alpha5 = {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24};  // all 1
  struct Case {
    const char* fourcc;
    Format format;
    std::vector<uint8_t> alpha;
    uint8_t wantAlpha;
  };
  for (const Case& c : {Case{"DXT1", FMT_DXT1, {}, 255}, Case{"DXT3", FMT_DXT3, alpha3, 0x88},
                        Case{"DXT5", FMT_DXT5, alpha5, 0}}) {
    std::vector<uint8_t> file = DdsHeader(4, 4, 1, 1, c.fourcc, 0);
    file.insert(file.end(), c.alpha.begin(), c.alpha.end());
    file.insert(file.end(), red.begin(), red.end());
    Image img;
    std::string why;
    ASSERT_TRUE(DecodeImage(file.data(), file.size(), &img, &why)) << c.fourcc << ": " << why;
    EXPECT_EQ(img.format, c.format);
    std::vector<uint8_t> bgra(64);
    DecompressDXT(c.format, img.data[0].data(), 4, 4, bgra.data());
    EXPECT_EQ(bgra[2], 255) << c.fourcc;
    EXPECT_EQ(bgra[3], c.wantAlpha) << c.fourcc;
  }
}

TEST(ImageDecode, MipChainCubeAndVolume) {
  std::vector<uint8_t> mip = DdsHeader(8, 4, 4, 1, nullptr, 0);
  mip.resize(128 + (32 + 8 + 2 + 1) * 4, 0x7F);
  Image img;
  std::string why;
  ASSERT_TRUE(DecodeImage(mip.data(), mip.size(), &img, &why)) << why;
  EXPECT_EQ(img.levels, 4u);
  EXPECT_EQ(img.Level(0, 3).size(), 4u);

  std::vector<uint8_t> cube = DdsHeader(2, 2, 1, 1, nullptr, 0x200 | 0xFC00);
  cube.resize(128 + 6 * 16, 1);
  ASSERT_TRUE(DecodeImage(cube.data(), cube.size(), &img, &why)) << why;
  EXPECT_EQ(img.type, GTEXTYPE_CUBE);
  EXPECT_EQ(img.faces, 6u);

  std::vector<uint8_t> vol = DdsHeader(2, 2, 1, 3, nullptr, 0x200000);
  vol.resize(128 + 3 * 16, 1);
  ASSERT_TRUE(DecodeImage(vol.data(), vol.size(), &img, &why)) << why;
  EXPECT_EQ(img.type, GTEXTYPE_VOLUME);
  EXPECT_EQ(img.depth, 3u);
}

TEST(ImageDecode, CorruptTruncatedAndOversizedInputFailCleanly) {
  Image img;
  std::string why;
  std::vector<uint8_t> png = Encode("png", 4);
  EXPECT_FALSE(DecodeImage(png.data(), png.size() / 2, &img, &why));
  std::vector<uint8_t> garbage(100, 0x5A);
  EXPECT_FALSE(DecodeImage(garbage.data(), garbage.size(), &img, &why));
  std::vector<uint8_t> dds = DdsHeader(64, 64, 1, 1, "DXT1", 0);
  dds.resize(128 + 100);  // needs 2048 bytes
  EXPECT_FALSE(DecodeImage(dds.data(), dds.size(), &img, &why));
  EXPECT_EQ(why, "file is truncated");
  std::vector<uint8_t> huge = DdsHeader(0x7FFFFFFF, 0x7FFFFFFF, 1, 1, "DXT5", 0);
  EXPECT_FALSE(DecodeImage(huge.data(), huge.size(), &img, &why));
  std::vector<uint8_t> partialCube = DdsHeader(2, 2, 1, 1, nullptr, 0x200 | 0x400);
  partialCube.resize(128 + 16, 0);
  EXPECT_FALSE(DecodeImage(partialCube.data(), partialCube.size(), &img, &why));
  EXPECT_FALSE(DecodeImage(nullptr, 0, &img, &why));
  // PNG chunk lengths must fit the file. A chunk that claims nearly 4 GiB: stb_image would try to
  // grow its buffer to that.
  std::vector<uint8_t> bad = png;
  bad[33] = 0xFF, bad[34] = 0xFF, bad[35] = 0xFF, bad[36] = 0x00;  // the chunk after IHDR
  EXPECT_FALSE(DecodeImage(bad.data(), bad.size(), &img, &why));
  EXPECT_EQ(why, "corrupt PNG: a chunk runs past the end of the file");
  // Cut before IEND.
  EXPECT_FALSE(DecodeImage(png.data(), png.size() - 12, &img, &why));
  // A declared size beyond the limit is refused before decoding.
  std::vector<uint8_t> wide = png;
  wide[16] = 0x00, wide[17] = 0x01, wide[18] = 0x00,
  wide[19] = 0x00;  // width 65536 (CRC left stale)
  EXPECT_FALSE(DecodeImage(wide.data(), wide.size(), &img, &why));
  // Within the limit but a gigabyte of pixels from a few bytes: refused before
  // stb_image allocates the picture (PNG and BMP headers alike).
  std::vector<uint8_t> vast = png;
  vast[16] = 0x00, vast[17] = 0x00, vast[18] = 0x40, vast[19] = 0x00;  // 16384 wide
  vast[20] = 0x00, vast[21] = 0x00, vast[22] = 0x40, vast[23] = 0x00;  // 16384 high
  why.clear();
  EXPECT_FALSE(DecodeImage(vast.data(), vast.size(), &img, &why));
  EXPECT_EQ(why, "image larger than its file can hold");
  std::vector<uint8_t> bmp = Encode("bmp", 4);
  for (int at : {18, 22}) bmp[at] = 0x00, bmp[at + 1] = 0x40, bmp[at + 2] = 0, bmp[at + 3] = 0;
  why.clear();
  EXPECT_FALSE(DecodeImage(bmp.data(), bmp.size(), &img, &why));
  EXPECT_EQ(why, "image larger than its file can hold");
}

TEST(ImageEncode, BmpIsBottomUp24Bit) {
  const uint8_t px[2 * 2 * 4] = {0,   0, 255, 255, 0,   255, 0,   255,
                                 255, 0, 0,   255, 255, 255, 255, 255};
  std::vector<uint8_t> bmp = EncodeBMP(px, 2, 2, 8);
  ASSERT_EQ(bmp.size(), 54u + 2 * 8);
  Image img;
  std::string why;
  ASSERT_TRUE(DecodeImage(bmp.data(), bmp.size(), &img, &why)) << why;
  EXPECT_EQ(img.data[0][2], 255);  // top-left red survives the round trip
  EXPECT_EQ(img.data[0][8], 255);  // bottom-left blue
}

class TextureLoadTest : public StartedVideoTest {};

TEST_F(TextureLoadTest, CubeAndVolumePrefixesAndSharingByName) {
  Texture* cube = LoadTexture("!Cube!Textures/cube.dds");
  ASSERT_NE(cube, nullptr) << m_log.Dump();
  EXPECT_EQ(cube->GetType(), uint32_t(TEXTYPE_CUBE));
  EXPECT_EQ(cube->GetWidth(), 4u);
  Texture* vol = LoadTexture("!Volume!Textures/volume.dds");
  ASSERT_NE(vol, nullptr) << m_log.Dump();
  EXPECT_EQ(vol->GetType(), uint32_t(TEXTYPE_VOLUME));
  EXPECT_EQ(vol->GetWidth(), 0u);  // not recorded for volumes
  // A 2D file is no cube.
  EXPECT_EQ(LoadTexture("!Cube!Textures/red_dxt1.dds"), nullptr);
  cube->Release();
  vol->Release();
  TextureResource* a = GetTextureResource("Textures/red_dxt1.dds");
  TextureResource* b = GetTextureResource("TEXTURES/RED_DXT1.DDS");
  ASSERT_NE(a, nullptr) << m_log.Dump();
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->GetRefCount(), 2);
  EXPECT_EQ(GetTextureResource("Textures/none.dds"), nullptr);
  a->Release();
  b->Release();
}

TEST_F(TextureLoadTest, MissingAndCorruptFilesGiveOneErrorLine) {
  EXPECT_EQ(LoadTexture("Textures/none.png"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to load texture 'Textures/none.png'", LogLevel_Error), 1);
  EXPECT_EQ(m_log.Count("could not open file"), 1);
  EXPECT_EQ(LoadTexture("RenderEffects/quad.fx"), nullptr);  // not an image
  EXPECT_EQ(m_log.Count("error reading file format", LogLevel_Error), 1);
  EXPECT_EQ(m_log.Count("", LogLevel_Error), 2);
  EXPECT_EQ(Texture::s_pool.GetInUseCount(), 1u);  // only the back-buffer wrapper
}

TEST_F(TextureLoadTest, LockRulesAndLevels) {
  Texture* t = CreateTexture(16, 16, TEXTYPE_2D, 2, true, false);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetLevelCount(), 5u);
  void* bits = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(t->Lock(2, &bits, &pitch, 0));
  EXPECT_EQ(pitch, 16u);  // level 2 is 4 texels wide
  EXPECT_FALSE(t->Lock(0, &bits, &pitch, 0));
  EXPECT_EQ(m_log.Count("Tried to double lock texture."), 1);
  EXPECT_TRUE(t->Unlock());
  EXPECT_FALSE(t->Unlock());
  t->Release();
}

}  // namespace
