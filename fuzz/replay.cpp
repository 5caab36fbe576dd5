// replay.cpp - parses arbitrary bytes as a replay file and checks what comes
// out: frames in order, every character one the engine takes, known key
// names, a line number for every event and one warning per line at most.
#include "Replay.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Replay replay;
  std::vector<std::string> warnings;
  replay.Parse(text, "fuzz.replay", &warnings);
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  Check(replay.Events().size() + warnings.size() <= lines);
  long lastFrame = 0;
  for (const ReplayEvent& event : replay.Events()) {
    Check(event.frame >= lastFrame);
    lastFrame = event.frame;
    Check(event.line >= 1 && size_t(event.line) <= lines);
    switch (event.type) {
      case ReplayEvent::Type::Key:
        Check(event.key != SDLK_UNKNOWN);
        break;
      case ReplayEvent::Type::Char:
        Check(!event.chars.empty());
        for (int ch : event.chars) Check(ch >= 1 && ch <= 0xFF);
        break;
      case ReplayEvent::Type::Mouse:
        break;
    }
  }
  long taken = 0;
  replay.TakeFrame(lastFrame, [&](const ReplayEvent&) { ++taken; });
  Check(size_t(taken) == replay.Events().size());
  return 0;
}
