// WordWrap.h - breaking a text into lines that fit a width.
//
// A line is the longest piece of the rest of the text that fits: cut back at
// the last blank (dropping the blanks there), or, where no blank helps, one
// character at a time; a piece of one character is always taken, so every
// line advances. A blank that opens a piece is left out of its line. The
// widths come from one pass over the characters (a UTF-8 sequence counts as
// one character), so wrapping is linear in the text's length.
// Depends on: MenuRenderer.h.
#pragma once

#include "menu/MenuRenderer.h"

#include <string_view>
#include <vector>

// Characters [begin, end) of the text.
struct LineRange {
  int begin = 0;
  int end = 0;
  bool operator==(const LineRange&) const = default;
};

std::vector<LineRange> WrapText(MenuRenderer& renderer, MenuHandle font, std::string_view text,
                                int width);
