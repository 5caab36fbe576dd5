// DebugLinesConsoleTest.cpp - the debug lines a player switches on by typing
// into the console ("DrawGrid 1", "DrawBoxes 1", "DrawSkeletons 1") show up in
// F9 screenshots of the "embers" sample, whose walker is a skinned mesh. The
// world is frozen (TimeWarp 0) while the console opens and closes, so the only
// pixels that change between two shots are those of the new lines.
#include "core/TestEngine.h"
#include "render/world/ParticleSystemObject.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kGrey = 0xFF808080, kCentre = 0xFF8080FF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF, kMagenta = 0xFFFF00FF;

bool Near(const uint8_t* p, uint32_t argb) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(int(p[c]) - int(argb >> (16 - 8 * c) & 255)) > 8) return false;
  return true;
}

// The pixels that differ between two shots: how many, and how many of those
// are now in one of `colours`.
std::pair<int, int> Compare(const kaztest::RgbImage& before, const kaztest::RgbImage& after,
                            const std::vector<uint32_t>& colours) {
  int changed = 0, matching = 0;
  for (int y = 0; y < after.height; ++y) {
    for (int x = 0; x < after.width; ++x) {
      const uint8_t *a = before.At(x, y), *b = after.At(x, y);
      if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
      ++changed;
      for (uint32_t colour : colours)
        if (Near(b, colour)) {
          ++matching;
          break;
        }
    }
  }
  return {changed, matching};
}

class DebugLinesConsole : public EngineTest {
 protected:
  void Run(int frames) { EngineTest::Run(frames, 0.05); }
  // Opens the console with the key a player uses, types the line, enters it,
  // closes the console and waits until it has slid away; then takes a shot.
  kaztest::RgbImage TypeAndShoot(const std::string& line) {
    if (!line.empty()) {
      for (char c : "`" + line + "\r`") m_engine->OnChar(c);
      for (int i = 0; i < 100 && m_engine->GetConsole().GetState() != ConsoleState_Closed; ++i)
        Run(1);
      Run(1);
    }
    kaztest::RgbImage image;
    const std::string shot = PressF9();
    EXPECT_TRUE(kaztest::ReadImage(shot, &image)) << shot;
    std::filesystem::remove(shot);
    return image;
  }
};

TEST_F(DebugLinesConsole, TypedSwitchesDrawTheirLinesOnScreen) {
  ParticleRandom::Seed(2026);
  ASSERT_NE(Start({"-mod", "embers", "-ResX", "320", "-ResY", "240", "-ShowRecentConsoleEntries",
                   "0", "-FPS", "0"},
                  "Debug lines"),
            nullptr)
      << m_out.All();
  ASSERT_EQ(m_engine->GetWorld()->GetObjectCount(ObjectType_DynamicMesh), 1u);
  Run(10);  // the walker is in view, mid-stride
  CVarRegistry::Instance().TimeWarp.Set(0.0f);
  Run(3);  // the walker's last update takes the time owed from before
  const kaztest::RgbImage plain = TypeAndShoot("");
  ASSERT_GT(plain.width, 0);

  // Nothing but the console moves: closed again, it leaves the picture as it was.
  const kaztest::RgbImage same = TypeAndShoot("FPS 0");
  EXPECT_EQ(Compare(plain, same, {}).first, 0);

  // Each switch adds pixels only in its own colours: the floor grid and its
  // axis; the static meshes' boxes in red; the walker's bones in magenta, seen
  // through the skin around them.
  struct Step {
    const char* line;
    std::vector<uint32_t> colours;
    int least;
  };
  kaztest::RgbImage before = same;
  for (const Step& step :
       {Step{"DrawGrid 1", {kGrey, kCentre, kRed, kGreen, kBlue}, 500},
        Step{"DrawBoxes 1", {kRed}, 100}, Step{"DrawSkeletons 1", {kMagenta}, 20}}) {
    SCOPED_TRACE(step.line);
    const kaztest::RgbImage after = TypeAndShoot(step.line);
    const auto [changed, matching] = Compare(before, after, step.colours);
    EXPECT_GT(changed, step.least);
    EXPECT_EQ(matching, changed);
    if (step.colours[0] != kMagenta) before = after;
  }
  EXPECT_EQ(Compare(before, TypeAndShoot("DrawSkeletons 0"), {}).first, 0)
      << "the bones stay after DrawSkeletons 0";
}

}  // namespace
