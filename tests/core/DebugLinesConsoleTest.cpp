// DebugLinesConsoleTest.cpp - the debug lines a player switches on by typing
// into the console ("DrawGrid 1", "DrawBoxes 1", "DrawSkeletons 1") show up in
// F9 screenshots of the "embers" sample, whose walker is a skinned mesh. The
// world is frozen (TimeWarp 0) while the console opens and closes, so the only
// pixels that change between two shots are those of the new lines.
#include "common/ImageCompare.h"
#include "console/CVarRegistry.h"
#include "core/Engine.h"
#include "core/KazEngine.h"
#include "core/TestWindow.h"
#include "render/ParticleSystemObject.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_output;
void Capture(const char* text, bool, void*) {
  g_output.emplace_back(text);
}

bool Near(const uint8_t* p, uint32_t argb) {
  const int want[3] = {int(argb >> 16) & 255, int(argb >> 8) & 255, int(argb) & 255};
  for (int c = 0; c < 3; ++c)
    if (std::abs(int(p[c]) - want[c]) > 8) return false;
  return true;
}

// What changed from one shot to the next.
struct Change {
  int changed = 0;   // pixels that differ at all
  int matching = 0;  // of those, pixels now in one of the expected line colours
};

Change Compare(const kaztest::RgbImage& before, const kaztest::RgbImage& after,
               const std::vector<uint32_t>& colours) {
  Change change;
  for (int y = 0; y < after.height; ++y) {
    for (int x = 0; x < after.width; ++x) {
      const uint8_t *a = before.At(x, y), *b = after.At(x, y);
      if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
      ++change.changed;
      for (uint32_t colour : colours)
        if (Near(b, colour)) {
          ++change.matching;
          break;
        }
    }
  }
  return change;
}

int CountColour(const kaztest::RgbImage& image, uint32_t colour) {
  int count = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) count += Near(image.At(x, y), colour) ? 1 : 0;
  return count;
}

constexpr uint32_t kGrey = 0xFF808080, kCentre = 0xFF8080FF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF, kMagenta = 0xFFFF00FF;

class DebugLinesConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    KAZ_REQUIRE_TEST_WINDOW();
    CVarRegistry::Instance().ResetBuiltins();
    ParticleRandom::Seed(2026);
    char arg0[] = KAZ_BIN_DIR "/shell";
    char mod[] = "-mod", name[] = "embers", resX[] = "-ResX", width[] = "320", resY[] = "-ResY",
         height[] = "240";
    char* argv[] = {arg0, mod, name, resX, width, resY, height, nullptr};
    g_output.clear();
    ASSERT_NE(kazStartup(7, argv, TestWindow(), "Debug lines", "cove", &Capture, nullptr), nullptr);
    m_engine = static_cast<KazEngine*>(kazGetInterface());
    m_engine->SetClock(&m_clock);
    CVarRegistry& cv = CVarRegistry::Instance();
    cv.ShowRecentConsoleEntries.Set(false);
    cv.FPS.Set(false);
    m_engine->SetActive(true);
  }
  void TearDown() override {
    CVarRegistry::Instance().ResetBuiltins();
    if (m_engine) kazShutdown();
  }
  void Run(int frames) {
    for (int i = 0; i < frames; ++i) {
      m_clock.Advance(0.05);
      m_engine->RunFrame();
    }
  }
  // Opens the console with the key a player uses, types the line, enters it,
  // closes the console and waits until it has slid away.
  void Type(const std::string& line) {
    m_engine->OnChar('`');
    for (char c : line) m_engine->OnChar(c);
    m_engine->OnChar('\r');
    m_engine->OnChar('`');
    for (int i = 0; i < 100 && m_engine->GetConsole().GetState() != ConsoleState_Closed; ++i)
      Run(1);
    Run(1);
  }
  kaztest::RgbImage Shot() {
    namespace fs = std::filesystem;
    kaztest::RgbImage image;
    g_output.clear();
    m_engine->OnKeyDown(EngineKey_F9);
    m_engine->OnKeyUp(EngineKey_F9);
    if (g_output.empty() || g_output.back() != "Screenshot taken.") {
      ADD_FAILURE() << "no screenshot";
      return image;
    }
    const std::string shot =
        kaztest::NewestScreenshot((fs::path(KAZ_BIN_DIR) / "screenshots").string());
    EXPECT_TRUE(kaztest::ReadImage(shot, &image)) << shot;
    std::error_code ec;
    fs::remove(shot, ec);
    return image;
  }

  ManualClock m_clock;
  KazEngine* m_engine = nullptr;
};

TEST_F(DebugLinesConsole, TypedSwitchesDrawTheirLinesOnScreen) {
  ASSERT_EQ(m_engine->GetWorld()->GetObjectCount(ObjectType_DynamicMesh), 1u);
  Run(10);  // the walker is in view, mid-stride
  CVarRegistry::Instance().TimeWarp.Set(0.0f);
  Run(3);  // the walker's last update takes the time owed from before
  const kaztest::RgbImage plain = Shot();
  ASSERT_GT(plain.width, 0);
  EXPECT_EQ(CountColour(plain, kMagenta), 0);

  // Nothing but the console moves: closed again, it leaves the picture as it was.
  Type("FPS 0");
  const kaztest::RgbImage same = Shot();
  EXPECT_EQ(Compare(plain, same, {}).changed, 0);

  // The floor grid and its axis: many pixels, every one in a grid or axis colour.
  Type("DrawGrid 1");
  EXPECT_TRUE(CVarRegistry::Instance().DrawGrid.Get());
  const kaztest::RgbImage grid = Shot();
  const Change gridChange = Compare(same, grid, {kGrey, kCentre, kRed, kGreen, kBlue});
  EXPECT_GT(gridChange.changed, 500);
  EXPECT_EQ(gridChange.matching, gridChange.changed);
  EXPECT_EQ(CountColour(grid, kMagenta), 0) << "skeleton lines without DrawSkeletons";

  // The static meshes' boxes, in red.
  Type("DrawBoxes 1");
  const kaztest::RgbImage boxes = Shot();
  const Change boxChange = Compare(grid, boxes, {kRed});
  EXPECT_GT(boxChange.changed, 100);
  EXPECT_EQ(boxChange.matching, boxChange.changed);
  EXPECT_EQ(CountColour(boxes, kMagenta), 0) << "skeleton lines without DrawSkeletons";

  // The walker's bones, in magenta, seen through the skin around them.
  Type("DrawSkeletons 1");
  const kaztest::RgbImage bones = Shot();
  const Change boneChange = Compare(boxes, bones, {kMagenta});
  EXPECT_GT(boneChange.changed, 20);
  EXPECT_EQ(boneChange.matching, boneChange.changed);

  Type("DrawSkeletons 0");
  EXPECT_EQ(Compare(boxes, Shot(), {}).changed, 0) << "the bones stay after DrawSkeletons 0";
}

}  // namespace
