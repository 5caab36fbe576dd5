// Golden.h - compares a screenshot with a checked-in golden image.
//
// Images are BMP files (24 or 32 bits, uncompressed, as the engine writes
// them). Two images match when they have the same size and at most `share`
// of their pixels differ by more than `channel` in any colour channel: small
// rasteriser differences pass, a missing object or a wrong colour does not.
// Golden images live in tests/data/golden/<name>.bmp. Run a test with
// KAZ_UPDATE_GOLDEN=1 in the environment to write the current image there
// instead of comparing (the way to regenerate them after a deliberate change).
//
// Builds on GoogleTest only.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kaztest {

struct BmpImage {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first, three bytes a pixel
};

// False when the file is not an uncompressed 24- or 32-bit BMP.
bool ReadBmp(const std::string& path, BmpImage* image);

struct GoldenTolerance {
  int channel = 12;
  double share = 0.01;
};

::testing::AssertionResult MatchesGolden(const std::string& bmpPath, const std::string& name,
                                         GoldenTolerance tolerance = {});

// The newest .bmp file in a folder ("" when there is none).
std::string NewestBmp(const std::string& folder);

}  // namespace kaztest
