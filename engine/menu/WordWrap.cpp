// WordWrap.cpp - see WordWrap.h.
#include "menu/WordWrap.h"

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Width of each character at the byte that starts it; 0 at continuation bytes.
std::vector<int> CharacterWidths(MenuRenderer& renderer, MenuHandle font, std::string_view text) {
  std::vector<int> widths(text.size(), 0);
  for (size_t at = 0; at < text.size();) {
    size_t next = at + 1;
    while (next < text.size() && IsContinuation(text[next])) ++next;
    widths[at] = renderer.GetTextWidth(font, text.data() + at, next - at);
    at = next;
  }
  return widths;
}

}  // namespace

std::vector<LineRange> WrapText(MenuRenderer& renderer, MenuHandle font, std::string_view text,
                                int width) {
  std::vector<LineRange> lines;
  const std::vector<int> widths = CharacterWidths(renderer, font, text);
  const size_t size = text.size();
  size_t start = 0;
  while (start < size) {
    // fit: the end of the longest prefix of the rest that fits; wordEnd: the
    // last end before a blank (after a non-blank) inside that prefix.
    size_t fit = start, wordEnd = start;
    long sum = 0;
    for (size_t at = start; at < size; ++at) {
      if (text[at] == ' ' && at > start && text[at - 1] != ' ') wordEnd = at;
      // Continuation bytes weigh nothing, so a break falls on a character's start.
      if (sum + widths[at] > width) break;
      sum += widths[at];
      fit = at + 1;
    }
    size_t end;
    if (fit >= size)
      end = size;
    else if (wordEnd > start)
      end = wordEnd;
    else
      end = fit;
    if (end <= start) {  // a single character always makes a line
      end = start + 1;
      while (end < size && IsContinuation(text[end])) ++end;
    }
    size_t first = text[start] == ' ' ? start + 1 : start;
    lines.push_back({static_cast<int>(first), static_cast<int>(end)});
    start = end;
  }
  return lines;
}
