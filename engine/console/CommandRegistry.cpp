// CommandRegistry.cpp - console commands and line tokenizing; see CommandRegistry.h.
#include "console/CommandRegistry.h"

namespace {
bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
}  // namespace

CommandRegistry& CommandRegistry::Instance() {
  static CommandRegistry registry;
  return registry;
}

bool CommandRegistry::RegisterCommand(std::string_view name, CommandHandler handler,
                                      std::string_view doc, void* userData) {
  if (!handler || name.empty() || m_commands.find(name) != m_commands.end()) return false;
  m_commands.emplace(std::string(name), ConsoleCommand{handler, userData, std::string(doc)});
  return true;
}

size_t CommandRegistry::UnregisterCommands(const void* userData) {
  if (!userData) return 0;
  return std::erase_if(m_commands,
                       [userData](const auto& entry) { return entry.second.userData == userData; });
}

bool CommandRegistry::UnregisterCommand(std::string_view name) {
  auto it = m_commands.find(name);
  if (it == m_commands.end()) return false;
  m_commands.erase(it);
  return true;
}

const ConsoleCommand* CommandRegistry::Find(std::string_view name) const {
  auto it = m_commands.find(name);
  return it == m_commands.end() ? nullptr : &it->second;
}

bool CommandRegistry::GetDoc(std::string_view name, std::string& doc) const {
  const ConsoleCommand* command = Find(name);
  if (!command) return false;
  doc = command->doc;
  return true;
}

void CommandRegistry::ListNames(std::vector<std::string>& names) const {
  for (const auto& [name, command] : m_commands) names.push_back(name);
}

bool CommandRegistry::Execute(std::string_view line, int& result) const {
  std::string_view name, rest;
  SplitCommandLine(line, name, rest);
  const ConsoleCommand* command = Find(name);
  if (!command) return false;
  // The handler may register further commands; keep our own copies.
  CommandHandler handler = command->handler;
  void* userData = command->userData;
  std::vector<std::string> tokens = TokenizeArguments(rest);
  std::vector<const char*> argv;
  argv.reserve(tokens.size() + 1);
  for (const std::string& token : tokens) argv.push_back(token.c_str());
  argv.push_back(nullptr);
  result = handler(static_cast<int>(tokens.size()), argv.data(), userData);
  return true;
}

void SplitCommandLine(std::string_view line, std::string_view& name, std::string_view& rest) {
  // Blanks in front of the name are not its end ("  resx 800" sets ResX).
  line = CVarText::TrimSpaces(line);
  size_t blank = line.find(' ');
  if (blank == std::string_view::npos) {
    name = CVarText::TrimSpaces(line);
    rest = {};
    return;
  }
  name = CVarText::TrimSpaces(line.substr(0, blank));
  rest = CVarText::TrimSpaces(line.substr(blank + 1));
}

std::vector<std::string> TokenizeArguments(std::string_view text) {
  std::vector<std::string> tokens;
  size_t i = 0;
  const size_t n = text.size();
  for (;;) {
    while (i < n && IsSpace(text[i])) ++i;
    if (i >= n) break;
    if (text[i] == '"') {
      size_t start = i + 1;
      size_t close = text.find('"', start);
      if (close != std::string_view::npos) {
        tokens.emplace_back(text.substr(start, close - start));
        i = close + 1;
        continue;
      }
      i = start;
    }
    size_t start = i;
    while (i < n && !IsSpace(text[i])) ++i;
    tokens.emplace_back(text.substr(start, i - start));
  }
  return tokens;
}
