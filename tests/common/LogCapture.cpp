// LogCapture.cpp - the log handler behind kaztest::LogCapture.
#include "common/LogCapture.h"

#include <atomic>

namespace kaztest {
namespace {
std::atomic<LogCapture*> g_active{nullptr};
}

LogCapture::LogCapture() {
  // Each capture sees mistakes reported afresh, whatever earlier tests reported.
  ForgetReports();
  m_previous = GetLogHandler();
  m_outer = g_active.exchange(this);
  SetLogHandler(&LogCapture::Handle);
}

LogCapture::~LogCapture() {
  g_active.store(m_outer);
  SetLogHandler(m_outer ? &LogCapture::Handle : m_previous);
}

void LogCapture::Handle(const char* text, LogLevel level) {
  LogCapture* self = g_active.load();
  if (!self) return;
  std::lock_guard lock(self->m_mutex);
  self->m_lines.push_back({text ? text : "", level});
}

std::vector<LoggedLine> LogCapture::Lines() const {
  std::lock_guard lock(m_mutex);
  return m_lines;
}

std::vector<std::string> LogCapture::Texts() const {
  std::lock_guard lock(m_mutex);
  std::vector<std::string> texts;
  for (const LoggedLine& line : m_lines) texts.push_back(line.text);
  return texts;
}

int LogCapture::Count(std::string_view text) const {
  std::lock_guard lock(m_mutex);
  int n = 0;
  for (const LoggedLine& line : m_lines) n += line.text.find(text) != std::string::npos;
  return n;
}

int LogCapture::Count(std::string_view text, LogLevel level) const {
  std::lock_guard lock(m_mutex);
  int n = 0;
  for (const LoggedLine& line : m_lines)
    n += line.level == level && line.text.find(text) != std::string::npos;
  return n;
}

int LogCapture::Problems() const {
  std::lock_guard lock(m_mutex);
  int n = 0;
  for (const LoggedLine& line : m_lines)
    n += line.level == LogLevel_Warning || line.level == LogLevel_Error;
  return n;
}

std::string LogCapture::Dump() const {
  std::lock_guard lock(m_mutex);
  std::string all;
  for (const LoggedLine& line : m_lines) all += line.text + "\n";
  return all;
}

void LogCapture::Clear() {
  std::lock_guard lock(m_mutex);
  m_lines.clear();
}

}  // namespace kaztest
