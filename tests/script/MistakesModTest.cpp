// MistakesModTest.cpp - the "mistakes" sample mod run headless: every mistake
// it makes (twice) is reported in one line, once, naming the file or the key;
// the missing texture shows the magenta and black placeholder on screen while
// the sphere keeps its own texture; the first run says it has no saved
// settings; an unknown word on the command line is named. An F9 screenshot is
// compared with tests/data/golden/mistakes.png (common/ImageCompare.h says how
// to regenerate it).
#include "core/TestEngine.h"

#include "common/ImageCompare.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class MistakesMod : public EngineTest {};

// Pixels of the placeholder's two colours: strong magenta (lit or not) and
// magenta's darker shades next to black cells.
int MagentaPixels(const kaztest::RgbImage& image) {
  int count = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      if (p[0] > 90 && p[2] > 90 && p[1] < p[0] / 3 && p[1] < p[2] / 3) ++count;
    }
  return count;
}

TEST_F(MistakesMod, EachMistakeIsOneLineOnceAndTheMissingTextureShowsThePlaceholder) {
  fs::remove(KAZ_BIN_DIR "/config/mistakes.cfg");
  KazEngine* engine =
      Start({"stray", "-mod", "mistakes", "-ResX", "160", "-ResY", "120", "-NoSuchSetting", "1"},
            "Mistakes");
  ASSERT_NE(engine, nullptr) << m_out.All();
  Run(40, 0.05);
  const std::string shot = PressF9();
  kazShutdown();
  const std::string out = m_out.All();

  const std::string error = "[red]ERROR: [white]", warning = "[orange]WARNING: [white]";
  for (const std::string& line : {
           // The first run of a mod: no configuration yet is no error.
           std::string("No saved settings yet ([grey]"),
           // The command line.
           warning + "Ignoring 'stray' on the command line",
           warning + "Unknown command-line option '-NoSuchSetting'",
           // Creation keys, effect parameters and material groups.
           warning + "CreateObject: Light objects have no key 'colour'; it is ignored.",
           warning + "CreateObject: the key 'type' of a Light takes one of the Light types (0 to "
                     "1); 7 is ignored.",
           warning + "Effect 'RenderEffects/default.fx' has no parameter 'Diffuse'; the texture "
                     "'Textures/stone.tga' is not used.",
           warning + "StaticMesh 'Meshes/room.mesh' has no material group 'flor'; its material "
                     "is not used.",
           // Files that are not there.
           error + "Failed to load texture 'Textures/missing.png' (GLERR_NOTFOUND - could not "
                   "open file)",
           error + "Failed to open StaticMesh file 'Meshes/nothere.mesh'",
           error + "Failed to load font resource 'Fonts/nothere.f' (could not open file)",
           // The exception OnUpdate raised on 20 frames: its traceback, then the count.
           std::string("[yellow]frame counter out of step"),
           warning + "OnUpdate raised the same exception 19 more time(s) in a row.",
       })
    EXPECT_EQ(m_out.Count(line), 1) << line << "\n" << out;
  // A sound file is looked for only when sound started (the machine may have no device).
  if (m_out.Count("Failed to initialize sound.") == 0) {
    EXPECT_EQ(m_out.Count(error + "Failed to load sound 'Sounds/nothere.wav': could not open file"),
              1)
        << out;
  }
  EXPECT_EQ(m_out.Count("Traceback (most recent call last)"), 1) << out;
  EXPECT_EQ(m_out.Count("Failed to open file for reading."), 0) << out;
  EXPECT_EQ(m_out.Count("-mod"), 0);  // known options are not named
  EXPECT_EQ(m_out.Count("Mistakes: the scene is built."), 1) << out;

  kaztest::RgbImage image;
  ASSERT_TRUE(kaztest::ReadImage(shot, &image));
  // The floor shows the checker (a good share of the picture), the rest its own colours.
  EXPECT_GT(MagentaPixels(image), image.width * image.height / 20);
  EXPECT_TRUE(kaztest::MatchesGolden(shot, kaztest::GoldenDir() + "/mistakes.png", 24, 0.01));
  fs::remove(shot);
}

}  // namespace
