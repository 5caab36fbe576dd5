// Console.h - the engine's text sink and in-game command line.
//
// Every log line, engine Printf and script print ends up here. The console
// keeps the last kConsoleMaxLines lines with their colour tags turned into
// escapes (ColourMarkup.h), writes each line to the log file when one is open,
// forwards every printed text to an output hook (the launcher's boot console),
// and draws itself over the top of the screen: the recent lines while closed,
// per-frame notices (the statistics overlay), and when open the buffer, the
// input line with its history and completion hint, and a scroll indicator.
// Lines are run and names completed through a CommandProcessor, and
// everything is drawn through a ConsoleDrawing in the console font; without
// them the console still stores and forwards text.
//
// Threads: Print, Printf, AddNotice, Update and Draw may race with each other
// from any thread (a sound streaming worker logs); one mutex guards the buffer,
// the log file, the notices, the timers and the scroll position. The input
// line, history and completion belong to the main thread (OnChar, OnKey,
// Execute). No lock is held while calling out: the output hook and the
// drawing operations may themselves log (see SetOutputHook).
//
// Depends on ColourMarkup.h, CommandProcessor.h, ConsoleDrawing.h, base/Log.h
// (formatting).
#pragma once

#include "base/Export.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CommandProcessor;
class ConsoleDrawing;

constexpr const char* kConsoleFontPath = "Fonts/console.f";

enum ConsoleState : int {
  ConsoleState_Closed = 0,
  ConsoleState_Open = 1,
  ConsoleState_Opening = 2,
  ConsoleState_Closing = 3,
};

enum ConsoleKey : int {
  ConsoleKey_CursorLeft = 0,
  ConsoleKey_CursorRight = 1,
  ConsoleKey_HistoryOlder = 2,
  ConsoleKey_HistoryNewer = 3,
  ConsoleKey_PageUp = 4,
  ConsoleKey_PageDown = 5,
  ConsoleKey_Home = 6,
  ConsoleKey_End = 7,
  ConsoleKey_ClearLine = 8,
  ConsoleKey_Delete = 9,
};

// Receives every printed text as given (tags not converted). The text lives
// only for the call.
using ConsoleOutputHook = void (*)(const char* text, bool continueLine, void* userData);

constexpr size_t kConsoleMaxLines = 256;
constexpr size_t kConsoleMaxInput = 256;
constexpr size_t kConsoleMaxHistory = 10;
constexpr size_t kConsoleRecentLines = 10;
constexpr size_t kConsoleMaxNotices = 26;
constexpr float kConsoleRecentSeconds = 5.0f;
constexpr float kConsoleBlinkSeconds = 0.5f;
constexpr float kConsoleOpenSpeed = 4.0f;  // open fraction per second
constexpr int kConsolePageLines = 5;
constexpr const char* kConsolePrompt = "] ";

class Console {
 public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Stores text. continueLine false: each line of text becomes a buffer line.
  // True (stream mode): pieces are appended to the current line and a '\n'
  // starts the next one, so text may arrive in arbitrary pieces.
  void Print(const char* text, bool continueLine = false);
  void Print(const std::string& text, bool continueLine = false) {
    Print(text.c_str(), continueLine);
  }
  // Formats at most 2047 characters and prints them as whole lines.
  void Printf(const char* format, ...) KAZ_PRINTF(2, 3);

  // Queues lines shown by the next Draw only (at most kConsoleMaxNotices).
  void AddNotice(std::string_view text);
  void AddNoticef(const char* format, ...) KAZ_PRINTF(2, 3);

  // Runs each line of text with the processor (verbose off), echoing it first
  // when echo is set. The last line's result, or -1 without a processor.
  int Execute(std::string_view text, bool echo);

  // Input while open (main thread).
  void OnChar(int character);
  void OnKey(ConsoleKey key);

  void SetOpen(bool open, bool animate);
  ConsoleState GetState() const;
  float GetOpenFraction() const;

  // Once per frame: recent-line timers, open animation, cursor blink.
  void Update(float deltaSeconds);
  // Once per frame, after the menus. Draws through the drawing while it holds
  // the console font; the notice list is emptied whatever is drawn.
  void Draw(int x, int y, int width, int height, bool showRecent, bool drawNotices);

  // Closes an open log file and, unless path is empty, creates path afresh.
  // False when the file cannot be created; printing works on without it.
  bool OpenLogFile(const std::string& path);
  void CloseLogFile();
  bool IsLogFileOpen() const;

  // The hook is called outside the console's lock, one call at a time and in
  // the order the texts were stored. Text printed while the hook runs on the
  // same thread (the hook logging) is stored and logged but not handed to the
  // hook again, so a hook that logs can neither deadlock nor recurse. When
  // several threads print at once, the thread already calling the hook passes
  // the others' texts on, so a Print may return before its text reached it.
  void SetOutputHook(ConsoleOutputHook hook, void* userData);
  void SetCommandProcessor(CommandProcessor* processor);
  CommandProcessor* GetCommandProcessor() const { return m_processor; }
  // What the console is drawn with (not owned; null: nothing is drawn). A
  // drawing replaced by another gives up its font.
  void SetDrawing(ConsoleDrawing* drawing);
  // Loads kConsoleFontPath through the drawing, replacing a loaded font;
  // until one is loaded the console draws nothing and measures 0.
  void LoadFont();
  void ReleaseFont();

  // Snapshots, for the engine and tests.
  size_t GetLineCount() const;
  std::string GetLine(size_t index) const;  // 0 = oldest
  std::vector<std::string> GetLines() const;
  std::vector<std::string> GetNotices() const;
  bool IsFollowingOutput() const;
  int GetScrollOffset() const;

  const std::string& GetInput() const { return m_input; }
  int GetCursorPosition() const { return m_cursor; }
  const std::string& GetCompletionHint() const { return m_completionHint; }
  const std::string& GetCompletionText() const { return m_completionText; }
  const std::vector<std::string>& GetHistory() const { return m_history; }  // newest first
  bool IsCursorVisible() const;

 private:
  struct PendingOutput {
    std::string text;
    bool continueLine;
  };

  void AddLineLocked(std::string_view line);
  void WriteLogLocked(std::string_view piece, bool newLine, bool endLine);
  void ForwardOutputLocked(std::unique_lock<std::mutex>& lock, const char* text, bool continueLine);
  void UpdateCompletion();
  void ResetBlink();
  void ScrollUpLocked();
  void ScrollDownLocked();
  void DrawColouredText(std::string_view text, int x, int y, float red, float green, float blue,
                        float alpha);

  // What one Draw shows, taken under the lock; lines newest first.
  struct DrawSnapshot {
    ConsoleState state = ConsoleState_Closed;
    float fraction = 0.0f;
    bool cursorVisible = false;
    size_t lineCount = 0;
    int scrollOffset = 0;
    std::vector<std::string> recent;
    std::vector<std::string> notices;
    std::vector<std::string> visible;
  };
  DrawSnapshot TakeDrawSnapshot(int y, int y2, int fontHeight, bool showRecent, bool drawNotices,
                                bool drawable);
  // Recent lines (while not open) at the top left, notices at the top right.
  void DrawOverlay(const DrawSnapshot& shot, int x, int y, int x2, int fontHeight);
  // Background, cursor and scroll bar.
  void DrawPanel(const DrawSnapshot& shot, int x, int y, int x2, int y2, int fontHeight);
  // Prompt, completion hint, input and the visible lines.
  void DrawPanelText(const DrawSnapshot& shot, int x, int y2, int fontHeight);

  mutable std::mutex m_mutex;

  // Guarded by m_mutex.
  FILE* m_logFile = nullptr;
  bool m_logLineOpen = false;  // a streamed line in the log awaits its '\n'
  std::deque<std::string> m_lines;
  std::vector<std::string> m_notices;
  float m_recentTimers[kConsoleRecentLines];
  bool m_followOutput = true;
  size_t m_scrollAnchor = 0;  // index into m_lines; the view ends just above it
  bool m_lastPrintContinued = false;
  ConsoleState m_state = ConsoleState_Closed;
  float m_openFraction = 0.0f;
  bool m_cursorVisible = true;
  float m_blinkTimer = 0.0f;
  ConsoleOutputHook m_outputHook = nullptr;
  void* m_outputHookUserData = nullptr;
  std::deque<PendingOutput> m_pendingOutput;
  bool m_forwarding = false;  // some thread is calling the output hook
  std::string m_convertScratch;
  std::string m_stripScratch;

  // Main thread only.
  CommandProcessor* m_processor = nullptr;
  ConsoleDrawing* m_drawing = nullptr;
  std::string m_input;
  int m_cursor = 0;
  std::string m_completionHint;
  std::string m_completionText;
  std::vector<std::string> m_history;
  int m_historyCursor = -1;
};
