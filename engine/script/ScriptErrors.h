// ScriptErrors.h - what the console says when scripts fail: which module did
// not import and from which file, and a callback's exception once rather
// than every frame.
//
// Both work on the interpreter's pending exception; include PythonSupport.h
// first. Main thread only.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>

// When the pending exception is a module failing to import (a syntax error,
// an exception raised by a module's own code, or the wanted module not
// found), prints its traceback, logs one error line naming the module and the
// file, clears it and returns true. Any other exception is left pending and
// false returned.
bool ReportImportFailure(const std::string& wantedModule);

// Prints each callback's exception once while it repeats: the same exception
// from the same callback, call after call, is counted instead, and the count
// is logged when the callback stops raising it (or every kSummarySeconds
// while it goes on).
class RepeatedErrorFilter {
 public:
  static constexpr double kSummarySeconds = 5.0;

  // Prints or counts the pending exception of the callback, and clears it.
  void Failed(const char* callback);
  // The callback returned normally: a repeat that was being counted ends.
  void Succeeded(const char* callback);
  // Logs every count still open (the interpreter is going).
  void Flush();

 private:
  struct Repeat {
    std::string signature;
    int count = 0;  // repeats not yet logged
    std::chrono::steady_clock::time_point since;
  };
  static void LogCount(const std::string& callback, const Repeat& repeat, bool ended);
  std::map<std::string, Repeat, std::less<>> m_repeats;
};
