// ExportsTest.cpp - the shared library's binary interface: exports by name, version, build
// string, slot order, and the null-window refusal.
#include "core/KazEngine.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

class EngineLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(KAZ_BIN_DIR "/libengine.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }
  template <typename T>
  T Get(const char* name) {
    return reinterpret_cast<T>(dlsym(handle_, name));
  }
  void* handle_ = nullptr;
};

int g_outputCalls = 0;
void CountOutput(const char*, bool, void*) {
  ++g_outputCalls;
}

// Itanium C++ ABI: a pointer to a virtual member holds 1 + the vtable byte offset.
template <typename M>
long SlotOf(M member) {
  struct Raw {
    long ptr;
    long adj;
  } raw;
  static_assert(sizeof(member) == sizeof(raw));
  memcpy(&raw, &member, sizeof(raw));
  return (raw.ptr - 1) / static_cast<long>(sizeof(void*));
}

}  // namespace

TEST_F(EngineLibrary, ExportsAreFoundByName) {
  for (const char* name :
       {"kazStartup", "kazShutdown", "kazGetVersion", "kazGetBuildString", "kazGetInterface"})
    EXPECT_NE(dlsym(handle_, name), nullptr) << name;
  // Internals stay hidden.
  EXPECT_EQ(dlsym(handle_, "_Z16SetEngineInterfaceP10IKazEngine"), nullptr);
}

TEST_F(EngineLibrary, VersionAndBuildString) {
  auto version = Get<PFN_kazGetVersion>("kazGetVersion");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 256u);
  auto build = Get<PFN_kazGetBuildString>("kazGetBuildString");
  std::string text = build();
  // "Mmm dd yyyy, hh:mm:ss"
  ASSERT_EQ(text.size(), 21u) << text;
  EXPECT_EQ(text.substr(11, 2), ", ");
  EXPECT_EQ(text[15], ':');
  EXPECT_EQ(text[18], ':');
}

TEST_F(EngineLibrary, NullWindowFailsWithoutWritingAnything) {
  auto startup = Get<PFN_kazStartup>("kazStartup");
  auto getInterface = Get<PFN_kazGetInterface>("kazGetInterface");
  auto shutdown = Get<PFN_kazShutdown>("kazShutdown");
  char arg0[] = "shell";
  char* argv[] = {arg0, nullptr};
  g_outputCalls = 0;
  EXPECT_EQ(startup(1, argv, nullptr, "t", "cove", &CountOutput, nullptr), nullptr);
  EXPECT_EQ(g_outputCalls, 0);
  EXPECT_EQ(getInterface(), nullptr);
  shutdown();  // no engine: does nothing
  EXPECT_EQ(getInterface(), nullptr);
}

TEST(EngineInterfaceTest, SlotOrderIsFixed) {
  EXPECT_EQ(SlotOf(&IKazEngine::RunFrame), 0);
  EXPECT_EQ(SlotOf(&IKazEngine::Quit), 1);
  EXPECT_EQ(SlotOf(&IKazEngine::AddPackage), 2);
  EXPECT_EQ(SlotOf(&IKazEngine::Printf), 3);
  EXPECT_EQ(SlotOf(&IKazEngine::ExecuteCommand), 4);
  EXPECT_EQ(SlotOf(&IKazEngine::GetWindow), 5);
  EXPECT_EQ(SlotOf(&IKazEngine::GetFrameDeltaTime), 6);
  EXPECT_EQ(SlotOf(&IKazEngine::GetTime), 7);
  EXPECT_EQ(SlotOf(&IKazEngine::SetActive), 8);
  EXPECT_EQ(SlotOf(&IKazEngine::IsActive), 9);
  EXPECT_EQ(SlotOf(&IKazEngine::SetMouseDelta), 10);
  EXPECT_EQ(SlotOf(&IKazEngine::SetCursorPosition), 11);
  EXPECT_EQ(SlotOf(&IKazEngine::OnChar), 12);
  EXPECT_EQ(SlotOf(&IKazEngine::OnKeyDown), 13);
  EXPECT_EQ(SlotOf(&IKazEngine::OnKeyUp), 14);
  EXPECT_EQ(SlotOf(&IKazEngine::SetInputBlocked), 15);
  EXPECT_EQ(SlotOf(&IKazEngine::IsInputBlocked), 16);
  EXPECT_EQ(SlotOf(&IKazEngine::GetVideoManager), 17);
  EXPECT_EQ(SlotOf(&IKazEngine::GetSoundManager), 18);
}
