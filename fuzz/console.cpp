// console.cpp - fuzzes console lines: each input is split into lines and run
// through the engine's command processor (variables set and queried, commands
// with arguments, completion), quietly and as if typed. Nothing may crash,
// and a variable keeps a value it can print.
#include "base/Log.h"
#include "console/CommandProcessor.h"
#include "console/CommandRegistry.h"
#include "console/CVarRegistry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Quiet(const char*, LogLevel) {}

void Check(bool condition) {
  if (!condition) std::abort();
}

// A command that looks at every argument it is given.
int Echo(int argc, const char* const* argv, void*) {
  size_t total = 0;
  for (int i = 0; i < argc; ++i) total += std::string_view(argv[i]).size();
  return static_cast<int>(total % 7);
}

EngineCommandProcessor& Processor() {
  static EngineCommandProcessor* processor = [] {
    SetLogHandler(Quiet);
    CommandRegistry::Instance().RegisterCommand("echo", Echo, "Counts its arguments.", nullptr);
    return new EngineCommandProcessor();
  }();
  return *processor;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  EngineCommandProcessor& processor = Processor();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  int lines = 0;
  while (start <= text.size() && lines++ < 64) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    processor.Execute(line, lines % 2 == 0);
    std::vector<std::string> names;
    const int found = processor.Complete(line.substr(0, 8), names);
    Check(found >= 0 && size_t(found) == names.size());
    start = end + 1;
  }
  return 0;
}
