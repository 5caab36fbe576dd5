// ExportsTest.cpp - the shared library's binary interface: exports by name, version, build
// string, slot order, and the null-window refusal.
#include "base/KazEngine.h"

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

TEST_F(EngineLibrary, ExportsAreFoundByNameWithVersionAndBuildString) {
  for (const char* name :
       {"kazStartup", "kazShutdown", "kazGetVersion", "kazGetBuildString", "kazGetInterface"})
    EXPECT_NE(dlsym(handle_, name), nullptr) << name;
  // Internals stay hidden.
  EXPECT_EQ(dlsym(handle_, "_Z16SetEngineInterfaceP10IKazEngine"), nullptr);

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

// The launcher calls through these slots: their order is the binary interface.
TEST(EngineInterfaceTest, SlotOrderIsFixed) {
  long slot = 0;
  auto expect = [&slot](auto member) { EXPECT_EQ(SlotOf(member), slot++); };
  auto expectInOrder = [&](auto... members) { (expect(members), ...); };
  expectInOrder(&IKazEngine::RunFrame, &IKazEngine::Quit, &IKazEngine::AddPackage,
                &IKazEngine::Printf, &IKazEngine::ExecuteCommand, &IKazEngine::GetWindow,
                &IKazEngine::GetFrameDeltaTime, &IKazEngine::GetTime, &IKazEngine::SetActive,
                &IKazEngine::IsActive, &IKazEngine::SetMouseDelta, &IKazEngine::SetCursorPosition,
                &IKazEngine::OnChar, &IKazEngine::OnKeyDown, &IKazEngine::OnKeyUp,
                &IKazEngine::SetInputBlocked, &IKazEngine::IsInputBlocked,
                &IKazEngine::GetVideoManager, &IKazEngine::GetSoundManager);
}
