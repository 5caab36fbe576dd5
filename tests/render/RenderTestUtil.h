// RenderTestUtil.h - shared fixtures for the rendering tests: the package file
// system over tests/data/render and the base package, and a video manager on the
// fake device with, where a test asks, a world drawn by the world renderer.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstring>

#include <string>
#include <vector>

#include "base/Log.h"
#include "common/LogCapture.h"
#include "common/TestFiles.h"
#include "console/CVarRegistry.h"
#include "render/device/Formats.h"
#include "render/DeviceVideoManager.h"
#include "render/fake/FakeDevice.h"
#include "render/gpu/VideoManager.h"
#include "render/Renderer.h"
#include "render/world/WorldRenderer.h"
#include "tier0/FileSystem.h"
#include "tier1/CameraObject.h"
#include "tier1/World.h"

namespace rendertest {

// Mesa's driver keeps a few allocations for the life of the process and is
// unloaded at exit, which leaves LeakSanitizer with nameless frames. Pinning
// the driver's modules (after a real GL test) keeps their names for the
// suppressions in GLDeviceTest.cpp.
inline int PinModule(struct dl_phdr_info* info, size_t, void*) {
  const char* n = info->dlpi_name;
  if (n && *n &&
      (std::strstr(n, "dri") || std::strstr(n, "gallium") || std::strstr(n, "LLVM") ||
       std::strstr(n, "mesa") || std::strstr(n, "glapi")))
    dlopen(n, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  return 0;
}
inline void PinMesaModules() {
  dl_iterate_phdr(PinModule, nullptr);
}

// The render test data over the base package.
inline void MountTestData() {
  kaztest::MountPackages({kaztest::TestDataDir() + "/render", kaztest::BasePackageDir()},
                         "test_render");
}

// The script the next fake system is made from.
inline FakeScript& NextScript() {
  static FakeScript script;
  return script;
}
inline FakeSystem*& LastFakeSystem() {
  static FakeSystem* system = nullptr;
  return system;
}
inline bool& RefuseSystem() {
  static bool refuse = false;
  return refuse;
}

inline GSystem* MakeFakeSystem(void*, std::string* reason) {
  if (RefuseSystem()) {
    *reason = "no OpenGL here";
    return nullptr;
  }
  FakeSystem* s = static_cast<FakeSystem*>(CreateFakeSystem(NextScript()));
  LastFakeSystem() = s;
  return s;
}

// A video manager on the fake device; each test scripts NextScript() first.
class FakeVideoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CVarRegistry::Instance().ResetBuiltins();
    NextScript() = FakeScript();
    RefuseSystem() = false;
    LastFakeSystem() = nullptr;
    MountTestData();
  }
  void TearDown() override {
    if (m_world) {
      m_world->Release();
      m_world = nullptr;
      World::SetRendererFactory(nullptr);
      for (uint32_t type :
           {ObjectType_StaticMesh, ObjectType_DynamicMesh, ObjectType_ParticleSystem})
        World::SetObjectMaker(type, nullptr);
    }
    DestroyVideoManager();
    CVarRegistry::Instance().ResetBuiltins();
  }
  // A world with the world renderer and its object types installed; with
  // `draw`, its renderer on and a camera at the origin looking down z.
  void StartWorld(bool draw = true) {
    InstallWorldRenderer();
    m_world = World::Create();
    if (!draw) return;
    ASSERT_TRUE(m_world->InitRenderer(true)) << m_log.Dump();
    ASSERT_NE(m_world->GetRenderer(), nullptr) << m_log.Dump();
    CameraObjectParams cp;
    m_camera = static_cast<CameraObject*>(m_world->CreateObject(cp));
  }
  // Creates the manager and sets the mode from the console variables.
  DeviceVideoManager* Start(int expectMode = 0) {
    int dummyWindow = 0;
    VideoManager* vm = CreateVideoManager(&dummyWindow, MakeFakeSystem);
    if (!vm) return nullptr;
    int r = vm->SetDisplayMode();
    EXPECT_EQ(r, expectMode) << m_log.Dump();
    return static_cast<DeviceVideoManager*>(vm);
  }
  FakeDevice* Device() { return LastFakeSystem() ? LastFakeSystem()->LastDevice() : nullptr; }

  kaztest::LogCapture m_log;
  World* m_world = nullptr;
  CameraObject* m_camera = nullptr;
};

// The same, started in SetUp.
class StartedVideoTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    ASSERT_NE(Start(), nullptr);
  }
};

}  // namespace rendertest
