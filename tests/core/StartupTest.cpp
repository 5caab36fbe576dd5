// StartupTest.cpp - start-up and shutdown of the engine object in this process, with the real
// file system and the demo's mod folder in the base directory (the bin folder).
#include "base/Log.h"
#include "console/CommandRegistry.h"
#include "core/TestEngine.h"

#include <gtest/gtest.h>
#include <physfs.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class StartupTest : public EngineTest {
 protected:
  IKazEngine* Start(std::vector<std::string> args) {
    return EngineTest::Start(std::move(args), "The Secret of Orrelin Cove");
  }

  // Search path straight from PhysFS, as the engine left it.
  static std::vector<std::string> SearchPath() {
    std::vector<std::string> paths;
    char** list = PHYSFS_getSearchPath();
    for (char** p = list; p && *p; ++p) paths.emplace_back(*p);
    PHYSFS_freeList(list);
    return paths;
  }
};

}  // namespace

TEST_F(StartupTest, StartsTheMainModRunsQuitsAndShutsDown) {
  IKazEngine* engine = Start({});
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(kazGetInterface(), engine);
  EXPECT_EQ(m_out.Count("Selected mod [grey]The Secret of Orrelin Cove [white]([grey]cove[white]), "
                        "version [grey]0.1.0"),
            1);
  EXPECT_EQ(m_out.Count("CPU: "), 1);
  EXPECT_EQ(engine->GetWindow(), TestWindow());
  EXPECT_NE(engine->GetVideoManager(), nullptr);
  // Printf truncates and never formats its text.
  engine->Printf("%s", std::string(5000, 'x').c_str());
  EXPECT_EQ(m_out.lines.back().size(), 2047u);
  LogMessage("%s", "100%d sure");
  EXPECT_EQ(m_out.lines.back(), "100%d sure");
  // Quit codes come back from RunFrame.
  EXPECT_EQ(engine->RunFrame(), 0);
  engine->Quit(false);
  EXPECT_EQ(engine->RunFrame(), 1);
  engine->Quit(true);
  EXPECT_EQ(engine->RunFrame(), 2);
  kazShutdown();
  EXPECT_EQ(kazGetInterface(), nullptr);
  // The handler outlives the engine and must drop late lines.
  size_t before = m_out.lines.size();
  LogWarning("late line from a worker thread");
  EXPECT_EQ(m_out.lines.size(), before);
}

TEST_F(StartupTest, AnUnknownModFallsBackAndCommandLinePackagesComeFirstThenModThenBase) {
  namespace fs = std::filesystem;
  const fs::path bin = KAZ_BIN_DIR;
  fs::create_directories(bin / "kaztest_a");
  fs::create_directories(bin / "kaztest_b");
  IKazEngine* engine = Start({"-MOD", "nosuch", "-pkg", "kaztest_a;kaztest_b"});
  fs::remove_all(bin / "kaztest_a");
  fs::remove_all(bin / "kaztest_b");
  ASSERT_NE(engine, nullptr);
  // An unknown mod falls back to the main game with one warning.
  EXPECT_EQ(
      m_out.Count(
          "[orange]WARNING: [white]Failed to load mod 'nosuch' specified on the command line, "
          "falling back to main game."),
      1);
  EXPECT_EQ(m_out.Count("([grey]cove[white])"), 1);
  std::vector<std::string> paths = SearchPath();
  auto indexOf = [&](const std::string& suffix) {
    for (size_t i = 0; i < paths.size(); ++i)
      if (paths[i].ends_with(suffix)) return static_cast<int>(i);
    return -1;
  };
  int a = indexOf("kaztest_a"), b = indexOf("kaztest_b"), cove = indexOf("/cove"),
      base = indexOf("/base");
  ASSERT_GE(a, 0);
  EXPECT_LT(a, b);
  EXPECT_LT(b, cove);
  EXPECT_LT(cove, base);

  // Packages added later go in front when asked to.
  EXPECT_FALSE(engine->AddPackage("no_such_package_anywhere", true));
  EXPECT_FALSE(engine->AddPackage(nullptr, true));
  EXPECT_TRUE(engine->AddPackage("mods", false));  // any existing directory will do
  paths = SearchPath();
  ASSERT_FALSE(paths.empty());
  EXPECT_NE(paths.front().find("mods"), std::string::npos);
}

TEST_F(StartupTest, RestartRegistersFreshCommandsThatReachTheNewEngine) {
  ASSERT_NE(Start({}), nullptr);
  kazShutdown();
  EXPECT_FALSE(CommandRegistry::Instance().Find("quit"));
  IKazEngine* engine = Start({});
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(m_out.Count("already registered"), 0);
  // With the first engine's pointer these would call into freed memory.
  EXPECT_EQ(engine->ExecuteCommand(false, "restartvideo"), 0);
  EXPECT_EQ(engine->ExecuteCommand(false, "quit"), 0);
  EXPECT_EQ(engine->RunFrame(), 1);
}
