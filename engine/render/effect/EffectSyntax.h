// EffectSyntax.h - character classes the effect preprocessor and parser share.
#pragma once

#include <cctype>
#include <cstdint>

inline bool IsIdentStart(char c) {
  return std::isalpha(uint8_t(c)) || c == '_';
}
inline bool IsIdentChar(char c) {
  return std::isalnum(uint8_t(c)) || c == '_';
}
