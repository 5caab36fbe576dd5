// pak.cpp - fuzzes package archives: the bytes as a ".pak" mounted into the
// file system, every entry listed, opened and read whole the way the loaders
// read (a buffer of the length the archive declares), then unmounted.
#include "base/Log.h"
#include "tier0/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Quiet(const char*, LogLevel) {}

// Walks a folder of the archive, two levels down at most.
void ReadTree(const std::string& folder, int depth, int* budget) {
  for (const std::string& name : FileSystem::EnumerateFiles(folder)) {
    if (--*budget < 0) return;
    const std::string path = folder.empty() ? name : folder + "/" + name;
    if (FileSystem::IsDirectory(path)) {
      if (depth < 2) ReadTree(path, depth + 1, budget);
      continue;
    }
    FileSystem::File file;
    if (!file.OpenRead(path)) continue;
    std::vector<char> bytes(file.GetLength());
    file.Read(bytes.data(), uint32_t(bytes.size()));
    file.Close();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string archive = [] {
    SetLogHandler(Quiet);
    FileSystem::Init("fuzz_pak");
    return (std::filesystem::temp_directory_path() / "kaz-fuzz.pak").string();
  }();
  if (size > (1u << 16)) return 0;
  std::ofstream(archive, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  if (!FileSystem::AddToSearchPath(archive, true)) return 0;
  int budget = 64;
  ReadTree("", 0, &budget);
  FileSystem::RemoveFromSearchPath(archive);
  return 0;
}
