// ImageCompare.cpp - see ImageCompare.h.
#include "common/ImageCompare.h"

// Static copies, so the engine's own stb_image objects never clash with these.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/TestFiles.h"

namespace kaztest {

bool ReadImage(const std::string& path, RgbImage* out) {
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &n, 3);
  if (!pixels) return false;
  out->width = w;
  out->height = h;
  out->rgb.assign(pixels, pixels + size_t(w) * size_t(h) * 3);
  stbi_image_free(pixels);
  return true;
}

bool WritePng(const std::string& path, const RgbImage& image) {
  return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                        image.width * 3) != 0;
}

std::string GoldenDir() {
  return TestDataDir() + "/golden";
}

std::string NewestScreenshot(const std::string& folder) {
  namespace fs = std::filesystem;
  std::string best;
  fs::file_time_type bestTime;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() != ".bmp") continue;
    const fs::file_time_type time = entry.last_write_time(error);
    if (best.empty() || time > bestTime || (time == bestTime && entry.path().string() > best)) {
      best = entry.path().string();
      bestTime = time;
    }
  }
  return best;
}

::testing::AssertionResult MatchesGolden(const std::string& screenshot, const std::string& golden,
                                         int channelTolerance, double maxShare) {
  RgbImage actual, expected;
  if (!ReadImage(screenshot, &actual))
    return ::testing::AssertionFailure() << "cannot read the screenshot " << screenshot;
  const char* update = std::getenv("KAZ_UPDATE_GOLDEN");
  if (update && *update && *update != '0') {
    std::error_code error;
    const bool written =
        std::filesystem::path(golden).extension() == ".bmp"
            ? std::filesystem::copy_file(screenshot, golden,
                                         std::filesystem::copy_options::overwrite_existing, error)
            : WritePng(golden, actual);
    if (!written)
      return ::testing::AssertionFailure() << "cannot write the golden image " << golden;
    return ::testing::AssertionSuccess() << "golden image written: " << golden;
  }
  if (!ReadImage(golden, &expected))
    return ::testing::AssertionFailure()
           << "no golden image " << golden << " (KAZ_UPDATE_GOLDEN=1 writes it)";
  const std::string saved = (std::filesystem::temp_directory_path() /
                             (std::filesystem::path(golden).stem().string() + ".actual.png"))
                                .string();
  if (actual.width != expected.width || actual.height != expected.height) {
    WritePng(saved, actual);
    return ::testing::AssertionFailure()
           << "size " << actual.width << "x" << actual.height << " instead of " << expected.width
           << "x" << expected.height << "; screenshot saved as " << saved;
  }
  size_t differing = 0;
  int worst = 0;
  for (int y = 0; y < actual.height; ++y)
    for (int x = 0; x < actual.width; ++x) {
      int diff = 0;
      for (int c = 0; c < 3; ++c)
        diff = std::max(diff, std::abs(actual.At(x, y)[c] - expected.At(x, y)[c]));
      worst = std::max(worst, diff);
      if (diff > channelTolerance) ++differing;
    }
  const double share = double(differing) / (double(actual.width) * double(actual.height));
  if (share > maxShare) {
    WritePng(saved, actual);
    std::ostringstream s;
    s << differing << " pixels (" << share * 100.0 << "%) differ by more than " << channelTolerance
      << " (worst " << worst << "); screenshot saved as " << saved;
    return ::testing::AssertionFailure() << s.str();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kaztest
