// Golden.cpp - BMP reading and tolerant image comparison.
#include "common/Golden.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/TestFiles.h"

namespace kaztest {

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

}  // namespace

bool ReadBmp(const std::string& path, BmpImage* image) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t offset = Le32(b, 10);
  const int32_t width = int32_t(Le32(b, 18)), height = int32_t(Le32(b, 22));
  const uint32_t bits = uint32_t(b[28]) | uint32_t(b[29]) << 8;
  if (width <= 0 || height == 0 || (bits != 24 && bits != 32) || Le32(b, 30) != 0) return false;
  const uint32_t rows = uint32_t(height < 0 ? -height : height);
  const size_t pitch = (size_t(width) * (bits / 8) + 3) & ~size_t(3);
  if (offset + pitch * rows > b.size()) return false;
  image->width = uint32_t(width);
  image->height = rows;
  image->rgb.resize(size_t(width) * rows * 3);
  for (uint32_t y = 0; y < rows; ++y) {
    // Stored bottom row first unless the height is negative.
    const uint32_t source = height > 0 ? rows - 1 - y : y;
    const uint8_t* row = &b[offset + pitch * source];
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = row + size_t(x) * (bits / 8);
      uint8_t* out = &image->rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
      out[0] = p[2], out[1] = p[1], out[2] = p[0];
    }
  }
  return true;
}

std::string NewestBmp(const std::string& folder) {
  namespace fs = std::filesystem;
  std::string best;
  fs::file_time_type bestTime;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".bmp") continue;
    if (best.empty() || entry.last_write_time() >= bestTime || entry.path().string() > best) {
      best = entry.path().string();
      bestTime = entry.last_write_time();
    }
  }
  return best;
}

::testing::AssertionResult MatchesGolden(const std::string& bmpPath, const std::string& name,
                                         GoldenTolerance tolerance) {
  const std::string golden = TestDataDir() + "/golden/" + name + ".bmp";
  const char* update = std::getenv("KAZ_UPDATE_GOLDEN");
  if (update && *update && std::strcmp(update, "0") != 0) {
    std::filesystem::create_directories(TestDataDir() + "/golden");
    std::filesystem::copy_file(bmpPath, golden, std::filesystem::copy_options::overwrite_existing);
    return ::testing::AssertionSuccess() << "golden image written: " << golden;
  }
  BmpImage actual, expected;
  if (!ReadBmp(bmpPath, &actual))
    return ::testing::AssertionFailure() << "not a readable BMP: " << bmpPath;
  if (!ReadBmp(golden, &expected))
    return ::testing::AssertionFailure()
           << "no golden image " << golden << " (run with KAZ_UPDATE_GOLDEN=1 to write it)";
  if (actual.width != expected.width || actual.height != expected.height)
    return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height
                                         << ", golden " << expected.width << "x" << expected.height;
  size_t differing = 0;
  int worst = 0;
  for (size_t i = 0; i < actual.rgb.size(); i += 3) {
    int d = 0;
    for (size_t c = 0; c < 3; ++c)
      d = std::max(d, std::abs(actual.rgb[i + c] - expected.rgb[i + c]));
    worst = std::max(worst, d);
    if (d > tolerance.channel) ++differing;
  }
  const size_t pixels = actual.rgb.size() / 3;
  if (double(differing) > tolerance.share * double(pixels)) {
    // Kept for a look: the test's own folder is usually temporary.
    const auto kept = std::filesystem::temp_directory_path() / ("kaz-golden-" + name + ".bmp");
    std::error_code ignored;
    std::filesystem::copy_file(bmpPath, kept, std::filesystem::copy_options::overwrite_existing,
                               ignored);
    return ::testing::AssertionFailure()
           << differing << " of " << pixels << " pixels differ from " << golden << " by more than "
           << tolerance.channel << " (worst " << worst << "); image kept as " << kept.string();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kaztest
