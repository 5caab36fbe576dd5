// The scripting sample mod "lagoon" run headless: its lines, its console
// command and timer, and an F9 screenshot against a golden image.
//
// Regenerate the golden image after a deliberate change of the picture:
//   KAZ_UPDATE_GOLDEN=1 build/release/bin/test_script --gtest_filter='LagoonTest.*'
#include "core/Engine.h"
#include "core/KazEngine.h"
#include "core/TestWindow.h"

#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "render/Image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Per-channel difference a pixel may have, and the share of pixels that may
// differ by more.
constexpr int kChannelTolerance = 24;
constexpr double kMaxDifferingShare = 0.01;

void Capture(const char* text, bool continueLine, void* user) {
  auto* out = static_cast<std::string*>(user);
  *out += text;
  if (!continueLine) *out += '\n';
}

std::set<fs::path> Screenshots() {
  std::set<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(KAZ_BIN_DIR "/screenshots", error))
    files.insert(entry.path());
  return files;
}

bool Decode(const fs::path& path, Image& image, std::vector<uint8_t>& bgra) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string reason;
  if (bytes.empty() || !DecodeImage(bytes.data(), bytes.size(), &image, &reason)) return false;
  return ConvertToBGRA(image.format, image.Level(0, 0).data(), image.width * 4, image.width,
                       image.height, &bgra);
}

TEST(LagoonTest, BuildsItsSceneAndMatchesTheGoldenImage) {
  KAZ_REQUIRE_TEST_WINDOW();
  fs::remove(KAZ_BIN_DIR "/config/lagoon.cfg");
  CVarRegistry::Instance().ResetBuiltins();
  std::string out;
  std::vector<std::string> args = {
      KAZ_BIN_DIR "/shell", "-mod", "lagoon", "-ResX", "160", "-ResY", "120"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  auto* engine = static_cast<KazEngine*>(kazStartup(
      static_cast<int>(args.size()), argv.data(), TestWindow(), "Lagoon", "cove", &Capture, &out));
  ASSERT_NE(engine, nullptr) << out;
  ManualClock clock;
  engine->SetClock(&clock);
  engine->SetActive(true);
  for (int frame = 0; frame < 60; ++frame) {
    clock.Advance(0.05);
    engine->RunFrame();
  }
  EXPECT_EQ(engine->ExecuteCommand(false, "lagoon_crates"), 0);
  const std::set<fs::path> before = Screenshots();
  engine->OnKeyDown(EngineKey_F9);
  engine->OnKeyUp(EngineKey_F9);
  const std::set<fs::path> after = Screenshots();
  kazShutdown();

  EXPECT_NE(out.find("Lagoon: built a floor, a light, a camera and 3 crates."), std::string::npos)
      << out;
  EXPECT_NE(out.find("Lagoon: after two seconds the crates rest on the floor."), std::string::npos)
      << out;
  EXPECT_NE(out.find("Lagoon: crate heights 1."), std::string::npos) << out;
  EXPECT_EQ(out.find("Traceback"), std::string::npos) << out;

  std::vector<fs::path> taken;
  for (const fs::path& path : after)
    if (!before.count(path)) taken.push_back(path);
  ASSERT_EQ(taken.size(), 1u) << out;
  const fs::path golden = kaztest::TestDataDir() + "/script/lagoon_golden.bmp";
  if (std::getenv("KAZ_UPDATE_GOLDEN")) {
    fs::copy_file(taken[0], golden, fs::copy_options::overwrite_existing);
    fs::remove(taken[0]);
    GTEST_SKIP() << "golden image rewritten: " << golden;
  }
  Image shot, expected;
  std::vector<uint8_t> shotPixels, expectedPixels;
  ASSERT_TRUE(Decode(taken[0], shot, shotPixels));
  ASSERT_TRUE(Decode(golden, expected, expectedPixels)) << "missing " << golden;
  fs::remove(taken[0]);
  ASSERT_EQ(shot.width, expected.width);
  ASSERT_EQ(shot.height, expected.height);
  size_t differing = 0;
  for (size_t i = 0; i + 3 < shotPixels.size(); i += 4) {
    for (size_t c = 0; c < 3; ++c) {
      if (std::abs(shotPixels[i + c] - expectedPixels[i + c]) > kChannelTolerance) {
        ++differing;
        break;
      }
    }
  }
  EXPECT_LE(static_cast<double>(differing) / (shot.width * shot.height), kMaxDifferingShare);
}

}  // namespace
