// CommandRegistry.h - named console commands and the command-line tokenizer.
//
// A console command is a plain function with user data and a help text. The
// registry maps names (without regard to ASCII letter case, listed in
// case-insensitive alphabetical order) to commands. Whoever registers commands
// with its own user data takes them out again with UnregisterCommands when it
// goes (the engine at shutdown), so no command outlives the object it calls
// into. Execute() runs a line if its first word names a command.
//
// Depends on CVar.h (name comparison). Main thread only.
#pragma once

#include "console/CVar.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// argv holds argc zero-terminated tokens (the command name is not among
// them); they belong to the caller and live only for the call. 0 is success,
// a negative result a failure.
using CommandHandler = int (*)(int argc, const char* const* argv, void* userData);

struct ConsoleCommand {
  CommandHandler handler = nullptr;
  void* userData = nullptr;
  std::string doc;
};

class CommandRegistry {
 public:
  // The process-wide registry, created on first use.
  static CommandRegistry& Instance();

  CommandRegistry() = default;
  CommandRegistry(const CommandRegistry&) = delete;
  CommandRegistry& operator=(const CommandRegistry&) = delete;

  // False for a null handler, an empty name or a name already registered.
  bool RegisterCommand(std::string_view name, CommandHandler handler, std::string_view doc,
                       void* userData);
  // Removes every command registered with this (non-null) user data and
  // returns how many went.
  size_t UnregisterCommands(const void* userData);
  // Takes a command out again (its owner's callable is going away); false
  // when no command has that name.
  bool UnregisterCommand(std::string_view name);
  const ConsoleCommand* Find(std::string_view name) const;
  bool GetDoc(std::string_view name, std::string& doc) const;
  // Appends every command name in listing order.
  void ListNames(std::vector<std::string>& names) const;
  // True when the line's first word names a command; the handler's result
  // goes to result. False (result untouched) otherwise.
  bool Execute(std::string_view line, int& result) const;

 private:
  std::map<std::string, ConsoleCommand, NoCaseLess> m_commands;
};

// Splits a line, stripped of leading and trailing blanks, at its first blank
// (' ' only) into a name and the rest, both stripped of blanks again.
void SplitCommandLine(std::string_view line, std::string_view& name, std::string_view& rest);

// Tokens of a command's argument text: white-space separated; a token that
// opens with '"' runs to the next '"' (which is dropped) or, with no closing
// quote, to the next white space. No escapes. "" gives an empty token.
std::vector<std::string> TokenizeArguments(std::string_view text);
