// ProcessTest.cpp - end to end: the real launcher and library copied into a fresh base
// directory, started as a user would start them, headless and bounded.
// Covers what one process cannot: a missing "base" package, the
// configuration file across restarts, and a failed start-up that must leave
// the stored configuration untouched.
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1000;
  std::string output;
  int Count(const std::string& needle) const {
    int n = 0;
    for (size_t pos = output.find(needle); pos != std::string::npos;
         pos = output.find(needle, pos + 1))
      ++n;
    return n;
  }
};

using kaztest::ReadFile;
using kaztest::WriteFile;

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path bin = KAZ_BIN_DIR;
    if (!fs::exists(bin / "shell")) GTEST_SKIP() << "the shell program is not built";
    fs::copy_file(bin / "shell", dir_ / "shell");
    fs::copy_file(bin / "libengine.so", dir_ / "libengine.so");
    for (const char* folder : {"mods", "cove", "base"})
      fs::copy(bin / folder, dir_ / folder, fs::copy_options::recursive);
  }
  // Runs the copied launcher with a minute's limit, output and errors into one file.
  RunResult Run(const std::string& args) {
    // Mesa's EGL, loaded by SDL for the window, leaves a few bytes behind at
    // unload that LeakSanitizer cannot attribute; the launcher is not at fault.
    const std::string command = "cd '" + dir_.string() +
                                "' && env ASAN_OPTIONS=detect_leaks=0 NO_COLOR=1 "
                                "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null "
                                "timeout -s KILL 60 '" +
                                (dir_ / "shell").string() + "' " + args +
                                " >output.txt 2>&1 </dev/null";
    const int status = std::system(command.c_str());
    RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir_ / "output.txt")};
    if (result.exitCode == 128 + SIGKILL) ADD_FAILURE() << "the launcher did not end within 60 s";
    return result;
  }

  fs::path Config() const { return dir_ / "config" / "cove.cfg"; }

  kaztest::TempDir tmp_{"kaz-process"};
  fs::path dir_ = tmp_.Path();
};

}  // namespace

TEST_F(ProcessTest, HeadlessRunStartsTheDemoAndExitsCleanly) {
  RunResult r = Run("-frames 5");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.Count("CPU: "), 1) << r.output;
  EXPECT_EQ(r.Count("Selected mod The Secret of Orrelin Cove (cove), version 0.1.0"), 1)
      << r.output;
  EXPECT_GE(r.Count("Display mode set ("), 1) << r.output;  // again on activation
  EXPECT_TRUE(fs::exists(Config()));
  EXPECT_FALSE(fs::exists(dir_ / "kaz.log"));  // only with -log
  // The world was made and released, and nothing pooled or managed leaked.
  EXPECT_EQ(r.Count("still in use"), 0) << r.output;
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find("_ResMgr.log"), std::string::npos)
        << entry.path();
}

TEST_F(ProcessTest, MissingBasePackageFailsOnceAndKeepsTheConfiguration) {
  const std::string stored = "# hand written\r\nResX 1280\nsome line the engine would not write\n";
  WriteFile(Config(), stored);
  fs::remove_all(dir_ / "base");
  // The managers exist from the library's load on, so a start-up that fails
  // before any texture or effect is touched still clears their old reports.
  for (const char* name : {"TextureResource", "WorldRenderEffect"})
    WriteFile(dir_ / (std::string(name) + "_ResMgr.log"), "stale");
  RunResult r = Run("-frames 2");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.Count("KazStartup: Package with name 'base' MUST exist!"), 1) << r.output;
  EXPECT_EQ(r.Count("Failed to start engine."), 1) << r.output;
  EXPECT_EQ(ReadFile(Config()), stored);
  EXPECT_FALSE(fs::exists(dir_ / "TextureResource_ResMgr.log"));
  EXPECT_FALSE(fs::exists(dir_ / "WorldRenderEffect_ResMgr.log"));
}

TEST_F(ProcessTest, ConfigurationRunsAndSurvivesARestartAndTheCommandLineOverridesIt) {
  // First start: no configuration file yet; a variable from the command line.
  RunResult first = Run("-ResX 1280 -frames 2");
  ASSERT_EQ(first.exitCode, 0) << first.output;
  std::string saved = ReadFile(Config());
  EXPECT_EQ(saved.rfind("# Auto generated file. EDIT AT YOUR OWN RISK.\n", 0), 0u) << saved;
  EXPECT_NE(saved.find("\nResX 1280\n"), std::string::npos) << saved;

  // Second start without the option, the file edited by hand: its value and
  // commands are run (CRLF and all) and saved back.
  WriteFile(Config(), saved + "# my settings\r\nlistcmds\r\nGridSize 32\r\n");
  RunResult second = Run("-frames 2");
  ASSERT_EQ(second.exitCode, 0) << second.output;
  EXPECT_EQ(second.Count("Executing console script "), 1) << second.output;
  EXPECT_EQ(second.Count(" ] listcmds"), 1) << second.output;
  EXPECT_GE(second.Count("reloadresources"), 1) << second.output;
  saved = ReadFile(Config());
  EXPECT_NE(saved.find("\nResX 1280\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\nGridSize 32.000000\n"), std::string::npos) << saved;

  // Third start: the command line wins over the file; -log writes kaz.log
  // without markup (an unknown mod gives it a warning to hold).
  RunResult third = Run("-resx 1024 -log -mod nosuch -frames 2");
  ASSERT_EQ(third.exitCode, 0) << third.output;
  EXPECT_NE(ReadFile(Config()).find("\nResX 1024\n"), std::string::npos);
  std::string log = ReadFile(dir_ / "kaz.log");
  EXPECT_EQ(log.rfind("CPU: ", 0), 0u) << log;
  EXPECT_NE(log.find("WARNING: Failed to load mod 'nosuch'"), std::string::npos) << log;
  EXPECT_EQ(log.find('['), std::string::npos) << log;
}
