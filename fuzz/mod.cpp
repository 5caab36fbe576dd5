// mod.cpp - fuzzes mod definition files: whatever the bytes, a loaded mod has
// a plain name, lower case up to any white space, and only packages that stay
// below the base directory.
#include "base/Log.h"
#include "core/Mods.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void Quiet(const char*, LogLevel) {}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    SetLogHandler(Quiet);
    return (std::filesystem::temp_directory_path() / "kaz-fuzz-mod.mod").string();
  }();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  ModList mods;
  if (!mods.LoadDefinition(path)) return 0;
  Check(mods.Size() == 1);
  const ModInfo& mod = mods[0];
  Check(!mod.name.empty() && mod.name.find('/') == std::string::npos &&
        mod.name.find('\\') == std::string::npos && mod.name != "." && mod.name != "..");
  // Lower case up to the first white space (the rest is kept, with a warning).
  for (char c : mod.name) {
    if (c == ' ' || (c >= '\t' && c <= '\r')) break;
    Check(!(c >= 'A' && c <= 'Z'));
  }
  for (const std::string& package : mod.packages) Check(ModList::IsPackageName(package));
  Check(ModList::ConfigFilePath("/base/", mod).rfind("/base/config/", 0) == 0);
  return 0;
}
