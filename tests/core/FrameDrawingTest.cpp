// FrameDrawingTest.cpp - what a real engine start-up draws on OpenGL (offscreen), seen in
// screenshots taken as F9 takes them: with -ShowRecentConsoleEntries true
// -FPS true the newest lines at the top left and the frame rate at the top
// right in the console font, the open console over the top half (both
// against golden images; common/ImageCompare.h says how to regenerate them),
// the EditorMode cursor, the flash, the fade and a video texture.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/ImageCompare.h"
#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "core/TestEngine.h"
#include "render/ClipWriter.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"

namespace {

class FrameDrawingTest : public EngineTest {
 protected:
  KazEngine* Start(std::vector<std::string> args) {
    // An empty world: the gallery mod's scene is placed only by its own test.
    args.insert(args.begin(), {"-mod", "gallery", "-DrawHUD", "0"});
    return EngineTest::Start(std::move(args));
  }
  // Frames at a steady 50 per second, so the frame rate shown is exact.
  void Run(KazEngine*, int frames) { EngineTest::Run(frames, 0.02); }
  // The screenshot of the next frame.
  kaztest::RgbImage Shot(KazEngine* engine) {
    Run(engine, 1);
    kaztest::RgbImage image;
    EXPECT_TRUE(kaztest::ReadImage(Screenshot(), &image));
    return image;
  }
};

}  // namespace

TEST_F(FrameDrawingTest, RecentLinesTopLeftAndFrameRateTopRight) {
  KazEngine* engine =
      Start({"-ShowRecentConsoleEntries", "true", "-FPS", "true", "-ResX", "320", "-ResY", "240"});
  ASSERT_NE(engine, nullptr);
  // What start-up and the mod's scripts print depends on the machine and on
  // which subsystems log: the ten lines shown (the most recent) are printed
  // after the frame rate has settled, so the image is the same everywhere.
  Run(engine, 60);
  for (int i = 1; i <= 10; ++i) engine->Printf("[grey]Line [white]%d [cyan]é [red]%c", i, 'a' + i);
  Run(engine, 1);
  EXPECT_TRUE(
      kaztest::MatchesGolden(Screenshot(), kaztest::GoldenDir() + "/console_recent_fps.png"));
}

TEST_F(FrameDrawingTest, AnOpenConsoleIsDrawnOverTheTopHalf) {
  KazEngine* engine = Start({"-ResX", "320", "-ResY", "240"});
  ASSERT_NE(engine, nullptr);
  for (int i = 1; i <= 20; ++i) engine->Printf("[orange]Line [white]%d", i);
  engine->OnChar('`');
  for (char c : std::string("fps 1")) engine->OnChar(c);
  Run(engine, 20);  // the open animation takes a quarter of a second
  const std::string shot = Screenshot();
  kaztest::RgbImage image;
  ASSERT_TRUE(kaztest::ReadImage(shot, &image));
  // Dark green at two thirds over the top half, a white line at its foot,
  // the game (black) below.
  const uint8_t* background = image.At(200, 60);
  EXPECT_EQ(background[0], 0);
  EXPECT_NEAR(background[1], 42, 2);
  EXPECT_EQ(image.At(200, 119)[0], 255);
  EXPECT_EQ(image.At(200, 130)[1], 0);
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/console_open.png"));
}

TEST_F(FrameDrawingTest, EditorModeCursorFlashAndFade) {
  KazEngine* engine = Start({"-ResX", "320", "-ResY", "240", "-EditorMode", "true"});
  ASSERT_NE(engine, nullptr);
  // A white cursor at the menu cursor.
  engine->SetCursorPosition(100, 150);
  kaztest::RgbImage image = Shot(engine);
  ASSERT_EQ(image.width, 320);
  EXPECT_EQ(image.At(100, 150)[0], 255);
  EXPECT_EQ(image.At(115, 165)[2], 255);
  EXPECT_EQ(image.At(116, 150)[0], 0);
  EXPECT_EQ(image.At(100, 166)[0], 0);

  ASSERT_TRUE(engine->StartFlash(1.0f, 1.0f, 0.0f, 0.0f));
  image = Shot(engine);  // t close to 1: almost full red
  EXPECT_GT(image.At(10, 230)[0], 240);
  EXPECT_EQ(image.At(10, 230)[1], 0);
  Run(engine, 60);  // the flash is over
  image = Shot(engine);
  EXPECT_EQ(image.At(10, 230)[0], 0);

  // A fade from black over the cursor: hidden at first, then showing.
  engine->SetCursorPosition(10, 200);
  engine->StartFade(1.0f, false);
  image = Shot(engine);
  EXPECT_LT(image.At(12, 202)[0], 20);
  Run(engine, 25);  // about half way: sin(0.48 * 1.57) of black left
  image = Shot(engine);
  EXPECT_NEAR(image.At(12, 202)[0], 255 * (1 - std::sin(0.48 * 1.57)), 12);
}

TEST_F(FrameDrawingTest, AVideoTextureOnATexturedQuadShowsTheClipsColours) {
  KazEngine* engine = Start({"-ResX", "320", "-ResY", "240"});
  ASSERT_NE(engine, nullptr);
  kaztest::TempDir dir("videoquad");
  // Left half orange, right half teal.
  ASSERT_TRUE(cliptest::WriteClip(dir.Str() + "/clip.avi", 64, 32, 25, 3,
                                  [](int, int x, int) { return x < 32 ? 0xFF8000u : 0x008080u; }));
  FileSystem::AddToSearchPath(dir.Str(), false);
  Texture* video = LoadTexture("clip.avi");
  ASSERT_NE(video, nullptr);
  VideoManager* vm = GetVideoManager();
  vm->Clear(true, true, false);
  vm->BeginScene();
  ASSERT_TRUE(vm->BeginQuads(video));
  vm->AddQuad(0, 0, 320, 240, 1, 1, 1, 1);
  vm->EndQuads();
  vm->EndScene();
  vm->Present();
  const std::string shot = Screenshot();
  video->Release();
  FileSystem::RemoveFromSearchPath(dir.Str());
  kaztest::RgbImage image;
  ASSERT_TRUE(kaztest::ReadImage(shot, &image));
  const uint8_t* left = image.At(40, 120);
  const uint8_t* right = image.At(280, 120);
  EXPECT_NEAR(left[0], 255, 2);
  EXPECT_NEAR(left[1], 128, 2);
  EXPECT_NEAR(left[2], 0, 2);
  EXPECT_NEAR(right[0], 0, 2);
  EXPECT_NEAR(right[1], 128, 2);
  EXPECT_NEAR(right[2], 128, 2);
}
