// LogHold.h - holds back what one thread logs while it lives, so that a
// caller can turn a lower layer's lines into one line of its own.
//
// Lines logged on the thread that made the hold collect in it instead of
// reaching the log handler; other threads log as before (a sound worker's
// line is never swallowed). Holds nest: the newest one collects. Release()
// passes what was held on to the handler after all, in order; lines still
// held when the hold goes are dropped.
// Part of the ground floor; builds on base/Log.h.
#pragma once

#include "base/Log.h"

#include <cstddef>
#include <string>
#include <vector>

class LogHold {
 public:
  struct Line {
    std::string text;
    LogLevel level;
  };

  LogHold();
  ~LogHold();
  LogHold(const LogHold&) = delete;
  LogHold& operator=(const LogHold&) = delete;

  const std::vector<Line>& Lines() const { return m_lines; }
  // The held texts on one line, joined by ": ", line breaks and runs of
  // blanks made single blanks, cut to maxLength characters; "" when none.
  std::string Summary(size_t maxLength = 400) const;
  // Hands the held lines to the enclosing hold, or else to the handler.
  void Release();

  // Holds a line as if it had been logged (the log functions' way in).
  void Add(const char* text, LogLevel level) { m_lines.push_back({text, level}); }

 private:
  LogHold* m_outer;
  std::vector<Line> m_lines;
};
