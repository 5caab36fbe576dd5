// BootConsole.h - the launcher's log window, here the terminal.
//
// Collects every text the launcher and the engine print, from any thread, and
// writes it on a thread of its own: one queue guarded by one mutex, one wake-up
// per queued entry. Texts carry colour tags ("[red]", "[grey]"...); on a
// terminal the pieces are written in 24-bit ANSI colour (unless NO_COLOR is
// set), elsewhere as plain text. A plain-text transcript is kept in memory so
// that a fatal stop can show the end of the log. Text printed while the
// console is not started is dropped.
// Depends on: Thread.h, base/StringUtil.h (in the .cpp), the standard library.
#pragma once

#include "Thread.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct ConsoleColour {
  uint8_t r, g, b;
  bool operator==(const ConsoleColour&) const = default;
};

struct ConsolePiece {
  std::string text;
  ConsoleColour colour;
};

constexpr ConsoleColour kConsoleWhite{255, 255, 255};

// Looks a colour name up in the console's table, ignoring letter case.
bool FindConsoleColour(std::string_view name, ConsoleColour* colour);

// Splits a text at its colour tags into pieces of one colour each (empty pieces
// are left out). Unless continueLine is set, a line break is added when the
// text does not already end with one.
std::vector<ConsolePiece> ParseConsoleText(std::string_view text, bool continueLine);

class BootConsole : public Thread {
 public:
  // Bytes of transcript kept; older whole lines are dropped beyond it.
  static constexpr size_t kTranscriptLimit = 1u << 20;

  BootConsole();
  ~BootConsole() override;

  // Starts the console thread and waits until it is ready. Succeeds at once
  // when it already runs. visible only records whether the log was meant to be
  // shown: a terminal always shows it.
  bool Start(const char* title, bool visible);
  // Writes what is still queued, then ends the thread.
  void Shutdown();

  // Queues a text (any thread); dropped when the console is not started.
  void Print(const char* text, bool continueLine = false);
  // Formats at most 2047 characters and prints them as a complete line.
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Waits until every text queued so far has been written.
  void Flush();

  void Show() { m_visible.store(true); }
  void Hide() { m_visible.store(false); }
  bool IsVisible() const { return m_visible.load(); }
  bool IsReady() const { return m_ready.load(); }
  const std::string& GetTitle() const { return m_title; }

  // Where the text goes; stdout by default, null for the transcript only. Set before Start.
  void SetOutputStream(FILE* stream) { m_stream = stream; }

  std::string GetTranscript() const;
  // The last `lines` lines of the transcript.
  std::string GetTranscriptTail(size_t lines) const;

  // The output callback handed to the engine; userData is the console.
  static void OutputCallback(const char* text, bool continueLine, void* userData);

  void RequestStop() override;

 protected:
  bool OnStart() override;
  void OnStop() override;
  int Run() override;

 private:
  struct Entry {
    std::string text;
    bool continueLine;
  };

  void Append(const Entry& entry);

  std::string m_title;
  std::atomic<bool> m_visible{false};
  std::atomic<bool> m_ready{false};
  FILE* m_stream;
  bool m_useColour = false;

  mutable std::mutex m_mutex;      // guards everything below
  std::condition_variable m_wake;  // one notify per queued entry, and on stop
  std::condition_variable m_idle;  // for Flush
  std::deque<Entry> m_queue;
  bool m_writing = false;  // an entry is popped but not yet written
  std::string m_transcript;
};
