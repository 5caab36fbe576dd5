// SoundTestUtil.h - what the sound suites share: the null output device,
// the generated test sounds mounted as a package, a manager per test, and
// waiting on things the mixer and the stream workers do in real time.
#pragma once

#include "common/LogCapture.h"
#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "sound/SoundManager.h"
#include "sound/al/ALSoundInstance.h"
#include "sound/al/ALSoundManager.h"
#include "tier0/FileSystem.h"
#include "tier1/SoundObject.h"
#include "tier1/World.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace soundtest {

inline std::string SoundsDir() {
  return KAZ_TEST_SOUNDS_DIR;
}

// Without a sound card OpenAL must use its null backend, unless a test run
// asked for another one (the wave writer).
inline const bool kNullDriver = [] {
  setenv("ALSOFT_DRIVERS", "null", 0);
  return true;
}();

// Polls until `done` holds or the time is up; the mixer runs in real time.
template <class Fn>
bool WaitFor(Fn done, double seconds = 3.0) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

inline void Sleep(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

inline SoundObject* MakeSound(World* world, const char* file, bool play, bool loop,
                              bool positional = true, const Vector3D& at = {}) {
  SoundObjectParams p;
  p.fileName = file;
  p.play = play;
  p.loop = loop;
  p.positional = positional;
  p.transform = Matrix4x4::MakeTranslation(at);
  return static_cast<SoundObject*>(world->CreateObject(p));
}

// An initialised manager over the null device, with the test sounds mounted.
class SoundFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    kaztest::MountPackages({SoundsDir()});
    CVarRegistry::Instance().SoundDevType.Set("hw");
    CVarRegistry::Instance().DisplayOGGInfo.Set(false);
    manager = static_cast<ALSoundManager*>(CreateSoundManager());
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(manager->Init()) << log.Dump();
  }
  void TearDown() override {
    DestroySoundManager();
    EXPECT_EQ(ALSoundInstance::s_pool.GetInUseCount(), 0u) << "instances leaked";
  }

  kaztest::LogCapture log;
  ALSoundManager* manager = nullptr;
};

}  // namespace soundtest
