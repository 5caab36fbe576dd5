// FileWatcherTest.cpp - the file watcher on real folders: saves by writing
// and by renaming, one report per settled file, folders made later, a quiet
// poll, forgetting everything on Clear, and folders that cannot be watched.
#include "tier0/FileWatcher.h"

#include "common/TestFiles.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FileWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    m_watcher = CreateFileWatcher(&reason);
    if (!m_watcher) GTEST_SKIP() << "this system cannot watch folders: " << reason;
    m_dir.Write("Textures/old.png", "old");
    ASSERT_TRUE(m_watcher->AddTree(m_dir.Str(), &reason)) << reason;
  }
  std::string Path(const std::string& relative) const { return m_dir.Str() + "/" + relative; }
  // Everything reported within `seconds`, polling as a frame loop would;
  // returns as soon as `expected` files came.
  std::vector<std::string> PollFor(double seconds, size_t expected = 1) {
    std::vector<std::string> changed;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end && changed.size() < expected) {
      m_watcher->Poll(&changed);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return changed;
  }

  kaztest::TempDir m_dir{"kaz_watch"};
  std::unique_ptr<FileWatcher> m_watcher;
};

TEST_F(FileWatcherTest, AWriteAndARenameInAreEachReportedOnceWhenSettled) {
  // Long enough that the poll right after the writes comes before it, even
  // on a busy machine.
  m_watcher->SetDebounce(1.5);
  // An editor saving in several writes: one report, after the last write.
  kaztest::WriteFile(Path("Textures/old.png"), "new");
  kaztest::WriteFile(Path("Textures/old.png"), "newer");
  std::vector<std::string> changed;
  EXPECT_FALSE(m_watcher->Poll(&changed));  // not settled yet
  EXPECT_THAT(PollFor(6.0), ElementsAre(Path("Textures/old.png")));
  EXPECT_THAT(PollFor(0.5), IsEmpty());

  // A save by rename reports the file renamed to (and its short-lived copy).
  m_watcher->SetDebounce(0);
  kaztest::SaveByRename(Path("Textures/old.png"), "renamed");
  changed = PollFor(3.0, 2);
  EXPECT_THAT(changed, ::testing::Contains(Path("Textures/old.png")));
  EXPECT_EQ(std::count(changed.begin(), changed.end(), Path("Textures/old.png")), 1);
}

TEST_F(FileWatcherTest, FoldersMadeLaterAreWatchedWithWhatTheyAlreadyHold) {
  m_watcher->SetDebounce(0);
  const size_t folders = m_watcher->GetFolderCount();
  EXPECT_EQ(folders, 2u);  // the root and Textures
  // A folder moved in whole, files and all (as unpacking elsewhere and moving does).
  kaztest::TempDir outside{"kaz_watch_out"};
  outside.Write("Sounds/a.wav", "a");
  std::filesystem::rename(outside.Path() / "Sounds", Path("Sounds"));
  EXPECT_THAT(PollFor(3.0), ElementsAre(Path("Sounds/a.wav")));
  // A folder made in place; its file comes after the watch (or is found with it).
  std::filesystem::create_directories(Path("Meshes/deep"));
  kaztest::WriteFile(Path("Meshes/deep/b.mesh"), "b");
  EXPECT_THAT(PollFor(3.0), ElementsAre(Path("Meshes/deep/b.mesh")));
  EXPECT_EQ(m_watcher->GetFolderCount(), folders + 3);
}

TEST_F(FileWatcherTest, NothingSavedNothingReportedAndClearForgetsEverything) {
  m_watcher->SetDebounce(0);
  EXPECT_THAT(PollFor(0.2), IsEmpty());
  // Reading a file is no save.
  EXPECT_EQ(kaztest::ReadFile(Path("Textures/old.png")), "old");
  EXPECT_THAT(PollFor(0.2), IsEmpty());

  kaztest::WriteFile(Path("Textures/old.png"), "pending");
  m_watcher->Clear();
  EXPECT_EQ(m_watcher->GetFolderCount(), 0u);
  kaztest::WriteFile(Path("Textures/old.png"), "unwatched");
  EXPECT_THAT(PollFor(0.3), IsEmpty());
  // And it can watch again afterwards.
  std::string reason;
  ASSERT_TRUE(m_watcher->AddTree(m_dir.Str() + "/", &reason)) << reason;
  kaztest::WriteFile(Path("Textures/old.png"), "watched");
  EXPECT_THAT(PollFor(3.0), ElementsAre(Path("Textures/old.png")));
}

TEST_F(FileWatcherTest, AFolderThatIsNotThereIsRefusedWithAReason) {
  std::string reason;
  EXPECT_FALSE(m_watcher->AddTree(Path("nowhere"), &reason));
  EXPECT_NE(reason.find("nowhere"), std::string::npos) << reason;
  EXPECT_FALSE(m_watcher->AddTree(Path("Textures/old.png"), &reason));
  EXPECT_NE(reason.find("not a folder"), std::string::npos) << reason;
  EXPECT_EQ(m_watcher->GetFolderCount(), 2u);
}

}  // namespace
