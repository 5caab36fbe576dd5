// ImageCompare.h - screenshots against checked-in golden images.
//
// MatchesGolden reads a screenshot and its golden image (BMP, PNG, anything
// stb_image reads) and passes when they have the same size and no more than a
// small share of pixels differ by more than a per-channel tolerance, so a
// driver's rounding does not fail a test while a missing or moved element
// does. A failure writes the screenshot as "<golden name>.actual.png" into
// the system's temporary folder for inspection.
//
// Regenerating: run the test with KAZ_UPDATE_GOLDEN=1 in the environment;
// every golden it compares against is then written from the screenshot (as
// PNG, or as the screenshot's own bytes for a .bmp golden), e.g.
//   KAZ_UPDATE_GOLDEN=1 ctest --preset release -R ConsoleDisplay
//
// Builds on stb_image and stb_image_write (Debian's libstb-dev).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kaztest {

struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // rows top first, 3 bytes a pixel
  const uint8_t* At(int x, int y) const {
    return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
  }
};

bool ReadImage(const std::string& path, RgbImage* out);
bool WritePng(const std::string& path, const RgbImage& image);

// Tolerances: a channel may differ by channelTolerance; at most maxShare of
// the pixels may differ by more.
::testing::AssertionResult MatchesGolden(const std::string& screenshot, const std::string& golden,
                                         int channelTolerance = 24, double maxShare = 0.005);

// The folder of golden images (tests/data/golden).
std::string GoldenDir();

// The newest .bmp in a folder, the last by name among equally new ones (""
// when there is none): the screenshot F9 has just taken.
std::string NewestScreenshot(const std::string& folder);

}  // namespace kaztest
