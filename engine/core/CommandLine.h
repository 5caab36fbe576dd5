// CommandLine.h - the engine's command line: option name -> value.
//
// An argument that starts with '-' and is longer than one character starts an
// option; following arguments are appended to its value, separated by single
// blanks. Arguments before the first option are ignored. An option given twice
// keeps its first value. Names are compared without regard to case.
// Builds on base/StringUtil.h (names compare without regard to case).
#pragma once

#include "base/StringUtil.h"

#include <map>
#include <string>
#include <vector>

class CommandLine {
 public:
  // Parses argv[first..argc-1]; the engine passes first = 1 to skip the program path.
  void Parse(int argc, const char* const* argv, int first = 1);
  void Clear() {
    m_options.clear();
    m_stray.clear();
  }

  bool Has(const std::string& name) const { return m_options.count(name) != 0; }
  // The arguments before the first option, which are ignored.
  const std::vector<std::string>& StrayWords() const { return m_stray; }
  // The value of an option, or null when it was not given.
  const std::string* Find(const std::string& name) const;
  const std::map<std::string, std::string, NoCaseLess>& Options() const { return m_options; }

 private:
  std::map<std::string, std::string, NoCaseLess> m_options;
  std::vector<std::string> m_stray;
};
