// mesh.cpp - fuzzes the static mesh loader on the fake graphics device: every count,
// offset, vertex format and index of the file. Seeds are converter output.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Log.h"
#include "render/DeviceVideoManager.h"
#include "render/fake/FakeDevice.h"
#include "render/gpu/VideoManager.h"
#include "render/world/StaticMeshDef.h"
#include "tier0/ResourceManager.h"

namespace {

GSystem* MakeFake(void*, std::string*) {
  return CreateFakeSystem(FakeScript());
}

void Quiet(const char*, LogLevel) {}

bool StartVideo() {
  SetLogHandler(Quiet);
  static int window = 0;
  VideoManager* video = CreateVideoManager(&window, MakeFake);
  return video && video->SetDisplayMode() == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = StartVideo();
  if (!started || size > (1u << 20)) return 0;
  StaticMeshDef def(&GetStaticMeshDefManager());
  def.SetName("fuzz.mesh");
  if (def.LoadFromMemory(data, uint32_t(size))) {
    // What the renderer and the collision builder rely on.
    for (uint32_t g = 0; g < def.GetGroupCount(); ++g)
      if (!def.GetGroup(g).indices) __builtin_trap();
  }
  return 0;
}
