// ColourMarkupTest.cpp - colour tags: recognition, conversion to escapes, stripping and run
// splitting.
#include "console/ColourMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kRed = "\033[4294901760m";
const std::string kGreen = "\033[4278255360m";

std::vector<std::pair<std::string, uint32_t>> Runs(const std::string& text) {
  std::vector<std::pair<std::string, uint32_t>> runs;
  ForEachColourRun(text, kColourWhite, [&](std::string_view run, uint32_t colour) {
    runs.emplace_back(std::string(run), colour);
  });
  return runs;
}

TEST(ColourMarkupTest, KnownTagsBecomeEscapes) {
  EXPECT_EQ(ConvertColourTags("[red]a[green]b"), kRed + "a" + kGreen + "b");
  EXPECT_EQ(ConvertColourTags("[RED]a"), kRed + "a");
  EXPECT_EQ(ConvertColourTags("[Grey]x"), ConvertColourTags("[gray]x"));
}

TEST(ColourMarkupTest, MalformedOrUnknownTagsStayLiteral) {
  for (const char* text :
       {"[pink]a", "[red a", "[1]", "[]", "[ red]", "[red", "a]b[", "[redd]", "[whitest]"})
    EXPECT_EQ(ConvertColourTags(text), text) << text;
  // A failed '[' does not hide a good tag right after it.
  EXPECT_EQ(ConvertColourTags("[[red]x]"), "[" + kRed + "x]");
  EXPECT_EQ(ConvertColourTags(""), "");
}

TEST(ColourMarkupTest, StripRemovesEscapesOnly) {
  EXPECT_EQ(
      StripColourEscapes(ConvertColourTags("[red]ERROR: [white]Invalid command or variable name.")),
      "ERROR: Invalid command or variable name.");
  EXPECT_EQ(StripColourEscapes("[pink]a"), "[pink]a");
  // An escape without its terminating 'm' is not an escape.
  EXPECT_EQ(StripColourEscapes("a\033[123"), "a\033[123");
  EXPECT_EQ(StripColourEscapes("\033x"), "\033x");
}

TEST(ColourMarkupTest, RunsCarryTheirColours) {
  auto runs = Runs(ConvertColourTags("a[red]b[green]c"));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], std::make_pair(std::string("a"), kColourWhite));
  EXPECT_EQ(runs[1], std::make_pair(std::string("b"), 0xFFFF0000u));
  EXPECT_EQ(runs[2], std::make_pair(std::string("c"), 0xFF00FF00u));
  // Adjacent escapes produce no empty runs; the last one wins.
  runs = Runs(ConvertColourTags("[red][green]x"));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].second, 0xFF00FF00u);
  EXPECT_TRUE(Runs("").empty());
}

TEST(ColourMarkupTest, ParseAndEscapeValuesIgnoreGarbage) {
  uint32_t colour = 0;
  EXPECT_EQ(ParseColourTag("[cyan]rest", &colour), 6u);
  EXPECT_EQ(colour, 0xFF00FFFFu);
  EXPECT_EQ(ParseColourTag("cyan]", &colour), 0u);
  EXPECT_EQ(ParseColourTag("[", &colour), 0u);
  EXPECT_EQ(ColourEscapeValue("\033[4294901760m"), 0xFFFF0000u);
  EXPECT_EQ(ColourEscapeValue("\033[m"), 0u);
  EXPECT_FLOAT_EQ(ColourRed(0xFFFF8040u), 1.0f);
  EXPECT_FLOAT_EQ(ColourGreen(0xFFFF8040u), 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(ColourBlue(0xFFFF8040u), 64.0f / 255.0f);
}

}  // namespace
