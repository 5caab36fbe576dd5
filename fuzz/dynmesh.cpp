// dynmesh.cpp - fuzzes the dynamic mesh definition loader on the fake graphics
// device: the XML, its pieces, animations and materials, over a generated
// 30-bone figure (split at the bone limit). Seeds are generator output.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "FigureFuzz.h"
#include "render/world/cal3d/DynamicMeshDef.h"

namespace fs = std::filesystem;

namespace {

fs::path& Folder() {
  static fs::path folder = fs::temp_directory_path() / "kaz-fuzz-dynmesh";
  return folder;
}

bool Start() {
  return figurefuzz::Start(Folder(), "--bones 30 --anims walk,idle", "fuzz_dynmesh");
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
