// ColourMarkup.cpp - see ColourMarkup.h.
#include "console/ColourMarkup.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "base/StringUtil.h"

namespace {

struct MarkupColour {
  const char* name;
  uint8_t red, green, blue;
};

const MarkupColour kMarkupColours[] = {
    {"white", 255, 255, 255}, {"gray", 180, 180, 180}, {"grey", 180, 180, 180},
    {"red", 255, 0, 0},       {"green", 0, 255, 0},    {"blue", 0, 0, 255},
    {"orange", 255, 128, 64}, {"cyan", 0, 255, 255},   {"purple", 255, 0, 255},
    {"yellow", 225, 225, 0},
};

// Longest colour name; a longer run of letters can never be a known tag.
constexpr size_t kMaxColourName = 6;

}  // namespace

size_t ParseColourTag(std::string_view text, uint32_t* colour) {
  if (text.empty() || text[0] != '[') return 0;
  size_t end = 1;
  while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
  size_t nameLength = end - 1;
  if (nameLength == 0 || nameLength > kMaxColourName || end >= text.size() || text[end] != ']')
    return 0;
  for (const MarkupColour& c : kMarkupColours) {
    if (EqualsNoCase(c.name, text.substr(1, nameLength))) {
      if (colour)
        *colour = 0xFF000000u | (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) | c.blue;
      return end + 1;
    }
  }
  return 0;
}

std::string MakeColourEscape(uint32_t colour) {
  char buf[16];
  snprintf(buf, sizeof(buf), "\033[%um", colour);
  return buf;
}

void ConvertColourTags(std::string_view line, std::string& out) {
  out.clear();
  out.reserve(line.size() + 8);
  size_t i = 0;
  while (i < line.size()) {
    size_t open = line.find('[', i);
    if (open == std::string_view::npos) {
      out.append(line.substr(i));
      break;
    }
    out.append(line.substr(i, open - i));
    uint32_t colour = 0;
    size_t tag = ParseColourTag(line.substr(open), &colour);
    if (tag) {
      char buf[16] = {kColourEscape, '['};
      char* end = std::to_chars(buf + 2, buf + sizeof(buf) - 1, colour).ptr;
      *end++ = 'm';
      out.append(buf, static_cast<size_t>(end - buf));
      i = open + tag;
    } else {
      out.push_back('[');
      i = open + 1;
    }
  }
}

std::string ConvertColourTags(std::string_view line) {
  std::string out;
  ConvertColourTags(line, out);
  return out;
}

size_t ColourEscapeLength(std::string_view text) {
  if (text.size() < 3 || text[0] != kColourEscape || text[1] != '[') return 0;
  size_t m = text.find('m', 2);
  return m == std::string_view::npos ? 0 : m + 1;
}

void StripColourEscapes(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t esc = text.find(kColourEscape, i);
    if (esc == std::string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, esc - i));
    size_t len = ColourEscapeLength(text.substr(esc));
    if (len) {
      i = esc + len;
    } else {
      out.push_back(kColourEscape);
      i = esc + 1;
    }
  }
}

std::string StripColourEscapes(std::string_view text) {
  std::string out;
  StripColourEscapes(text, out);
  return out;
}

uint32_t ColourEscapeValue(std::string_view escape) {
  uint32_t value = 0;
  for (size_t i = 2; i < escape.size() && std::isdigit(static_cast<unsigned char>(escape[i])); ++i)
    value = value * 10u + static_cast<uint32_t>(escape[i] - '0');
  return value;
}
