// StringUtil.h - small string helpers shared by the whole engine.
//
// Every kind of name in the engine (console variables, commands, resources,
// mods, attributes) is compared without regard to letter case, in the C locale.
// Part of the ground floor (kaz_base) that every layer, and the launcher, may
// use; builds on the standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// <0, 0, >0 like strcasecmp, but locale-independent.
int CompareNoCase(std::string_view a, std::string_view b);
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}
std::string ToLowerAscii(std::string_view s);

struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};
// FNV-1a over the lower-cased bytes.
struct NoCaseHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const {
    uint64_t h = 14695981039346656037ull;
    for (char c : s) {
      h ^= static_cast<unsigned char>(AsciiLower(c));
      h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
  }
};
inline bool NoCaseStartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Splits at every separator; empty pieces are kept so callers decide.
std::vector<std::string> SplitString(std::string_view s, char separator);
// Removes leading and trailing white space as the C library classifies it.
std::string TrimWhitespace(std::string_view s);
