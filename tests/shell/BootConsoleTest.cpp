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

// The pieces as "<colour>text", colours by name (or r,g,b when unnamed).
std::string Show(std::string_view text, bool continueLine) {
  std::string out;
  for (const ConsolePiece& piece : ParseConsoleText(text, continueLine)) {
    std::string name;
    for (const char* known : {"white", "red", "grey", "orange", "yellow"}) {
      ConsoleColour colour{};
      if (name.empty() && FindConsoleColour(known, &colour) && colour == piece.colour) name = known;
    }
    if (name.empty())
      name = std::to_string(piece.colour.r) + "," + std::to_string(piece.colour.g) + "," +
             std::to_string(piece.colour.b);
    out += "<" + name + ">" + piece.text;
  }
  return out;
}

TEST(ConsoleColourParse, TagsColourTheFollowingTextAndMalformedOnesStayLiteral) {
  const std::string longName(300, 'r');
  const std::pair<std::string, std::string> cases[] = {
      {"plain[red]first [white]second", "<white>plain<red>first <white>second"},
      {"[RED]x", "<red>x"},
      {"[Gray]x[grey]y", "<grey>x<grey>y"},
      {"[magenta]x [] y", "<white>[magenta]x [] y"},
      {"a [red", "<white>a [red"},
      {"end[", "<white>end["},
      // A bracket before a tag is literal and the inner tag counts.
      {"[[red]x]", "<white>[<red>x]"},
      // 259 characters is the longest tag looked up, 260 is never a tag;
      // a '[' whose ']' is far away does not hide a tag that opens after it.
      {"[" + longName.substr(0, 257) + "][red]x", "<white>[" + longName.substr(0, 257) + "]<red>x"},
      {"[" + longName.substr(0, 258) + "][red]x", "<white>[" + longName.substr(0, 258) + "]<red>x"},
      {"[" + longName + "][red]x", "<white>[" + longName + "]<red>x"},
      {"[" + std::string(300, ' ') + "[red]x]", "<white>[" + std::string(300, ' ') + "<red>x]"},
      {"", ""}};
  for (const auto& [text, shown] : cases) EXPECT_EQ(Show(text, true), shown) << text;

  ConsoleColour colour{};
  EXPECT_TRUE(FindConsoleColour("ORANGE", &colour));
  EXPECT_EQ(colour, (ConsoleColour{255, 128, 64}));
  EXPECT_TRUE(FindConsoleColour("yellow", &colour));
  EXPECT_EQ(colour, (ConsoleColour{225, 225, 0}));
  for (const char* name : {"re", "redd", ""}) EXPECT_FALSE(FindConsoleColour(name, &colour));
}

TEST(ConsoleColourParse, LineBreakAddedOnlyWhenTheLineEndsAndNoEmptyPieces) {
  EXPECT_EQ(Show("[red][grey]", false), "<grey>\n");
  EXPECT_EQ(Show("abc", false), "<white>abc<white>\n");
  EXPECT_EQ(Show("abc\n", false), "<white>abc\n");
  EXPECT_EQ(Show("[red]abc[white]", false), "<red>abc<white>\n");
  EXPECT_EQ(Show("", false), "<white>\n");
}

class BootConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { m_console.SetOutputStream(nullptr); }
  BootConsole m_console;
};

TEST_F(BootConsoleTest, TextIsDroppedWhileStoppedAndARestartKeepsTheTranscript) {
  m_console.Print("lost");
  EXPECT_FALSE(m_console.IsReady());
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  EXPECT_TRUE(m_console.Start("Kaz Console", true));  // twice succeeds
  m_console.Print("one");
  m_console.Shutdown();
  m_console.Print("lost again");
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  m_console.Print("two");
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscript(), "one\ntwo\n");
}

TEST_F(BootConsoleTest, ContinuedTextSharesTheLineAndTagsAreRemoved) {
  ASSERT_TRUE(m_console.Start("Kaz Console", false));
  m_console.Print("[red]Loading ", true);
  m_console.Print("[grey]done");
  m_console.Printf("%d %s", 42, "[cyan]items");
  // The engine's output callback queues too, and ignores null user data.
  BootConsole::OutputCallback("engine line", false, &m_console);
  BootConsole::OutputCallback("nowhere", false, nullptr);
  BootConsole::OutputCallback(nullptr, false, &m_console);
  m_console.Flush();
  EXPECT_EQ(m_console.GetTranscript(), "Loading done\n42 items\nengine line\n");
  EXPECT_EQ(m_console.GetTranscriptTail(2), "42 items\nengine line\n");
  EXPECT_EQ(m_console.GetTranscriptTail(10), m_console.GetTranscript());
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
