// BootConsoleTest.cpp - the boot console: colour-tag parsing, line
// continuation, the queue under load, dropping text while stopped and what
// reaches the output stream.
#include "BootConsole.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <thread>

namespace {

constexpr ConsoleColour kRed{255, 0, 0};
constexpr ConsoleColour kGrey{180, 180, 180};
constexpr ConsoleColour kOrange{255, 128, 64};

std::string Join(const std::vector<ConsolePiece>& pieces) {
  std::string out;
  for (const ConsolePiece& piece : pieces) {
    out += piece.text;
  }
  return out;
}

TEST(ConsoleColourParse, TagsSwitchColourForFollowingTextWhichStartsWhite) {
  auto pieces = ParseConsoleText("plain[red]first [white]second", false);
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].colour, kConsoleWhite);
  EXPECT_EQ(pieces[1].text, "first ");
  EXPECT_EQ(pieces[1].colour, kRed);
  EXPECT_EQ(pieces[2].text, "second");
  EXPECT_EQ(pieces[2].colour, kConsoleWhite);
  EXPECT_EQ(pieces[3].text, "\n");
}

TEST(ConsoleColourParse, NamesIgnoreCaseAndBothGreysExist) {
  ConsoleColour colour{};
  EXPECT_TRUE(FindConsoleColour("ORANGE", &colour));
  EXPECT_EQ(colour, kOrange);
  EXPECT_TRUE(FindConsoleColour("Gray", &colour));
  EXPECT_EQ(colour, kGrey);
  EXPECT_TRUE(FindConsoleColour("yellow", &colour));
  EXPECT_EQ(colour, (ConsoleColour{225, 225, 0}));
  EXPECT_FALSE(FindConsoleColour("re", &colour));
  EXPECT_FALSE(FindConsoleColour("redd", &colour));
  EXPECT_FALSE(FindConsoleColour("", &colour));

  auto pieces = ParseConsoleText("[RED]x", true);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].colour, kRed);
}

TEST(ConsoleColourParse, UnknownEmptyAndUnterminatedTagsStayLiteral) {
  for (const char* text : {"[magenta]x [] y", "a [red", "[", "end["}) {
    EXPECT_EQ(Join(ParseConsoleText(text, true)), text);
  }
  auto pieces = ParseConsoleText("[magenta]x", true);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].colour, kConsoleWhite);
}

TEST(ConsoleColourParse, BracketBeforeATagIsLiteralAndTheInnerTagCounts) {
  auto pieces = ParseConsoleText("[[red]x]", true);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].text, "[");
  EXPECT_EQ(pieces[0].colour, kConsoleWhite);
  EXPECT_EQ(pieces[1].text, "x]");
  EXPECT_EQ(pieces[1].colour, kRed);
}

TEST(ConsoleColourParse, OverlongBracketsStayLiteralAndScanningGoesOn) {
  // 259 characters is the longest tag looked up, 260 is never a tag.
  for (size_t nameLength : {257u, 258u, 400u}) {
    std::string text = "[" + std::string(nameLength, 'r') + "][red]x";
    auto pieces = ParseConsoleText(text, true);
    ASSERT_EQ(pieces.size(), 2u) << nameLength;
    EXPECT_EQ(pieces[0].text, "[" + std::string(nameLength, 'r') + "]");
    EXPECT_EQ(pieces[1].colour, kRed);
  }
  // A '[' whose ']' is far away does not hide a tag that opens after it.
  std::string text = "[" + std::string(300, ' ') + "[red]x]";
  auto pieces = ParseConsoleText(text, true);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[1].text, "x]");
  EXPECT_EQ(pieces[1].colour, kRed);
}

TEST(ConsoleColourParse, LineBreakAddedOnlyWhenTheLineEndsAndNoEmptyPieces) {
  auto pieces = ParseConsoleText("[red][grey]", false);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].text, "\n");
  EXPECT_EQ(pieces[0].colour, kGrey);
  EXPECT_EQ(Join(ParseConsoleText("abc", false)), "abc\n");
  EXPECT_EQ(Join(ParseConsoleText("abc\n", false)), "abc\n");
  EXPECT_EQ(Join(ParseConsoleText("abc", true)), "abc");
  EXPECT_EQ(Join(ParseConsoleText("", false)), "\n");
  EXPECT_TRUE(ParseConsoleText("", true).empty());
}

class BootConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { m_console.SetOutputStream(nullptr); }
  BootConsole m_console;
};

TEST_F(BootConsoleTest, TextIsDroppedWhileNotStarted) {
  m_console.Print("lost");
  EXPECT_FALSE(m_console.IsReady());
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  m_console.Print("kept");
  m_console.Shutdown();
  m_console.Print("lost again");
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscript(), "kept\n");
}

TEST_F(BootConsoleTest, ContinuedTextSharesTheLineAndTagsAreRemoved) {
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  m_console.Print("[red]Loading ", true);
  m_console.Print("[grey]done");
  m_console.Printf("%d %s", 42, "[cyan]items");
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscript(), "Loading done\n42 items\n");
}

TEST_F(BootConsoleTest, StartTwiceSucceedsAndRestartKeepsTheTranscript) {
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  EXPECT_TRUE(m_console.Start("Kaz Console", true));
  m_console.Print("one");
  m_console.Shutdown();
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  m_console.Print("two");
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscript(), "one\ntwo\n");
}

TEST_F(BootConsoleTest, OutputCallbackQueuesAndIgnoresNullUserData) {
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  BootConsole::OutputCallback("engine line", false, &m_console);
  BootConsole::OutputCallback("nowhere", false, nullptr);
  BootConsole::OutputCallback(nullptr, false, &m_console);
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscript(), "engine line\n");
}

TEST_F(BootConsoleTest, TailGivesTheLastLines) {
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  for (const char* line : {"a", "b", "c", "d"}) {
    m_console.Print(line);
  }
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscriptTail(2), "c\nd\n");
  EXPECT_EQ(m_console.GetTranscriptTail(10), "a\nb\nc\nd\n");
}

TEST_F(BootConsoleTest, ManyThreadsLoseAndDuplicateNothing) {
  constexpr int kThreads = 8;
  constexpr int kLines = 400;
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < kLines; ++i) {
        // Half the lines arrive in two pieces; each piece stays whole.
        if (i % 2) {
          m_console.Printf("[grey]t%d-%d", t, i);
        } else {
          m_console.Print(("[red]t" + std::to_string(t) + "-" + std::to_string(i)).c_str());
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  m_console.Flush();

  std::istringstream lines(m_console.GetTranscript());
  std::set<std::string> seen;
  std::vector<int> next(kThreads, 0);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    EXPECT_TRUE(seen.insert(line).second) << "duplicate " << line;
    int t = -1;
    int i = -1;
    ASSERT_EQ(sscanf(line.c_str(), "t%d-%d", &t, &i), 2) << line;
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(i, next[t]++) << "thread " << t << " out of order";
  }
  EXPECT_EQ(count, kThreads * kLines);
}

TEST_F(BootConsoleTest, StreamGetsPlainTextWithControlCharactersDefused) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  m_console.SetOutputStream(file);  // not a terminal: no colour codes
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  m_console.Print("[red]red\x1b[2Jtext\a\ttab");
  m_console.Shutdown();

  rewind(file);
  char buffer[128] = {};
  size_t got = fread(buffer, 1, sizeof(buffer) - 1, file);
  fclose(file);
  EXPECT_EQ(std::string(buffer, got), "red?[2Jtext?\ttab\n");
  EXPECT_EQ(m_console.GetTranscript(), "red\x1b[2Jtext\a\ttab\n");
}

}  // namespace
