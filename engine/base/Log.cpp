// Log.cpp - formatting front end of the log; see Log.h.
#include "base/Log.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace {
std::atomic<LogHandler> g_handler{nullptr};

void Dispatch(LogLevel level, const char* format, va_list args) {
  LogHandler handler = g_handler.load();
  if (!handler) return;
  char buf[kFormatBufferSize];
  FormatBounded(buf, sizeof(buf), format, args);
  handler(buf, level);
}
}  // namespace

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
