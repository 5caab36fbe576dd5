// cal3d.cpp - fuzzes the Cal3D character files the engine reads, through the
// dynamic mesh loader on the fake graphics device: the first byte picks the
// skeleton, the mesh or the animation of a generated figure, the rest replaces
// that file. Seeds are generator output behind their selector byte.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FigureFuzz.h"
#include "render/world/cal3d/DynamicMeshDef.h"

namespace fs = std::filesystem;

namespace {

fs::path& Folder() {
  static fs::path folder = fs::temp_directory_path() / "kaz-fuzz-cal3d";
  return folder;
}

void Write(const std::string& name, const std::string& text) {
  std::ofstream(Folder() / name, std::ios::binary | std::ios::trunc) << text;
}

// fig.* is the generated figure; one definition per file the input replaces.
bool Start() {
  if (!figurefuzz::Start(Folder(), "--bones 6 --anims walk", "fuzz_cal3d")) return false;
  auto definition = [](const char* skeleton, const char* mesh, const char* animation) {
    return std::string("<DynamicMesh version=\"1.0\" skeleton=\"") + skeleton +
           "\"><Piece filename=\"" + mesh + "\"/><Animation filename=\"" + animation +
           "\" name=\"walk\"/><Material name=\"skin\"/></DynamicMesh>";
  };
  Write("skeleton.xml", definition("fuzz.xsf", "fig.xmf", "fig_walk.xaf"));
  Write("mesh.xml", definition("fig.xsf", "fuzz.xmf", "fig_walk.xaf"));
  Write("animation.xml", definition("fig.xsf", "fig.xmf", "fuzz.xaf"));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  if (!started || size < 1 || size > (1u << 16)) return 0;
  static const char* const kinds[][2] = {
      {"fuzz.xsf", "skeleton.xml"}, {"fuzz.xmf", "mesh.xml"}, {"fuzz.xaf", "animation.xml"}};
  const auto& kind = kinds[data[0] % 3];
  Write(kind[0], std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  if (DynamicMeshDef* def = LoadDynamicMeshDef(kind[1])) {
    // What the renderer relies on: GPU data exactly when there is a hardware model.
    if (!def->GetHardwareModel() != !def->GetVertexBuffer()) __builtin_trap();
    def->Release();
  }
  return 0;
}
