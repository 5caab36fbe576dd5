// effect.cpp - fuzz target for the effect preprocessor and parser.
//
// Fuzzes the effect preprocessor and parser. The input is split at the first
// NUL byte: before it the effect, after it the text every #include returns,
// so include chains and macro games get exercised too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "render/effect/EffectParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const void* nul = std::memchr(data, 0, size);
  size_t mainSize = nul ? size_t(static_cast<const uint8_t*>(nul) - data) : size;
  std::string main(text, mainSize);
  std::string included =
      nul ? std::string(text + mainSize + 1, size - mainSize - 1) : std::string();
  EffectDesc desc;
  std::string errors;
  ParseEffect(
      "fuzz.fx", main, {{"NUM_BONE_INFLUENCES", "2"}},
      [&](const std::string&, std::string& out) {
        out = included;
        return true;
      },
      &desc, &errors);
  return 0;
}
