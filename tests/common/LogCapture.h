// LogCapture.h - collects every log line written while it lives.
//
// Installs itself as the process-wide log handler and puts the previous
// handler back when it goes; what was reported once (FirstReport) is
// forgotten, so the capture sees each mistake's line. Lines keep their level; tests look for texts
// with Has/Count rather than comparing whole transcripts.
//
// Builds on base/Log.h.
#pragma once

#include "base/Log.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kaztest {

struct LoggedLine {
  std::string text;
  LogLevel level;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<LoggedLine> Lines() const;
  // The lines' texts alone, in order.
  std::vector<std::string> Texts() const;
  // Number of lines that contain `text`, optionally only at one level.
  int Count(std::string_view text) const;
  int Count(std::string_view text, LogLevel level) const;
  bool Has(std::string_view text) const { return Count(text) > 0; }
  // Lines at warning or error level.
  int Problems() const;
  // Every line, one per row, for failure messages.
  std::string Dump() const;
  void Clear();

 private:
  static void Handle(const char* text, LogLevel level);
  LogHandler m_previous = nullptr;
  LogCapture* m_outer = nullptr;
  mutable std::mutex m_mutex;
  std::vector<LoggedLine> m_lines;
};

}  // namespace kaztest
