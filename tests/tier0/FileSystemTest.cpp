// FileSystemTest.cpp - the package file system: search order over a directory and a ".pak" zip,
// reads at the end of a file, shared handles of copied Files, endian reads, and
// every call made without an initialised library.
#include "tier0/FileSystem.h"

#include "common/StoredZip.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using kaztest::TempDir;
using kaztest::WriteFile;

struct Event {
  FileSystem::EventType type;
  FileSystem::File* file;
  std::string name;
  char mode;
};
std::vector<Event> g_events;
void RecordEvent(FileSystem::EventType type, FileSystem::File* file, void* userData) {
  *static_cast<int*>(userData) += 1;
  g_events.push_back({type, file, file->GetFileName(), file->GetMode()});
}

std::string ReadAll(FileSystem::File& f) {
  std::string s(f.GetLength(), '\0');
  s.resize(f.Read(s.data(), uint32_t(s.size())));
  return s;
}

// A directory package "pkg" and its archive "pkg.pak", both mounted.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileSystem::Init("test_tier0"));
    FileSystem::GetLastError();
    g_events.clear();
    dir_ = tmp_.Str() + "/pkg";
    pak_ = tmp_.Str() + "/pkg.pak";
    WriteFile(dir_ + "/shared.txt", "from dir");
    WriteFile(dir_ + "/hello.txt", "hello");
    WriteFile(dir_ + "/ints.bin",
              std::string("\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00", 14));
    WriteFile(pak_, kaztest::StoredZip({{"shared.txt", "from pak"},
                                        {"packed.txt", "packed!"},
                                        {"sub/deep.txt", "deep"}}));
  }
  void TearDown() override {
    FileSystem::SetEventHandler(nullptr, nullptr);
    FileSystem::SetDefaultEndianMode(FileSystem::Native);
    FileSystem::Uninit();
  }
  void MountBoth() {
    ASSERT_TRUE(FileSystem::AddToSearchPath(dir_, true));
    ASSERT_TRUE(FileSystem::AddToSearchPath(pak_, true));
  }

  TempDir tmp_;
  std::string dir_, pak_;
};

}  // namespace

TEST(FileSystemLifecycle, EveryCallFailsCleanlyWithoutTheLibrary) {
  TempDir tmp;
  tmp.Write("a.txt", "a");
  for (int round = 0; round < 2; ++round) {
    if (round == 1) {  // the same again after a full Init/Uninit cycle
      ASSERT_TRUE(FileSystem::Init("test_tier0"));
      ASSERT_TRUE(FileSystem::AddToSearchPath(tmp.Str(), true));
      ASSERT_TRUE(FileSystem::Uninit());
    }
    SCOPED_TRACE(round);
    EXPECT_FALSE(FileSystem::IsInitialized());
    EXPECT_FALSE(FileSystem::Uninit());
    EXPECT_FALSE(FileSystem::AddToSearchPath(tmp.Str(), true));
    EXPECT_FALSE(FileSystem::RemoveFromSearchPath(tmp.Str()));
    EXPECT_FALSE(FileSystem::SetWriteDir(tmp.Str()));
    EXPECT_TRUE(FileSystem::GetSearchPaths().empty());
    EXPECT_TRUE(FileSystem::EnumerateFiles("").empty());
    EXPECT_TRUE(FileSystem::GetCDRomDrives().empty());
    EXPECT_FALSE(FileSystem::Exists("a.txt"));
    EXPECT_FALSE(FileSystem::IsDirectory(""));
    EXPECT_FALSE(FileSystem::IsSymbolicLink("a.txt"));
    EXPECT_EQ(FileSystem::GetLastModTime("a.txt"), -1);
    EXPECT_FALSE(FileSystem::MakeDirectory("d"));
    EXPECT_FALSE(FileSystem::Delete("a.txt"));
    EXPECT_EQ(FileSystem::GetRealDir("a.txt"), "");
    EXPECT_EQ(FileSystem::GetBaseDir(), "");
    EXPECT_EQ(FileSystem::GetUserDir(), "");
    EXPECT_EQ(FileSystem::GetWriteDir(), "");
    FileSystem::AllowSymbolicLinks(true);

    FileSystem::File f("a.txt", 'r');
    EXPECT_FALSE(f.IsValid());
    EXPECT_FALSE(f.OpenWrite("b.txt"));
    char buf[4];
    uint32_t u = 7;
    EXPECT_EQ(f.Read(buf, sizeof(buf)), 0u);
    EXPECT_EQ(f.Write(buf, sizeof(buf)), 0u);
    EXPECT_EQ(f.GetLength(), 0u);
    EXPECT_EQ(f.Tell(), 0u);
    EXPECT_FALSE(f.Seek(0));
    EXPECT_FALSE(f.EndOfFile());
    EXPECT_FALSE(f.Flush());
    EXPECT_FALSE(f.ReadUInt32(&u));
    EXPECT_FALSE(f.WriteUInt32(u));
    EXPECT_FALSE(f.Close());
    EXPECT_NE(FileSystem::GetLastError(), "");
  }
}

TEST_F(FileSystemTest, DirectoryIsServedBeforeArchiveAndASecondInitKeepsThem) {
  MountBoth();
  EXPECT_TRUE(FileSystem::Init("again"));
  EXPECT_EQ(FileSystem::GetSearchPaths(), (std::vector<std::string>{dir_, pak_}));
  EXPECT_TRUE(FileSystem::GetBaseDir().ends_with('/')) << FileSystem::GetBaseDir();

  FileSystem::File shared("shared.txt", 'r');
  ASSERT_TRUE(shared.IsValid());
  EXPECT_EQ(ReadAll(shared), "from dir");
  EXPECT_EQ(FileSystem::GetRealDir("shared.txt"), dir_);

  FileSystem::File packed("packed.txt", 'r');
  ASSERT_TRUE(packed.IsValid());
  EXPECT_EQ(ReadAll(packed), "packed!");
  EXPECT_EQ(FileSystem::GetRealDir("packed.txt"), pak_);
  EXPECT_EQ(FileSystem::GetRealDir("missing.txt"), "");

  EXPECT_TRUE(FileSystem::IsDirectory("sub"));
  EXPECT_FALSE(FileSystem::IsDirectory("packed.txt"));
  EXPECT_TRUE(FileSystem::Exists("sub/deep.txt"));
  EXPECT_GT(FileSystem::GetLastModTime("hello.txt"), 0);
  EXPECT_EQ(FileSystem::GetLastModTime("missing.txt"), -1);

  std::vector<std::string> names = FileSystem::EnumerateFiles("");
  EXPECT_EQ(names,
            (std::vector<std::string>{"hello.txt", "ints.bin", "packed.txt", "shared.txt", "sub"}));
  EXPECT_EQ(FileSystem::EnumerateFiles("sub"), (std::vector<std::string>{"deep.txt"}));
}

TEST_F(FileSystemTest, ArchiveMountedInFrontWinsAndErrorsAreKeptUntilRead) {
  EXPECT_EQ(FileSystem::GetLastError(), "");
  ASSERT_TRUE(FileSystem::AddToSearchPath(dir_, true));
  ASSERT_TRUE(FileSystem::AddToSearchPath(pak_, false));
  FileSystem::File shared("shared.txt", 'r');
  EXPECT_EQ(ReadAll(shared), "from pak");
  shared.Close();
  ASSERT_TRUE(FileSystem::RemoveFromSearchPath(pak_));
  EXPECT_FALSE(FileSystem::RemoveFromSearchPath(pak_));
  EXPECT_FALSE(FileSystem::Exists("packed.txt"));
  EXPECT_FALSE(FileSystem::AddToSearchPath(tmp_.Str() + "/nowhere", true));
  EXPECT_NE(FileSystem::GetLastError(), "");
  EXPECT_EQ(FileSystem::GetLastError(), "");  // reading it clears it
}

TEST_F(FileSystemTest, ShortReadsAndEndOfFile) {
  MountBoth();
  for (const char* name : {"hello.txt", "packed.txt"}) {
    SCOPED_TRACE(name);
    FileSystem::File f(name, 'r');
    ASSERT_TRUE(f.IsValid());
    const uint32_t len = f.GetLength();
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, 3), 3u);
    EXPECT_FALSE(f.EndOfFile());
    EXPECT_EQ(f.Read(buf, sizeof(buf)), len - 3);
    EXPECT_TRUE(f.EndOfFile());
    EXPECT_EQ(f.Read(buf, sizeof(buf)), 0u);
    EXPECT_EQ(f.Tell(), len);
    uint16_t v = 0;
    ASSERT_TRUE(f.Seek(len - 1));
    EXPECT_FALSE(f.ReadUInt16(&v));  // one byte left is not a whole value
    ASSERT_TRUE(f.Seek(1));
    EXPECT_EQ(f.Read(buf, 2), 2u);
    EXPECT_EQ(f.Tell(), 3u);
    EXPECT_EQ(f.Read(nullptr, 4), 0u);
    EXPECT_TRUE(f.Flush());
  }
}

TEST_F(FileSystemTest, EndianModesOfTypedReads) {
  MountBoth();
  FileSystem::SetDefaultEndianMode(FileSystem::Little);
  FileSystem::File f("ints.bin", 'r');
  ASSERT_TRUE(f.IsValid());
  EXPECT_EQ(f.GetEndianMode(), FileSystem::Little);
  uint32_t v = 0;
  ASSERT_TRUE(f.ReadUInt32(&v));
  EXPECT_EQ(v, 1u);
  f.SetEndianMode(FileSystem::Big);
  ASSERT_TRUE(f.ReadUInt32(&v));
  EXPECT_EQ(v, 16777216u);
  f.SetEndianMode(FileSystem::Native);
  ASSERT_TRUE(f.ReadUInt32(&v));
  EXPECT_EQ(v, 1u);  // little-endian host
  f.SetEndianMode(static_cast<FileSystem::EndianMode>(7));
  int16_t s = 0;
  EXPECT_FALSE(f.ReadInt16(&s));
  EXPECT_EQ(f.Tell(), 12u);
  f.SetEndianMode(FileSystem::Big);
  ASSERT_TRUE(f.ReadInt16(&s));
  EXPECT_EQ(s, 256);
  EXPECT_FALSE(f.ReadUInt32(&v));
}

TEST_F(FileSystemTest, WritesGoToTheWriteDirectory) {
  EXPECT_EQ(FileSystem::GetWriteDir(), "");
  FileSystem::File none("w.bin", 'w');
  EXPECT_FALSE(none.IsValid());

  ASSERT_TRUE(FileSystem::SetWriteDir(tmp_.Str()));
  EXPECT_EQ(FileSystem::GetWriteDir(), tmp_.Str());
  ASSERT_TRUE(FileSystem::MakeDirectory("out"));
  {
    FileSystem::File w("out/w.bin", 'w');
    ASSERT_TRUE(w.IsValid());
    EXPECT_EQ(w.GetMode(), 'w');
    w.SetEndianMode(FileSystem::Big);
    EXPECT_TRUE(w.WriteUInt32(1));
    w.SetEndianMode(FileSystem::Little);
    EXPECT_TRUE(w.WriteInt16(-2));
    EXPECT_EQ(w.Write("ab", 2), 2u);
    EXPECT_TRUE(w.Flush());
  }
  {
    FileSystem::File a;
    ASSERT_TRUE(a.Open("out/w.bin", 'a'));
    EXPECT_EQ(a.GetMode(), 'a');
    EXPECT_EQ(a.Write("c", 1), 1u);
  }
  EXPECT_EQ(tmp_.Read("out/w.bin"), std::string("\x00\x00\x00\x01\xFE\xFF"
                                                "abc",
                                                9));
  EXPECT_TRUE(FileSystem::Delete("out/w.bin"));
  EXPECT_FALSE(fs::exists(tmp_.Path() / "out/w.bin"));
}

TEST_F(FileSystemTest, OpenAndCloseAreReportedWithTheObject) {
  MountBoth();
  int calls = 0;
  FileSystem::SetEventHandler(&RecordEvent, &calls);
  FileSystem::File f;
  ASSERT_TRUE(f.OpenRead("hello.txt"));
  ASSERT_EQ(g_events.size(), 1u);
  EXPECT_EQ(g_events[0].type, FileSystem::FileOpened);
  EXPECT_EQ(g_events[0].file, &f);
  EXPECT_EQ(g_events[0].name, "hello.txt");
  EXPECT_EQ(f.GetMode(), 'r');

  // A second open fails and leaves the first file alone.
  EXPECT_FALSE(f.OpenRead("shared.txt"));
  EXPECT_STREQ(f.GetFileName(), "hello.txt");
  EXPECT_EQ(ReadAll(f), "hello");

  EXPECT_TRUE(f.Close());
  ASSERT_EQ(g_events.size(), 2u);
  EXPECT_EQ(g_events[1].type, FileSystem::FileClosed);
  EXPECT_EQ(g_events[1].file, &f);
  EXPECT_EQ(g_events[1].name, "hello.txt");  // reported before they are cleared
  EXPECT_EQ(g_events[1].mode, 'r');
  EXPECT_EQ(f.GetMode(), 0);
  EXPECT_STREQ(f.GetFileName(), "");
  EXPECT_FALSE(f.Close());

  // Reopening after a close works.
  EXPECT_TRUE(f.Open("packed.txt", 'r'));
  EXPECT_EQ(calls, 3);
}

TEST_F(FileSystemTest, ModeXAndLongNames) {
  MountBoth();
  FileSystem::File x("hello.txt", 'x');
  EXPECT_FALSE(x.IsValid());
  EXPECT_EQ(x.GetMode(), 0);
  EXPECT_FALSE(x.Open("hello.txt", 'x'));

  std::string path;
  while (path.size() < 300) path += "directory" + std::to_string(path.size()) + "/";
  path += "long.txt";
  WriteFile(dir_ + "/" + path, "long");
  FileSystem::File f(path, 'r');
  ASSERT_TRUE(f.IsValid());
  EXPECT_EQ(std::string(f.GetFileName()), path.substr(0, FileSystem::kMaxFilenameStr));
  EXPECT_EQ(ReadAll(f), "long");
}

TEST_F(FileSystemTest, CopiesShareOneHandleClosedOnce) {
  MountBoth();
  int calls = 0;
  FileSystem::SetEventHandler(&RecordEvent, &calls);
  FileSystem::File f("hello.txt", 'r');
  {
    FileSystem::File copy = f;
    EXPECT_TRUE(copy.IsValid());
    EXPECT_STREQ(copy.GetFileName(), "hello.txt");
    char c = 0;
    EXPECT_EQ(copy.Read(&c, 1), 1u);
    EXPECT_EQ(f.Tell(), 1u);  // one handle, one position
  }
  EXPECT_TRUE(f.IsValid());  // a dying copy leaves the handle open
  EXPECT_EQ(calls, 1);

  std::vector<FileSystem::File> copies(3, f);
  EXPECT_TRUE(copies[2].Close());
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(f.IsValid());  // closed through a copy
  EXPECT_STREQ(f.GetFileName(), "");
  EXPECT_FALSE(f.Close());
  EXPECT_EQ(f.Read(&calls, 1), 0u);
  copies.clear();
  EXPECT_EQ(calls, 2);

  // Assigning over the last holder of an open file closes that file.
  FileSystem::File a("hello.txt", 'r'), b("packed.txt", 'r');
  a = b;
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(g_events.back().type, FileSystem::FileClosed);
  EXPECT_STREQ(a.GetFileName(), "packed.txt");
  a = a;
  EXPECT_TRUE(a.IsValid());
  EXPECT_EQ(ReadAll(a), "packed!");
}

TEST_F(FileSystemTest, UninitWithOpenFilesLeavesThemClosed) {
  MountBoth();
  auto heap = std::make_unique<FileSystem::File>("packed.txt", 'r');
  FileSystem::File stack("hello.txt", 'r');
  FileSystem::File copy = stack;
  ASSERT_TRUE(heap->IsValid() && stack.IsValid());

  ASSERT_TRUE(FileSystem::Uninit());
  char buf[8];
  EXPECT_FALSE(stack.IsValid());
  EXPECT_FALSE(copy.IsValid());
  EXPECT_EQ(stack.Read(buf, sizeof(buf)), 0u);
  EXPECT_EQ(heap->GetLength(), 0u);
  EXPECT_FALSE(heap->Close());
  heap.reset();

  ASSERT_TRUE(FileSystem::Init("test_tier0"));
  MountBoth();
  EXPECT_FALSE(stack.IsValid());
  EXPECT_TRUE(stack.OpenRead("hello.txt"));
  EXPECT_EQ(ReadAll(stack), "hello");
}

// An archive's directory says how long each entry is, and readers allocate
// that much before reading: an entry claiming gigabytes from a few bytes of
// archive is not opened, and the rest of the archive still reads.
TEST_F(FileSystemTest, AnArchiveEntryClaimingMoreThanItsArchiveHoldsIsNotOpened) {
  std::string zip = kaztest::StoredZip({{"big.bin", std::string(100, 'x')}, {"fine.txt", "fine"}});
  auto put = [&zip](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) zip[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  // Deflated, 3.75 GiB once inflated: in the local header and the directory alike.
  put(8, 8, 2);
  put(22, 0xF0000000u, 4);
  const size_t central = zip.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  put(central + 10, 8, 2);
  put(central + 24, 0xF0000000u, 4);
  const std::string hostile = tmp_.Str() + "/hostile.pak";
  WriteFile(hostile, zip);
  ASSERT_TRUE(FileSystem::AddToSearchPath(hostile, true));
  FileSystem::GetLastError();
  FileSystem::File big;
  EXPECT_FALSE(big.OpenRead("big.bin"));
  EXPECT_FALSE(big.IsValid());
  EXPECT_EQ(FileSystem::GetLastError(), "declared length larger than its archive can hold");
  FileSystem::File fine("fine.txt", 'r');
  ASSERT_TRUE(fine.IsValid());
  EXPECT_EQ(ReadAll(fine), "fine");
}
