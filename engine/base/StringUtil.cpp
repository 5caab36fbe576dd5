// StringUtil.cpp - see StringUtil.h.
#include "base/StringUtil.h"

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(AsciiLower(a[i]));
    unsigned char cb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string ToLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::vector<std::string> SplitString(std::string_view s, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t pos = s.find(separator, start);
    if (pos == std::string_view::npos) {
      pieces.emplace_back(s.substr(start));
      return pieces;
    }
    pieces.emplace_back(s.substr(start, pos - start));
    start = pos + 1;
  }
}

static bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string TrimWhitespace(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsCSpace(s[b])) ++b;
  while (e > b && IsCSpace(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}
