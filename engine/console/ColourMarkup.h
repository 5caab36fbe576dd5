// ColourMarkup.h - the console's colour tags and their escapes.
//
// Text printed to the console may carry tags such as "[grey]" that switch the
// colour of the characters after them. The console stores a line with each
// recognised tag replaced by an escape: ESC '[' <decimal 0xAARRGGBB> 'm'. The
// escapes are read back when a line is drawn and removed when it is written to
// the log file or measured. Anything that is not a well-formed, known tag is
// left in the text untouched.
//
// Depends on nothing but the C++ library; safe to call from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr char kColourEscape = '\033';
// Colour every line starts with.
constexpr uint32_t kColourWhite = 0xFFFFFFFFu;

// Looks for a tag at the start of text ('[' letters ']', letters compared with
// the colour names without regard to case). Returns the tag's length and its
// colour (0xFF000000 | r << 16 | g << 8 | b), or 0 when text does not start
// with a known tag.
size_t ParseColourTag(std::string_view text, uint32_t* colour);

// The escape that stands for colour, e.g. "\033[4294901760m" for red.
std::string MakeColourEscape(uint32_t colour);

// Replaces every known tag in line by its escape.
std::string ConvertColourTags(std::string_view line);
void ConvertColourTags(std::string_view line, std::string& out);

// Length of the escape at the start of text (ESC '[' ... 'm'), 0 when text does
// not start with a terminated escape. An ESC without its 'm' is plain text.
size_t ColourEscapeLength(std::string_view text);

// Removes every escape (ESC '[' through the next 'm') from text.
std::string StripColourEscapes(std::string_view text);
void StripColourEscapes(std::string_view text, std::string& out);

// The colour an escape names: the decimal number between '[' and 'm', of which
// only the low 24 bits (red, green, blue) matter to the caller.
uint32_t ColourEscapeValue(std::string_view escape);

// Splits text into runs of plain text, each with the colour in effect, starting
// from startColour. fn(std::string_view run, uint32_t colour) is called for every
// non-empty run in order.
template <typename Fn>
void ForEachColourRun(std::string_view text, uint32_t startColour, Fn&& fn) {
  uint32_t colour = startColour;
  size_t runStart = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != kColourEscape) {
      ++i;
      continue;
    }
    size_t len = ColourEscapeLength(text.substr(i));
    if (len == 0) {
      ++i;
      continue;
    }
    if (i > runStart) fn(text.substr(runStart, i - runStart), colour);
    colour = ColourEscapeValue(text.substr(i, len));
    i += len;
    runStart = i;
  }
  if (runStart < text.size()) fn(text.substr(runStart), colour);
}

// Channels of a colour as 0..1 floats.
inline float ColourRed(uint32_t c) {
  return static_cast<float>((c >> 16) & 0xFF) / 255.0f;
}
inline float ColourGreen(uint32_t c) {
  return static_cast<float>((c >> 8) & 0xFF) / 255.0f;
}
inline float ColourBlue(uint32_t c) {
  return static_cast<float>(c & 0xFF) / 255.0f;
}
