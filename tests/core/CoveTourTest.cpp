// CoveTourTest.cpp - the README's play command without a display: the demo
// game's scripted tour runs through tools/kaz.sh, tells the story in order
// to the game's ending and exits 0, its F9 screenshots match the golden images cove_tour_<n>.png in
// order, neither the log nor the launcher's output has a warning or an error,
// no leak report is written, and the saved settings are left as they were.
//
// The tour runs in the release build only: under the sanitizers it takes
// many minutes. Regenerate the golden images after a deliberate change with
//   KAZ_UPDATE_GOLDEN=1 build/release/bin/test_core --gtest_filter='CoveTour.*'
#include "common/ImageCompare.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kBin = KAZ_BIN_DIR;

// Lines that report a warning or an error, whatever printed them.
std::vector<std::string> ProblemLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find("WARNING:") != std::string::npos || line.find("ERROR") != std::string::npos)
      lines.push_back(line);
  return lines;
}

// The number in "screenshot<n>.bmp"; -1 for other names.
long ScreenshotNumber(const std::string& name) {
  const std::string prefix = "screenshot", suffix = ".bmp";
  if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return -1;
  const std::string digits =
      name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stol(digits);
}

// Screenshots by number.
std::map<long, fs::path> Screenshots() {
  std::map<long, fs::path> shots;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(kBin / "screenshots", error))
    if (long n = ScreenshotNumber(entry.path().filename().string()); n >= 0)
      shots[n] = entry.path();
  return shots;
}

// Leak reports in the base directory with their modification times.
std::map<std::string, fs::file_time_type> LeakReports() {
  std::map<std::string, fs::file_time_type> reports;
  for (const fs::directory_entry& entry : fs::directory_iterator(kBin)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 11 && name.compare(name.size() - 11, 11, "_ResMgr.log") == 0)
      reports[name] = entry.last_write_time();
  }
  return reports;
}

fs::path Golden(size_t n) {
  return fs::path(kaztest::GoldenDir()) / ("cove_tour_" + std::to_string(n) + ".png");
}

bool UpdatingGoldens() {
  const char* update = std::getenv("KAZ_UPDATE_GOLDEN");
  return update && *update && *update != '0';
}

}  // namespace

TEST(CoveTour, ThePlayCommandRunsTheTourCleanlyAndItsScreenshotsMatch) {
  const fs::path replay = fs::path(kaztest::SourceDir()) / "data" / "cove" / "Tour.replay";
  if (!fs::exists(replay)) GTEST_SKIP() << "data/cove/Tour.replay does not exist yet: no tour";
  if (kaztest::kUnderSanitizers)
    GTEST_SKIP() << "the tour runs in the release build only (minutes here)";

  const std::map<long, fs::path> before = Screenshots();
  const auto reportsBefore = LeakReports();
  const fs::path config = kBin / "config" / "cove.cfg";
  const bool hadConfig = fs::exists(config);
  const std::string configBefore = kaztest::ReadFile(config);
  // The real command, as a user types it, on a machine without a display.
  const kaztest::CommandResult run = kaztest::RunCommand(
      "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u ALSOFT_DRIVERS "
      "-u KAZ_TOUR_FRAMES KAZ_BIN_DIR=" +
      kBin.string() + " timeout 280 " + kaztest::SourceDir() + "/tools/kaz.sh demo");
  std::vector<fs::path> shots;
  for (const auto& [number, path] : Screenshots())
    if (!before.count(number)) shots.push_back(path);

  EXPECT_EQ(run.exitCode, 0) << run.output;
  // The story in its order, up to the game quitting itself before the bound.
  size_t last = 0;
  for (const char* step : {"Cove: a new game begins", "Cove: a glowing shell (1 of 3)",
                           "Cove: a glowing shell (3 of 3)", "Cove: the sea cave opens.",
                           "Cove: the end.", "Cove: farewell.", "Cove: leaving the cove"}) {
    const size_t at = run.output.find(step, last);
    ASSERT_NE(at, std::string::npos) << step << " is missing or early:\n" << run.output;
    last = at;
  }
  EXPECT_FALSE(run.Has("Traceback")) << run.output;
  EXPECT_EQ(ProblemLines(run.output), std::vector<std::string>()) << "in the launcher's output";
  EXPECT_EQ(ProblemLines(kaztest::ReadFile(kBin / "kaz.log")), std::vector<std::string>())
      << "in kaz.log";
  EXPECT_EQ(LeakReports(), reportsBefore) << "a leak report was written";
  EXPECT_EQ(fs::exists(config), hadConfig) << "the tour keeps the saved settings";
  EXPECT_EQ(kaztest::ReadFile(config), configBefore) << "the tour keeps the saved settings";

  if (UpdatingGoldens()) {
    for (size_t n = shots.size() + 1; fs::exists(Golden(n)); ++n) fs::remove(Golden(n));
  }
  size_t goldens = 0;
  while (fs::exists(Golden(goldens + 1))) ++goldens;
  if (!UpdatingGoldens()) {
    EXPECT_GT(goldens, 0u) << "no golden images cove_tour_<n>.png: run with KAZ_UPDATE_GOLDEN=1";
    EXPECT_EQ(shots.size(), goldens) << "screenshots taken by the tour";
  }
  for (size_t i = 0; i < shots.size() && (UpdatingGoldens() || i < goldens); ++i)
    EXPECT_TRUE(kaztest::MatchesGolden(shots[i].string(), Golden(i + 1).string()))
        << "screenshot " << i + 1;
  // The base directory's screenshot numbers are not used up run after run.
  for (const fs::path& shot : shots) fs::remove(shot);
}
