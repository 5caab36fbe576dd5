// config.cpp - fuzzes configuration files: the bytes run as a console script
// (the way the engine runs config/<mod>.cfg), then the configuration the
// engine would save is run again and must save the same text: a saved file
// reads back as what was saved (NULs and carriage returns inside values aside,
// which are saved as blanks).
#include "base/Log.h"
#include "console/CommandProcessor.h"
#include "console/ConfigFile.h"
#include "console/CVarRegistry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void Quiet(const char*, LogLevel) {}

void Check(bool condition) {
  if (!condition) std::abort();
}

void WriteText(const std::string& path, const char* data, size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(data, std::streamsize(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    SetLogHandler(Quiet);
    return (std::filesystem::temp_directory_path() / "kaz-fuzz-config.cfg").string();
  }();
  static EngineCommandProcessor processor;
  if (size > 16384) return 0;
  WriteText(path, reinterpret_cast<const char*>(data), size);
  Check(ExecuteScript(processor, path));
  // A NUL or a carriage return inside a value is saved as a blank (with a
  // warning): such a value does not come back as it was.
  if (std::memchr(data, 0, size) || std::memchr(data, '\r', size)) return 0;
  const std::string saved = FormatConfiguration(CVarRegistry::Instance());
  WriteText(path, saved.data(), saved.size());
  Check(ExecuteScript(processor, path));
  const std::string again = FormatConfiguration(CVarRegistry::Instance());
  if (again != saved) {
    // The first line that came back different, for whoever reads the crash.
    size_t at = 0;
    while (at < saved.size() && at < again.size() && saved[at] == again[at]) ++at;
    const size_t line = saved.rfind('\n', at) == std::string::npos ? 0 : saved.rfind('\n', at) + 1;
    std::fprintf(stderr, "saved:  %s\nreread: %s\n",
                 saved.substr(line, saved.find('\n', line) - line + 1).c_str(),
                 again.substr(line, again.find('\n', line) - line + 1).c_str());
    std::abort();
  }
  return 0;
}
