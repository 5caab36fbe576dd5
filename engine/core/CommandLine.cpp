// CommandLine.cpp - see CommandLine.h.
#include "core/CommandLine.h"

void CommandLine::Parse(int argc, const char* const* argv, int first) {
  if (!argv) return;
  std::string* current = nullptr;  // value of the option being collected; null when ignored
  bool collecting = false;
  for (int i = first; i < argc; ++i) {
    const char* arg = argv[i];
    if (!arg) continue;
    if (arg[0] == '-' && arg[1] != '\0') {
      auto [it, inserted] = m_options.emplace(arg + 1, std::string());
      // A repeated option keeps its first value: collect the repeat into nothing.
      current = inserted ? &it->second : nullptr;
      collecting = true;
      continue;
    }
    if (!collecting) m_stray.emplace_back(arg);
    if (!collecting || !current) continue;
    if (!current->empty()) current->push_back(' ');
    current->append(arg);
  }
}

const std::string* CommandLine::Find(const std::string& name) const {
  auto it = m_options.find(name);
  return it == m_options.end() ? nullptr : &it->second;
}
