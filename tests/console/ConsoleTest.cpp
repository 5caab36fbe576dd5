// ConsoleTest.cpp - console: line buffer, stream printing, log file, output hook, input line,
// history, completion, scrolling, animation, drawing and concurrent printing.
#include "console/Console.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "common/TestFiles.h"
#include "console/ColourMarkup.h"
#include "console/CommandProcessor.h"
#include "console/ConsoleDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sstream>
#include <thread>

namespace {

constexpr int kFontHeight = 10;
constexpr int kCharWidth = 8;

const std::string kRed = "\033[4294901760m";
const std::string kGrey = MakeColourEscape(0xFFB4B4B4u);
const std::string kWhite = MakeColourEscape(0xFFFFFFFFu);

struct DrawCall {
  std::string op;  // "quads", "/quads", "font", "/font", "rect", "text"
  std::string text;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  float r = 0, g = 0, b = 0, a = 0;
};

DrawCall Op(const char* op) {
  DrawCall call;
  call.op = op;
  return call;
}

// Records every draw call; fixed-width font; completes from a fixed name list.
class FakeProcessor : public CommandProcessor, public ConsoleDrawing {
 public:
  bool LoadFont(const char*) override { return true; }
  void ReleaseFont() override {}
  bool HasFont() const override { return true; }
  void BeginQuads() override { calls.push_back(Op("quads")); }
  void EndQuads() override { calls.push_back(Op("/quads")); }
  void BeginFont() override { calls.push_back(Op("font")); }
  void EndFont() override { calls.push_back(Op("/font")); }
  void DrawRectangle(int x1, int y1, int x2, int y2, float r, float g, float b, float a) override {
    calls.push_back({"rect", "", x1, y1, x2, y2, r, g, b, a});
  }
  void DrawText(std::string_view text, int x, int y, float r, float g, float b, float a) override {
    calls.push_back({"text", std::string(text), x, y, 0, 0, r, g, b, a});
  }
  int GetFontHeight() override { return kFontHeight; }
  int GetTextWidth(std::string_view text) override {
    return static_cast<int>(text.size()) * kCharWidth;
  }
  int Execute(std::string_view line, bool verbose) override {
    executed.emplace_back(std::string(line), verbose);
    return result;
  }
  int Complete(std::string_view prefix, std::vector<std::string>& out) override {
    for (const std::string& name : names)
      if (NoCaseStartsWith(name, prefix)) out.push_back(name);
    return static_cast<int>(out.size());
  }

  std::vector<DrawCall> Of(const char* op) const {
    std::vector<DrawCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [op](const DrawCall& c) { return c.op == op; });
    return out;
  }
  std::vector<DrawCall> Texts() const { return Of("text"); }

  std::vector<DrawCall> calls;
  std::vector<std::pair<std::string, bool>> executed;
  std::vector<std::string> names{"ResX", "ResY", "ShowRecentConsoleEntries"};
  int result = 0;
};

using kaztest::ReadFile;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream ss(text);
  for (std::string line; std::getline(ss, line);) out.push_back(line);
  return out;
}

class ConsoleTest : public testing::Test {
 protected:
  // Both return the input line afterwards.
  std::string Type(const std::string& text) {
    for (char c : text) console.OnChar(static_cast<unsigned char>(c));
    return console.GetInput();
  }
  std::string Key(ConsoleKey key) {
    console.OnKey(key);
    return console.GetInput();
  }

  Console console;
  FakeProcessor processor;
};

TEST_F(ConsoleTest, PrintsSplitAtLineFeedsAndStreamPiecesJoin) {
  console.Print("a\nb", false);
  console.Print("", false);
  console.Print("\n", false);
  EXPECT_EQ(console.GetLines(), (std::vector<std::string>{"a", "b", "", ""}));
  // Stored lines hold escapes for known tags.
  console.Print("[red]a[pink]b", false);
  EXPECT_EQ(console.GetLine(4), kRed + "a[pink]b");

  // Stream pieces broken anywhere, several lines in one piece.
  console.Print("he", true);
  console.Print("llo\nwor", true);
  console.Print("ld\nx", true);
  // A whole line after a stream starts its own line.
  console.Print("whole", false);
  console.Print("more", true);
  const std::vector<std::string> lines = console.GetLines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()),
            (std::vector<std::string>{"hello", "world", "x", "whole", "more"}));
}

TEST_F(ConsoleTest, BufferKeepsTheNewest256LinesAndPrintfIsBounded) {
  console.Printf("%s", std::string(3000, 'x').c_str());
  EXPECT_EQ(console.GetLine(0).size(), kFormatBufferSize - 1);
  console.Print("100%d", false);
  EXPECT_EQ(console.GetLine(1), "100%d");
  console.Print(nullptr, false);
  EXPECT_EQ(console.GetLineCount(), 3u);
  for (int i = 0; i < 1000; ++i) console.Printf("line %d", i);
  ASSERT_EQ(console.GetLineCount(), kConsoleMaxLines);
  EXPECT_EQ(console.GetLine(0), "line 744");
  EXPECT_EQ(console.GetLine(255), "line 999");
}

class ConsoleLogTest : public ConsoleTest {
 protected:
  void TearDown() override { console.CloseLogFile(); }
  kaztest::TempDir tmp{"kaz_console"};
  std::string path = tmp.Str() + "/kaz.log";
};

TEST_F(ConsoleLogTest, LinesAreWrittenWithoutMarkupFlushedAndAFailedOpenKeepsPrinting) {
  ASSERT_TRUE(console.OpenLogFile(path));
  console.Print("[red]ERROR: [white]Invalid command or variable name.", false);
  console.Print("[pink]literal\nsecond", false);
  // Readable before the console closes it: nothing waits in a buffer.
  EXPECT_EQ(ReadFile(path), "ERROR: Invalid command or variable name.\n[pink]literal\nsecond\n");
  // Streamed text makes one log line a console line.
  console.Print("[grey]he", true);
  console.Print("llo\n", true);
  console.Print("par", true);
  console.Print("tial", false);  // a whole line ends the streamed one first
  console.Print("a\nb", true);
  console.CloseLogFile();
  EXPECT_EQ(
      ReadFile(path),
      "ERROR: Invalid command or variable name.\n[pink]literal\nsecond\nhello\npar\ntial\na\nb\n");
  // Reopening truncates; an empty path closes.
  ASSERT_TRUE(console.OpenLogFile(path));
  console.Print("first", false);
  ASSERT_TRUE(console.OpenLogFile(path));
  console.Print("second", false);
  EXPECT_TRUE(console.OpenLogFile(""));
  EXPECT_FALSE(console.IsLogFileOpen());
  console.Print("third", false);
  EXPECT_EQ(ReadFile(path), "second\n");
  // A log that cannot be created leaves printing working.
  EXPECT_FALSE(console.OpenLogFile("/nonexistent-dir/kaz.log"));
  EXPECT_FALSE(console.IsLogFileOpen());
  console.Print("still here", false);
  EXPECT_EQ(console.GetLine(console.GetLineCount() - 1), "still here");
}

struct HookRecord {
  std::vector<std::pair<std::string, bool>> texts;
  Console* console = nullptr;
};

TEST_F(ConsoleTest, HookGetsEveryTextAsGivenAndMayPrint) {
  HookRecord record;
  console.SetOutputHook(
      [](const char* text, bool cont, void* user) {
        static_cast<HookRecord*>(user)->texts.emplace_back(text, cont);
      },
      &record);
  console.Print("[red]x\ny", false);
  console.Print("piece", true);
  console.Printf("%d", 5);
  EXPECT_EQ(record.texts, (std::vector<std::pair<std::string, bool>>{
                              {"[red]x\ny", false}, {"piece", true}, {"5", false}}));
  console.SetOutputHook(nullptr, nullptr);
  console.Print("unhooked", false);
  EXPECT_EQ(record.texts.size(), 3u);

  // A hook that prints neither deadlocks nor recurses.
  record = {{}, &console};
  console.SetOutputHook(
      [](const char* text, bool cont, void* user) {
        auto* r = static_cast<HookRecord*>(user);
        r->texts.emplace_back(text, cont);
        r->console->Printf("echo of %s", text);
      },
      &record);
  console.Print("hello", false);
  EXPECT_EQ(console.GetLine(console.GetLineCount() - 2), "hello");
  EXPECT_EQ(console.GetLine(console.GetLineCount() - 1), "echo of hello");
  ASSERT_EQ(record.texts.size(), 1u);
}

TEST_F(ConsoleTest, EnterEchoesAndRunsVerboseAndExecuteRunsEachLineQuietly) {
  // Without a processor Enter only records the line.
  Type("quit\r");
  EXPECT_EQ(console.GetLineCount(), 0u);
  EXPECT_EQ(console.GetHistory(), std::vector<std::string>{"quit"});
  EXPECT_EQ(console.Execute("quit", true), -1);
  console.SetCommandProcessor(&processor);
  Type("ResX 800\r");
  ASSERT_EQ(processor.executed.size(), 1u);
  EXPECT_EQ(processor.executed[0], std::make_pair(std::string("ResX 800"), true));
  EXPECT_EQ(console.GetLine(console.GetLineCount() - 1), kGrey + " ] " + kWhite + "ResX 800");
  EXPECT_EQ(console.GetInput(), "");
  EXPECT_EQ(console.GetCursorPosition(), 0);
  Type("\n");  // empty input runs nothing
  EXPECT_EQ(processor.executed.size(), 1u);

  processor.result = 7;
  const size_t lines = console.GetLineCount();
  EXPECT_EQ(console.Execute("a\nb\n", true), 7);
  ASSERT_EQ(processor.executed.size(), 3u);
  EXPECT_EQ(processor.executed[2], std::make_pair(std::string("b"), false));
  EXPECT_EQ(console.GetLineCount(), lines + 2);  // each line echoed
  EXPECT_EQ(console.Execute("c", false), 7);
  EXPECT_EQ(console.GetLineCount(), lines + 2);
}

TEST_F(ConsoleTest, HistoryRecallsWrapsAndEvictsTheOldest) {
  Type("a\r");
  Type("b\r");
  EXPECT_EQ(Key(ConsoleKey_HistoryOlder), "b");
  EXPECT_EQ(console.GetCursorPosition(), 1);
  Type("\r");
  console.OnKey(ConsoleKey_HistoryOlder);
  Type("\r");
  // A recalled line is not stored again.
  EXPECT_EQ(console.GetHistory(), (std::vector<std::string>{"b", "a"}));
  Type("c\r");                                   // newest first: c, b, a
  EXPECT_EQ(Key(ConsoleKey_HistoryNewer), "a");  // no cursor: the oldest
  EXPECT_EQ(Key(ConsoleKey_HistoryNewer), "b");
  console.OnKey(ConsoleKey_HistoryNewer);
  EXPECT_EQ(Key(ConsoleKey_HistoryNewer), "a");  // newest wraps to oldest
  EXPECT_EQ(Key(ConsoleKey_HistoryOlder), "c");  // oldest wraps to newest
  console.OnKey(ConsoleKey_ClearLine);
  // Typed again (not recalled) it is a new entry.
  Type("b\r");
  EXPECT_EQ(console.GetHistory().size(), 4u);
  for (int i = 0; i < 11; ++i) Type("cmd" + std::to_string(i) + "\r");
  ASSERT_EQ(console.GetHistory().size(), kConsoleMaxHistory);
  EXPECT_EQ(console.GetHistory().front(), "cmd10");
  EXPECT_EQ(console.GetHistory().back(), "cmd1");
}

TEST_F(ConsoleTest, CompletionEditingKeysAndRefusedCharacters) {
  console.SetCommandProcessor(&processor);
  Type("res");
  EXPECT_EQ(console.GetCompletionText(), "ResX");
  EXPECT_EQ(console.GetCompletionHint(), "resX");  // keeps the typed case
  EXPECT_EQ(Type("\t"), "ResX");
  EXPECT_EQ(console.GetCursorPosition(), 4);
  EXPECT_EQ(console.GetCompletionHint(), "");
  Type(" ");
  EXPECT_EQ(console.GetCompletionHint(), "");  // a blank ends completion
  console.OnKey(ConsoleKey_ClearLine);
  EXPECT_EQ(Type("zz\t"), "zz");  // Tab without a hint does nothing

  console.OnKey(ConsoleKey_ClearLine);
  Type("resy");
  console.OnKey(ConsoleKey_Home);
  console.OnKey(ConsoleKey_CursorLeft);
  EXPECT_EQ(console.GetCursorPosition(), 0);
  EXPECT_EQ(Key(ConsoleKey_Delete), "esy");
  EXPECT_EQ(console.GetCompletionHint(), "");  // stale hint dropped
  console.OnKey(ConsoleKey_End);
  console.OnKey(ConsoleKey_CursorRight);
  EXPECT_EQ(console.GetCursorPosition(), 3);
  EXPECT_EQ(Key(ConsoleKey_Delete), "esy");  // nothing at the cursor
  console.OnKey(ConsoleKey_CursorLeft);
  EXPECT_EQ(Type("\b"), "ey");
  EXPECT_EQ(console.GetCursorPosition(), 1);
  console.OnKey(ConsoleKey_Home);
  EXPECT_EQ(Type("\b"), "ey");  // nothing before the cursor

  // Overflow and control characters are refused; Latin-1 letters are not.
  console.OnKey(ConsoleKey_ClearLine);
  Type(std::string(300, 'x'));
  EXPECT_EQ(console.GetInput().size(), kConsoleMaxInput);
  console.OnKey(ConsoleKey_ClearLine);
  for (int c : {int('`'), 27, 0, 1, 127, 256, 0x20AC, -5}) console.OnChar(c);
  EXPECT_EQ(console.GetInput(), "");
  console.OnChar(0xE9);
  EXPECT_EQ(console.GetInput(), "\xE9");
}

TEST_F(ConsoleTest, PagesStopAtTheOldestLineTheViewKeepsItsLinesAndLinesStopAtTheTop) {
  for (int i = 0; i < 20; ++i) console.Printf("%d", i);
  console.OnKey(ConsoleKey_PageUp);
  EXPECT_FALSE(console.IsFollowingOutput());
  EXPECT_EQ(console.GetScrollOffset(), 5);
  for (int i = 0; i < 10; ++i) console.OnKey(ConsoleKey_PageUp);
  EXPECT_EQ(console.GetScrollOffset(), 19);  // the oldest line at the bottom
  console.OnKey(ConsoleKey_PageDown);
  EXPECT_EQ(console.GetScrollOffset(), 14);
  for (int i = 0; i < 3; ++i) console.OnKey(ConsoleKey_PageDown);
  EXPECT_TRUE(console.IsFollowingOutput());
  EXPECT_EQ(console.GetScrollOffset(), 0);

  console.SetCommandProcessor(&processor);
  console.SetDrawing(&processor);
  console.SetOpen(true, false);
  console.OnKey(ConsoleKey_PageUp);  // bottom line is "14"
  for (int i = 20; i < 300; ++i) console.Printf("%d", i);
  EXPECT_EQ(console.GetScrollOffset(), static_cast<int>(kConsoleMaxLines) - 1);
  console.Draw(0, 0, 640, 240, false, false);
  // "14" was dropped from the buffer; the view moved on to the oldest line kept.
  auto texts = processor.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, "44");

  // Lines stop at the top edge: at y = 75, 65, ..., 5 (8 lines) above the
  // input line of a 100-pixel console.
  processor.calls.clear();
  for (int i = 0; i < 100 && !console.IsFollowingOutput(); ++i) console.OnKey(ConsoleKey_PageDown);
  console.Draw(0, 0, 640, 100, false, false);
  texts = processor.Texts();
  ASSERT_EQ(texts.size(), 1u + 8u);  // prompt, no input
  EXPECT_EQ(texts.back().y1, 5);
  EXPECT_EQ(texts.back().text, "292");
}

TEST_F(ConsoleTest, OpeningAndClosingTakeAQuarterSecond) {
  console.SetOpen(true, true);
  EXPECT_EQ(console.GetState(), ConsoleState_Opening);
  console.Update(0.125f);
  EXPECT_FLOAT_EQ(console.GetOpenFraction(), 0.5f);
  console.SetOpen(false, true);  // reverses mid-way
  EXPECT_EQ(console.GetState(), ConsoleState_Closing);
  console.Update(0.2f);
  EXPECT_EQ(console.GetState(), ConsoleState_Closed);
  EXPECT_FLOAT_EQ(console.GetOpenFraction(), 0.0f);
  console.SetOpen(false, true);
  EXPECT_EQ(console.GetState(), ConsoleState_Closed);
  console.SetOpen(true, true);
  console.Update(0.3f);
  EXPECT_EQ(console.GetState(), ConsoleState_Open);
  EXPECT_FLOAT_EQ(console.GetOpenFraction(), 1.0f);
  console.Update(0.5f);
  EXPECT_FALSE(console.IsCursorVisible());
  console.OnKey(ConsoleKey_End);
  EXPECT_TRUE(console.IsCursorVisible());
}

TEST_F(ConsoleTest, RecentLinesShowWhileClosedForFiveSeconds) {
  console.SetCommandProcessor(&processor);
  console.SetDrawing(&processor);
  console.Print("old", false);
  console.Update(4.0f);
  console.Print("[red]new", false);
  console.Draw(0, 0, 640, 240, true, true);
  auto texts = processor.Texts();
  ASSERT_EQ(texts.size(), 2u);
  // Their places and colours are checked through the real renderer
  // (ConsoleRendererTest); here how long they stay.
  EXPECT_EQ(texts[0].text, "new");  // newest lowest
  EXPECT_EQ(texts[1].text, "old");

  processor.calls.clear();
  console.Update(1.5f);  // "old" expires, "new" stays
  console.Draw(0, 0, 640, 240, true, true);
  ASSERT_EQ(processor.Texts().size(), 1u);
  EXPECT_EQ(processor.Texts()[0].y1, 5);

  processor.calls.clear();
  console.Update(4.0f);
  console.Draw(0, 0, 640, 240, true, true);
  EXPECT_TRUE(processor.calls.empty());
}

TEST_F(ConsoleTest, NoticesAreRightAlignedForOneFrame) {
  // Without a drawing, drawing only drops them.
  console.AddNotice("n");
  console.Draw(0, 0, 640, 240, true, true);
  EXPECT_TRUE(console.GetNotices().empty());
  console.SetCommandProcessor(&processor);
  console.SetDrawing(&processor);
  console.AddNotice("[orange]--- World ---\nab");
  console.AddNoticef("FPS: %.2f", 60.0);
  for (int i = 0; i < 40; ++i) console.AddNotice("x");
  EXPECT_EQ(console.GetNotices().size(), kConsoleMaxNotices);
  console.Draw(0, 0, 640, 240, false, true);
  auto texts = processor.Texts();
  ASSERT_EQ(texts.size(), kConsoleMaxNotices);
  EXPECT_EQ(texts[0].text, "--- World ---");
  EXPECT_EQ(texts[0].x1, 640 - 5 - 13 * kCharWidth);  // escapes not measured
  EXPECT_EQ(texts[1].text, "ab");
  EXPECT_EQ(texts[1].y1, 5 + kFontHeight);
  EXPECT_EQ(texts[2].text, "FPS: 60.00");
  EXPECT_TRUE(console.GetNotices().empty());

  console.AddNotice("hidden");
  console.Draw(0, 0, 640, 240, false, false);
  EXPECT_TRUE(console.GetNotices().empty());
}

// Places, colours and the background's alpha are checked through the real
// renderer (ConsoleRendererTest); here what is drawn, in which order.
TEST_F(ConsoleTest, OpenConsoleDrawsBackgroundInputHintAndLines) {
  console.SetCommandProcessor(&processor);
  console.SetDrawing(&processor);
  console.Print("[red]a[green]b", false);
  console.Print("plain", false);
  console.SetOpen(true, true);
  console.Update(1.0f);
  Type("res");
  processor.calls.clear();
  console.Draw(0, 0, 640, 240, true, true);

  auto rects = processor.Of("rect");
  ASSERT_EQ(rects.size(), 6u);           // background, edge, cursor, scroll bar ends and thumb
  EXPECT_EQ(rects[5].y1, 5 + 240 - 17);  // thumb at the bottom while following
  auto texts = processor.Texts();
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[0].text, "] ");
  EXPECT_EQ(texts[1].text, "resX");  // hint under the input, in grey
  EXPECT_FLOAT_EQ(texts[1].r, 0.5f);
  EXPECT_EQ(texts[2].text, "res");
  EXPECT_EQ(texts[3].text, "plain");  // newest line lowest
  EXPECT_EQ(texts[4].text, "a");      // a line's colour runs drawn one by one
  EXPECT_EQ(texts[5].text, "b");
  EXPECT_EQ(processor.calls.front().op, "quads");
  EXPECT_EQ(processor.calls.back().op, "/font");
}

struct OrderedHook {
  std::mutex mutex;
  std::vector<std::string> texts;
};

TEST_F(ConsoleLogTest, ConcurrentPrintsAreNeitherLostNorDuplicated) {
  constexpr int kThreads = 4;
  constexpr int kLinesPerThread = 2000;
  OrderedHook hook;
  console.SetOutputHook(
      [](const char* text, bool, void* user) {
        auto* h = static_cast<OrderedHook*>(user);
        std::lock_guard<std::mutex> lock(h->mutex);
        h->texts.push_back(text);
      },
      &hook);
  console.SetCommandProcessor(&processor);
  console.SetDrawing(&processor);
  console.SetOpen(true, false);
  ASSERT_TRUE(console.OpenLogFile(path));

  std::atomic<bool> done{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLinesPerThread; ++i) {
        if (i % 7 == 0) console.AddNoticef("n%d", i);
        console.Printf("[grey]t%d-%d", t, i);
      }
    });
  }
  // The main thread keeps reading, updating and drawing meanwhile.
  size_t reads = 0;
  while (!done) {
    auto lines = console.GetLines();
    EXPECT_LE(lines.size(), kConsoleMaxLines);
    console.Update(0.01f);
    console.Draw(0, 0, 640, 240, true, true);
    processor.calls.clear();
    if (++reads % 4 == 0) console.OnKey(reads % 8 ? ConsoleKey_PageUp : ConsoleKey_PageDown);
    done = console.GetLineCount() == kConsoleMaxLines && reads > 50;
  }
  for (auto& th : threads) th.join();
  console.CloseLogFile();

  auto logLines = SplitLines(ReadFile(path));
  ASSERT_EQ(logLines.size(), static_cast<size_t>(kThreads * kLinesPerThread));
  std::vector<int> next(kThreads, 0);
  for (const std::string& line : logLines) {
    int t = -1, i = -1;
    ASSERT_EQ(sscanf(line.c_str(), "t%d-%d", &t, &i), 2) << line;
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(i, next[t]) << "thread " << t << " out of order or duplicated";
    next[t] = i + 1;
  }
  // The hook saw the same texts, in the order the log has them.
  std::lock_guard<std::mutex> lock(hook.mutex);
  ASSERT_EQ(hook.texts.size(), logLines.size());
  for (size_t k = 0; k < logLines.size(); ++k)
    ASSERT_EQ(hook.texts[k], "[grey]" + logLines[k]) << k;
  // The buffer ends with the last 256 lines of the log.
  auto lines = console.GetLines();
  ASSERT_EQ(lines.size(), kConsoleMaxLines);
  EXPECT_EQ(StripColourEscapes(lines.back()), logLines.back());
  EXPECT_EQ(StripColourEscapes(lines.front()), logLines[logLines.size() - kConsoleMaxLines]);
}

// Records what the console asks of its drawing; LoadFont succeeds when told.
struct RecordingDrawing : ConsoleDrawing {
  bool fontLoads = true;
  bool font = false;
  std::vector<std::string> calls;
  bool LoadFont(const char* path) override {
    calls.push_back(std::string("load ") + path);
    return font = fontLoads;
  }
  void ReleaseFont() override {
    if (font) calls.push_back("release");
    font = false;
  }
  bool HasFont() const override { return font; }
  void BeginQuads() override { calls.push_back("draw"); }
  void EndQuads() override { calls.push_back("draw"); }
  void BeginFont() override { calls.push_back("draw"); }
  void EndFont() override { calls.push_back("draw"); }
  void DrawRectangle(int, int, int, int, float, float, float, float) override {
    calls.push_back("draw");
  }
  void DrawText(std::string_view, int, int, float, float, float, float) override {
    calls.push_back("draw");
  }
  int GetFontHeight() override { return 17; }
  int GetTextWidth(std::string_view text) override { return 8 * int(text.size()); }
};

// What the loaded font draws is seen through the real renderer
// (ConsoleRendererTest) and in the engine's screenshots; here a missing font
// and the font's lifetime.
TEST_F(ConsoleTest, DrawingGoesThroughTheConsoleFontOnlyOnceLoaded) {
  RecordingDrawing drawing;
  drawing.fontLoads = false;
  console.SetDrawing(&drawing);
  console.LoadFont();
  console.Print("abc", false);
  console.Draw(0, 0, 640, 240, true, true);  // nothing reaches a drawing without a font
  EXPECT_EQ(drawing.calls, std::vector<std::string>{"load Fonts/console.f"});

  drawing.fontLoads = true;
  console.LoadFont();
  console.Draw(0, 0, 640, 240, true, true);
  ASSERT_GE(drawing.calls.size(), 3u);
  EXPECT_EQ(drawing.calls[1], "load Fonts/console.f");
  EXPECT_EQ(drawing.calls[2], "draw");
  // Loading again replaces the font; releasing gives it up, and nothing is drawn after.
  drawing.calls.clear();
  console.LoadFont();
  console.ReleaseFont();
  console.Draw(0, 0, 640, 240, true, true);
  EXPECT_EQ(drawing.calls,
            (std::vector<std::string>{"release", "load Fonts/console.f", "release"}));
  console.SetDrawing(nullptr);
}

}  // namespace
