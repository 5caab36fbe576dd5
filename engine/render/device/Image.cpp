// Image.cpp - image decoding (stb_image and our DDS reader), mip chains and BMP writing.
#include "render/device/Image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#define STBI_MAX_DIMENSIONS 16384
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
// stb_image copies zero-length chunks from null pointers, which is harmless
// but trips the sanitizer; exempt the library's own functions where we can.
#ifdef __clang__
#pragma clang attribute push(__attribute__((no_sanitize("undefined"))), apply_to = function)
#endif
#include <stb/stb_image.h>
#ifdef __clang__
#pragma clang attribute pop
#endif
#pragma GCC diagnostic pop

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t ReadU16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}

uint32_t MaxLevels(uint32_t w, uint32_t h, uint32_t d) {
  uint32_t m = std::max(w, std::max(h, d)), n = 1;
  while (m > 1) {
    m >>= 1;
    ++n;
  }
  return n;
}

constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000, DDSD_DEPTH = 0x800000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40,
                   DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_ALLFACES = 0xFC00, DDSCAPS2_VOLUME = 0x200000;

// How a DDS pixel layout is stored by us: the file format, and whether its
// texels are rewritten into a 32-bit layout on the way.
enum Convert { CV_NONE, CV_24TO32, CV_ABGR_TO_ARGB, CV_XBGR_TO_XRGB };

void Expand565(uint16_t c, uint8_t* bgr) {
  bgr[2] = uint8_t(((c >> 11) & 31) * 255 / 31);
  bgr[1] = uint8_t(((c >> 5) & 63) * 255 / 63);
  bgr[0] = uint8_t((c & 31) * 255 / 31);
}

void DecodeColorBlock(const uint8_t* b, bool allowTransparent, uint8_t out[16][4]) {
  uint16_t c0 = ReadU16(b), c1 = ReadU16(b + 2);
  uint8_t pal[4][4];
  Expand565(c0, pal[0]);
  Expand565(c1, pal[1]);
  pal[0][3] = pal[1][3] = 255;
  if (c0 > c1 || !allowTransparent) {
    for (int k = 0; k < 3; ++k) {
      pal[2][k] = uint8_t((2 * pal[0][k] + pal[1][k]) / 3);
      pal[3][k] = uint8_t((pal[0][k] + 2 * pal[1][k]) / 3);
    }
    pal[2][3] = pal[3][3] = 255;
  } else {
    for (int k = 0; k < 3; ++k) {
      pal[2][k] = uint8_t((pal[0][k] + pal[1][k]) / 2);
      pal[3][k] = 0;
    }
    pal[2][3] = 255;
    pal[3][3] = 0;
  }
  uint32_t bits = ReadU32(b + 4);
  for (int i = 0; i < 16; ++i) std::memcpy(out[i], pal[(bits >> (2 * i)) & 3], 4);
}

}  // namespace

void DecompressDXT(Format f, const uint8_t* src, uint32_t width, uint32_t height, uint8_t* bgra) {
  uint32_t bw = (width + 3) / 4, bh = (height + 3) / 4;
  size_t blockSize = f == FMT_DXT1 ? 8 : 16;
  for (uint32_t by = 0; by < bh; ++by)
    for (uint32_t bx = 0; bx < bw; ++bx) {
      const uint8_t* b = src + (size_t(by) * bw + bx) * blockSize;
      uint8_t px[16][4];
      if (f == FMT_DXT1) {
        DecodeColorBlock(b, true, px);
      } else {
        DecodeColorBlock(b + 8, false, px);
        if (f == FMT_DXT2 || f == FMT_DXT3) {
          for (int i = 0; i < 16; ++i) {
            uint8_t a = uint8_t((b[i / 2] >> (4 * (i & 1))) & 15);
            px[i][3] = uint8_t(a * 17);
          }
        } else {
          uint8_t a[8] = {b[0], b[1]};
          if (a[0] > a[1]) {
            for (int k = 1; k < 7; ++k) a[k + 1] = uint8_t(((7 - k) * a[0] + k * a[1]) / 7);
          } else {
            for (int k = 1; k < 5; ++k) a[k + 1] = uint8_t(((5 - k) * a[0] + k * a[1]) / 5);
            a[6] = 0;
            a[7] = 255;
          }
          uint64_t bits = 0;
          for (int k = 0; k < 6; ++k) bits |= uint64_t(b[2 + k]) << (8 * k);
          for (int i = 0; i < 16; ++i) px[i][3] = a[(bits >> (3 * i)) & 7];
        }
      }
      for (int i = 0; i < 16; ++i) {
        uint32_t x = bx * 4 + uint32_t(i & 3), y = by * 4 + uint32_t(i >> 2);
        if (x < width && y < height) std::memcpy(bgra + (size_t(y) * width + x) * 4, px[i], 4);
      }
    }
}

bool ConvertToBGRA(Format f, const uint8_t* src, uint32_t srcPitch, uint32_t width, uint32_t height,
                   std::vector<uint8_t>* out) {
  out->assign(size_t(width) * height * 4, 0);
  uint8_t* d = out->data();
  if (IsCompressedFormat(f)) {
    DecompressDXT(f, src, width, height, d);
    return true;
  }
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* s = src + size_t(y) * srcPitch;
    uint8_t* o = d + size_t(y) * width * 4;
    for (uint32_t x = 0; x < width; ++x, o += 4) {
      switch (f) {
        case FMT_A8R8G8B8:
          std::memcpy(o, s + x * 4, 4);
          break;
        case FMT_X8R8G8B8:
          std::memcpy(o, s + x * 4, 3);
          o[3] = 255;
          break;
        case FMT_R8G8B8:
          std::memcpy(o, s + x * 3, 3);
          o[3] = 255;
          break;
        case FMT_R5G6B5:
          Expand565(ReadU16(s + x * 2), o);
          o[3] = 255;
          break;
        case FMT_X1R5G5B5:
        case FMT_A1R5G5B5: {
          uint16_t c = ReadU16(s + x * 2);
          o[2] = uint8_t(((c >> 10) & 31) * 255 / 31);
          o[1] = uint8_t(((c >> 5) & 31) * 255 / 31);
          o[0] = uint8_t((c & 31) * 255 / 31);
          o[3] = (f == FMT_X1R5G5B5 || (c & 0x8000)) ? 255 : 0;
          break;
        }
        case FMT_A4R4G4B4:
        case FMT_X4R4G4B4: {
          uint16_t c = ReadU16(s + x * 2);
          o[2] = uint8_t(((c >> 8) & 15) * 17);
          o[1] = uint8_t(((c >> 4) & 15) * 17);
          o[0] = uint8_t((c & 15) * 17);
          o[3] = f == FMT_X4R4G4B4 ? 255 : uint8_t((c >> 12) * 17);
          break;
        }
        case FMT_A8:
          o[3] = s[x];
          break;
        case FMT_L8:
          o[0] = o[1] = o[2] = s[x];
          o[3] = 255;
          break;
        case FMT_A8L8:
          o[0] = o[1] = o[2] = s[x * 2];
          o[3] = s[x * 2 + 1];
          break;
        default:
          return false;
      }
    }
  }
  return true;
}

namespace {

// The fields of a DDS header the reader uses.
struct DdsHeader {
  uint32_t width, height, depth, mips;
  uint32_t pfFlags, fourCC, bits, rMask, gMask, bMask, aMask;
  bool cube, volume;
};

bool ReadDdsHeader(const uint8_t* p, size_t size, DdsHeader* h, std::string* reason) {
  if (size < 128 || std::memcmp(p, "DDS ", 4) != 0 || ReadU32(p + 4) != 124) {
    *reason = "not a DDS file";
    return false;
  }
  uint32_t flags = ReadU32(p + 8);
  h->height = ReadU32(p + 12);
  h->width = ReadU32(p + 16);
  h->depth = (flags & DDSD_DEPTH) ? ReadU32(p + 24) : 1;
  h->mips = (flags & DDSD_MIPMAPCOUNT) ? ReadU32(p + 28) : 1;
  h->pfFlags = ReadU32(p + 80);
  h->fourCC = ReadU32(p + 84);
  h->bits = ReadU32(p + 88);
  h->rMask = ReadU32(p + 92);
  h->gMask = ReadU32(p + 96);
  h->bMask = ReadU32(p + 100);
  h->aMask = ReadU32(p + 104);
  uint32_t caps2 = ReadU32(p + 112);
  h->cube = (caps2 & DDSCAPS2_CUBEMAP) != 0;
  h->volume = (caps2 & DDSCAPS2_VOLUME) != 0 && h->depth > 1;
  if (h->cube && (caps2 & DDSCAPS2_ALLFACES) != DDSCAPS2_ALLFACES) {
    *reason = "incomplete cube map";
    return false;
  }
  if (h->width == 0 || h->height == 0 || h->width > kMaxImageDimension ||
      h->height > kMaxImageDimension || h->depth == 0 || h->depth > kMaxVolumeDepth ||
      (h->cube && h->width != h->height)) {
    *reason = "bad image size";
    return false;
  }
  if (!h->volume) h->depth = 1;
  return true;
}

// The file's pixel format and how its texels are rewritten; FMT_UNKNOWN when unsupported.
Format DdsPixelFormat(const DdsHeader& h, Convert* cv) {
  *cv = CV_NONE;
  if (h.pfFlags & DDPF_FOURCC) {
    switch (h.fourCC) {
      case FMT_DXT1:
      case FMT_DXT2:
      case FMT_DXT3:
      case FMT_DXT4:
      case FMT_DXT5:
        return Format(h.fourCC);
      default:
        return FMT_UNKNOWN;
    }
  }
  if (h.pfFlags & DDPF_RGB) {
    bool alpha = (h.pfFlags & DDPF_ALPHAPIXELS) && h.aMask;
    auto masks = [&](uint32_t bits, uint32_t r, uint32_t g, uint32_t b) {
      return h.bits == bits && h.rMask == r && h.gMask == g && h.bMask == b;
    };
    if (masks(32, 0xFF0000, 0xFF00, 0xFF)) return alpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
    if (masks(32, 0xFF, 0xFF00, 0xFF0000)) {
      *cv = alpha ? CV_ABGR_TO_ARGB : CV_XBGR_TO_XRGB;
      return alpha ? FMT_A8B8G8R8 : FMT_X8B8G8R8;
    }
    if (masks(24, 0xFF0000, 0xFF00, 0xFF)) {
      *cv = CV_24TO32;
      return FMT_R8G8B8;
    }
    if (masks(16, 0xF800, 0x7E0, 0x1F)) return FMT_R5G6B5;
    if (masks(16, 0x7C00, 0x3E0, 0x1F)) return alpha ? FMT_A1R5G5B5 : FMT_X1R5G5B5;
    if (masks(16, 0xF00, 0xF0, 0xF)) return alpha ? FMT_A4R4G4B4 : FMT_X4R4G4B4;
    return FMT_UNKNOWN;
  }
  if ((h.pfFlags & DDPF_ALPHA) && h.bits == 8) return FMT_A8;
  if (h.pfFlags & DDPF_LUMINANCE) {
    if (h.bits == 8) return FMT_L8;
    if (h.bits == 16 && (h.pfFlags & DDPF_ALPHAPIXELS)) return FMT_A8L8;
  }
  return FMT_UNKNOWN;
}

// Rewrites 24-bit and BGR-ordered texels into the 32-bit layout we store.
void ConvertTexels(Convert cv, const uint8_t* src, size_t pixels, std::vector<uint8_t>* dst) {
  dst->resize(pixels * 4);
  for (size_t i = 0; i < pixels; ++i) {
    uint8_t* o = &(*dst)[i * 4];
    if (cv == CV_24TO32) {
      std::memcpy(o, src + i * 3, 3);
      o[3] = 255;
    } else {
      const uint8_t* s = src + i * 4;
      o[0] = s[2];
      o[1] = s[1];
      o[2] = s[0];
      o[3] = cv == CV_ABGR_TO_ARGB ? s[3] : 255;
    }
  }
}

// Copies every face and level that follows the header; false when the file ends early.
bool ReadDdsLevels(const uint8_t* p, size_t size, const DdsHeader& h, Format fileFormat, Convert cv,
                   Image* img, std::string* reason) {
  size_t offset = 128;
  for (uint32_t face = 0; face < img->faces; ++face)
    for (uint32_t level = 0; level < img->levels; ++level) {
      uint32_t w = Image::LevelExtent(h.width, level), ht = Image::LevelExtent(h.height, level);
      uint32_t d = Image::LevelExtent(h.depth, level);
      uint64_t sliceBytes =
          cv == CV_NONE ? GetFormatLevelSize(fileFormat, w, ht) : uint64_t(w) * ht * (h.bits / 8);
      uint64_t levelBytes = sliceBytes * d;
      if (levelBytes > size - offset) {
        *reason = "file is truncated";
        return false;
      }
      const uint8_t* src = p + offset;
      std::vector<uint8_t>& dst = img->Level(face, level);
      if (cv == CV_NONE)
        dst.assign(src, src + levelBytes);
      else
        ConvertTexels(cv, src, size_t(w) * ht * d, &dst);
      offset += size_t(levelBytes);
    }
  return true;
}

}  // namespace

bool DecodeDDS(const void* data, size_t size, Image* out, std::string* reason) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  DdsHeader h;
  if (!ReadDdsHeader(p, size, &h, reason)) return false;
  Convert cv = CV_NONE;
  Format fileFormat = DdsPixelFormat(h, &cv);
  if (fileFormat == FMT_UNKNOWN) {
    *reason = "unsupported DDS pixel format";
    return false;
  }
  if (IsCompressedFormat(fileFormat) && h.volume) {
    *reason = "compressed volume textures are not supported";
    return false;
  }

  Image img;
  img.type = h.cube ? GTEXTYPE_CUBE : h.volume ? GTEXTYPE_VOLUME : GTEXTYPE_2D;
  img.width = h.width;
  img.height = h.height;
  img.depth = h.depth;
  img.faces = h.cube ? 6 : 1;
  img.levels = std::clamp<uint32_t>(h.mips, 1, MaxLevels(h.width, h.height, h.depth));
  Format stored = fileFormat;
  if (cv == CV_24TO32 || cv == CV_XBGR_TO_XRGB) stored = FMT_X8R8G8B8;
  if (cv == CV_ABGR_TO_ARGB) stored = FMT_A8R8G8B8;
  img.format = stored;
  img.data.resize(size_t(img.faces) * img.levels);
  if (!ReadDdsLevels(p, size, h, fileFormat, cv, &img, reason)) return false;
  *out = std::move(img);
  return true;
}

namespace {
// stb_image grows its buffer by whatever length a PNG chunk declares, so a few
// corrupt bytes can ask for gigabytes. Every chunk must fit in the file.
bool PngChunksFit(const uint8_t* p, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < 8 || std::memcmp(p, kSignature, 8) != 0) return true;  // not a PNG
  size_t at = 8;
  while (size - at >= 12) {
    uint32_t length =
        uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3];
    if (length > size - at - 12) return false;
    if (std::memcmp(p + at + 4, "IEND", 4) == 0) return true;
    at += 12 + size_t(length);
  }
  return false;  // ends inside a chunk header, before IEND
}

// stb_image allocates the whole picture before it reads a pixel, so a header
// alone could ask for a gigabyte. Up to 64 MiB of pixels any file may ask;
// beyond that the file must be large enough to hold them at the best ratio
// its format reaches (deflate stops near 1032:1, a flat JPEG below 2048:1).
bool PixelsFitFile(uint64_t pixelBytes, size_t fileBytes) {
  constexpr uint64_t kFreeBytes = uint64_t(64) << 20;
  constexpr uint64_t kBestRatio = 2048;
  return pixelBytes <= kFreeBytes || pixelBytes <= uint64_t(fileBytes) * kBestRatio;
}
}  // namespace

bool DecodeImage(const void* data, size_t size, Image* out, std::string* reason) {
  if (!data || size == 0) {
    *reason = "empty file";
    return false;
  }
  if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return DecodeDDS(data, size, out, reason);
  if (size > 0x7FFFFFFF) {
    *reason = "file too large";
    return false;
  }
  if (!PngChunksFit(static_cast<const uint8_t*>(data), size)) {
    *reason = "corrupt PNG: a chunk runs past the end of the file";
    return false;
  }
  int w = 0, h = 0, comp = 0;
  // Refuse oversized images before anything is allocated for them.
  if (stbi_info_from_memory(static_cast<const stbi_uc*>(data), int(size), &w, &h, &comp) &&
      (w <= 0 || h <= 0 || uint32_t(w) > kMaxImageDimension || uint32_t(h) > kMaxImageDimension)) {
    *reason = "bad image size";
    return false;
  }
  if (!PixelsFitFile(uint64_t(w) * uint64_t(h) * 4, size)) {
    *reason = "image larger than its file can hold";
    return false;
  }
  stbi_uc* pixels =
      stbi_load_from_memory(static_cast<const stbi_uc*>(data), int(size), &w, &h, &comp, 4);
  if (!pixels) {
    const char* why = stbi_failure_reason();
    *reason = why ? why : "unknown image format";
    return false;
  }
  if (w <= 0 || h <= 0 || uint32_t(w) > kMaxImageDimension || uint32_t(h) > kMaxImageDimension) {
    stbi_image_free(pixels);
    *reason = "bad image size";
    return false;
  }
  Image img;
  img.type = GTEXTYPE_2D;
  img.width = uint32_t(w);
  img.height = uint32_t(h);
  bool alpha = comp == 2 || comp == 4;
  img.format = alpha ? FMT_A8R8G8B8 : FMT_X8R8G8B8;
  img.levels = 1;
  img.data.resize(1);
  std::vector<uint8_t>& d = img.data[0];
  size_t n = size_t(w) * size_t(h);
  d.resize(n * 4);
  for (size_t i = 0; i < n; ++i) {  // RGBA -> BGRA
    d[i * 4 + 0] = pixels[i * 4 + 2];
    d[i * 4 + 1] = pixels[i * 4 + 1];
    d[i * 4 + 2] = pixels[i * 4 + 0];
    d[i * 4 + 3] = alpha ? pixels[i * 4 + 3] : 255;
  }
  stbi_image_free(pixels);
  *out = std::move(img);
  return true;
}

uint32_t GenerateMipChain(Image* img, uint32_t maxLevels) {
  if ((img->format != FMT_A8R8G8B8 && img->format != FMT_X8R8G8B8) || img->levels != 1)
    return img->levels;
  uint32_t levels = MaxLevels(img->width, img->height, img->depth);
  if (maxLevels) levels = std::min(levels, maxLevels);
  if (levels <= 1) return img->levels;
  std::vector<std::vector<uint8_t>> data(size_t(img->faces) * levels);
  for (uint32_t face = 0; face < img->faces; ++face) {
    data[face * levels] = std::move(img->data[face]);
    for (uint32_t l = 1; l < levels; ++l) {
      uint32_t pw = Image::LevelExtent(img->width, l - 1),
               ph = Image::LevelExtent(img->height, l - 1);
      uint32_t pd = Image::LevelExtent(img->depth, l - 1);
      uint32_t w = Image::LevelExtent(img->width, l), h = Image::LevelExtent(img->height, l);
      uint32_t d = Image::LevelExtent(img->depth, l);
      const std::vector<uint8_t>& src = data[face * levels + l - 1];
      std::vector<uint8_t>& dst = data[face * levels + l];
      dst.resize(size_t(w) * h * d * 4);
      for (uint32_t z = 0; z < d; ++z)
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
              uint32_t sum = 0, n = 0;
              for (uint32_t dz = 0; dz < 2; ++dz)
                for (uint32_t dy = 0; dy < 2; ++dy)
                  for (uint32_t dx = 0; dx < 2; ++dx) {
                    uint32_t sx = std::min(x * 2 + dx, pw - 1), sy = std::min(y * 2 + dy, ph - 1);
                    uint32_t sz = std::min(z * 2 + dz, pd - 1);
                    sum += src[((size_t(sz) * ph + sy) * pw + sx) * 4 + size_t(c)];
                    ++n;
                  }
              dst[((size_t(z) * h + y) * w + x) * 4 + size_t(c)] = uint8_t((sum + n / 2) / n);
            }
    }
  }
  img->data = std::move(data);
  img->levels = levels;
  return levels;
}

std::vector<uint8_t> EncodeBMP(const uint8_t* bgra, uint32_t width, uint32_t height,
                               uint32_t pitch) {
  uint32_t rowBytes = (width * 3 + 3) & ~3u;
  uint32_t imageBytes = rowBytes * height;
  std::vector<uint8_t> out(54 + size_t(imageBytes), 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, 54 + imageBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);  // positive: bottom-up rows
  out[26] = 1;
  out[28] = 24;
  put32(34, imageBytes);
  put32(38, 2835);  // 72 dpi
  put32(42, 2835);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* s = bgra + size_t(height - 1 - y) * pitch;
    uint8_t* d = &out[54 + size_t(y) * rowBytes];
    for (uint32_t x = 0; x < width; ++x) std::memcpy(d + x * 3, s + x * 4, 3);
  }
  return out;
}

bool WriteBMPFile(const std::string& nativePath, const uint8_t* bgra, uint32_t width,
                  uint32_t height, uint32_t pitch, std::string* reason) {
  std::vector<uint8_t> bytes = EncodeBMP(bgra, width, height, pitch);
  FILE* f = std::fopen(nativePath.c_str(), "wb");
  if (!f) {
    *reason = "cannot create file";
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) *reason = "write failed";
  return ok;
}
