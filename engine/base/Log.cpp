// Log.cpp - formatting front end of the log; see Log.h.
#include "base/Log.h"

#include "base/LogHold.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace {
std::atomic<LogHandler> g_handler{nullptr};
thread_local LogHold* t_hold = nullptr;

void Dispatch(LogLevel level, const char* format, va_list args) {
  LogHandler handler = g_handler.load();
  if (!handler && !t_hold) return;
  char buf[kFormatBufferSize];
  FormatBounded(buf, sizeof(buf), format, args);
  if (t_hold)
    t_hold->Add(buf, level);
  else
    handler(buf, level);
}
}  // namespace

LogHold::LogHold() : m_outer(t_hold) {
  t_hold = this;
}

LogHold::~LogHold() {
  // Holds end in the reverse order of their making; one that outlived a newer
  // hold must not put a dead one back.
  if (t_hold == this) t_hold = m_outer;
}

std::string LogHold::Summary(size_t maxLength) const {
  std::string out;
  for (const Line& line : m_lines) {
    if (!out.empty()) out += ": ";
    for (char c : line.text) {
      const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
      if (space && (out.empty() || out.back() == ' ')) continue;
      out += space ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
  }
  if (out.size() > maxLength) out.resize(maxLength);
  return out;
}

void LogHold::Release() {
  std::vector<Line> lines;
  lines.swap(m_lines);
  for (const Line& line : lines) {
    if (m_outer) {
      m_outer->Add(line.text.c_str(), line.level);
    } else if (LogHandler handler = g_handler.load()) {
      handler(line.text.c_str(), line.level);
    }
  }
}

size_t FormatBounded(char* buf, size_t size, const char* format, va_list args) {
  if (!buf || size == 0) return 0;
  if (!format) {
    buf[0] = '\0';
    return 0;
  }
  int n = vsnprintf(buf, size, format, args);
  if (n < 0) {
    buf[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

size_t FormatBounded(char* buf, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = FormatBounded(buf, size, format, args);
  va_end(args);
  return n;
}

namespace {
std::mutex g_reportedMutex;
// Kept to the end of the process: worker threads may still log while
// static objects are destroyed.
std::set<std::string, std::less<>>& Reported() {
  static auto* reported = new std::set<std::string, std::less<>>;
  return *reported;
}
}  // namespace

bool FirstReport(std::string_view key) {
  std::lock_guard<std::mutex> lock(g_reportedMutex);
  return Reported().emplace(key).second;
}

void ForgetReports() {
  std::lock_guard<std::mutex> lock(g_reportedMutex);
  Reported().clear();
}

void SetLogHandler(LogHandler handler) {
  g_handler.store(handler);
}
LogHandler GetLogHandler() {
  return g_handler.load();
}

#define KAZ_LOG_FUNCTION(name, level)  \
  void name(const char* format, ...) { \
    va_list args;                      \
    va_start(args, format);            \
    Dispatch(level, format, args);     \
    va_end(args);                      \
  }

KAZ_LOG_FUNCTION(LogMessage, LogLevel_Message)
KAZ_LOG_FUNCTION(LogWarning, LogLevel_Warning)
KAZ_LOG_FUNCTION(LogError, LogLevel_Error)
KAZ_LOG_FUNCTION(LogDetail, LogLevel_Detail)
