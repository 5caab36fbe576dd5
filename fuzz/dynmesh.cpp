// dynmesh.cpp - fuzzes the dynamic mesh definition loader on the fake graphics
// device: the XML, its pieces, animations and materials, over a generated
// 30-bone figure (split at the bone limit). Seeds are generator output.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Log.h"
#include "render/DeviceVideoManager.h"
#include "render/fake/FakeDevice.h"
#include "render/gpu/VideoManager.h"
#include "render/world/cal3d/DynamicMeshDef.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

namespace fs = std::filesystem;

namespace {

GSystem* MakeFake(void*, std::string*) {
  return CreateFakeSystem(FakeScript());
}

void Quiet(const char*, LogLevel) {}

fs::path& Folder() {
  static fs::path folder = fs::temp_directory_path() / "kaz-fuzz-dynmesh";
  return folder;
}

bool Start() {
  SetLogHandler(Quiet);
  const std::string command = std::string("python3 '") + KAZ_CHARACTER_TOOL +
                              "' --bones 30 --anims walk,idle '" + Folder().string() + "' fig";
  if (std::system(command.c_str()) != 0) return false;
  FileSystem::Init("fuzz_dynmesh");
  FileSystem::AddToSearchPath(Folder().string(), true);
  static int window = 0;
  VideoManager* video = CreateVideoManager(&window, MakeFake);
  return video && video->SetDisplayMode() == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  if (!started || size > (1u << 16)) return 0;
  std::ofstream(Folder() / "fuzz.xml", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  if (DynamicMeshDef* def = LoadDynamicMeshDef("fuzz.xml")) {
    // What the renderer relies on: GPU data exactly when there is a hardware model.
    if (!def->GetHardwareModel() != !def->GetVertexBuffer()) __builtin_trap();
    def->Release();
  }
  return 0;
}
