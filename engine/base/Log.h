// Log.h - the four log functions and the process-wide log handler.
//
// The log functions format into a local 2048-byte buffer (at most 2047
// characters survive) and hand the text to one installed handler. They hold no
// lock; serialisation happens in the handler's sink (the console). With no
// handler installed a call does nothing.
// Part of the ground floor (kaz_base) that every layer may use; builds on
// base/Export.h only.
#pragma once

#include "base/Export.h"

#include <cstdarg>
#include <cstddef>
#include <string_view>

enum LogLevel : int {
  LogLevel_Message = 0,
  LogLevel_Warning = 1,
  LogLevel_Error = 2,
  LogLevel_Detail = 3
};

using LogHandler = void (*)(const char* text, LogLevel level);

// Size of every printf-style formatting buffer in the engine.
constexpr size_t kFormatBufferSize = 2048;

void SetLogHandler(LogHandler handler);
LogHandler GetLogHandler();

void LogMessage(const char* format, ...) KAZ_PRINTF(1, 2);
void LogWarning(const char* format, ...) KAZ_PRINTF(1, 2);
void LogError(const char* format, ...) KAZ_PRINTF(1, 2);
void LogDetail(const char* format, ...) KAZ_PRINTF(1, 2);

// True the first time a key is given since the last ForgetReports(): a
// mistake a game makes again and again (the same missing file, the same
// unknown key) is reported once. Safe from any thread.
bool FirstReport(std::string_view key);
// The engine forgets what it reported when it starts again.
void ForgetReports();

// Bounded, always terminated formatting into buf[size]; returns the length written.
size_t FormatBounded(char* buf, size_t size, const char* format, va_list args);
size_t FormatBounded(char* buf, size_t size, const char* format, ...) KAZ_PRINTF(3, 4);
