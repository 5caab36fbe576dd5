// CommandProcessor.h - what the console executes and completes with.
//
// CommandProcessor is the console's window on the commands and variables: it
// runs a line (a command from CommandRegistry, or a console variable
// assignment or query) and completes variable names. EngineCommandProcessor
// is the engine's implementation; it also runs console scripts and writes the
// configuration file. (The console draws itself through a ConsoleDrawing.)
//
// Depends on CommandRegistry.h, CVarRegistry.h, base/Log.h.
#pragma once

#include "console/CommandRegistry.h"
#include "console/CVarRegistry.h"

#include <string>
#include <string_view>
#include <vector>

// Result codes of Execute (a command's own result otherwise).
constexpr int kCommandOk = 0;
constexpr int kCommandFailed = -1;

class CommandProcessor {
 public:
  virtual ~CommandProcessor() = default;

  // Runs one line. verbose is true only for lines typed into the console and
  // confirmed with Enter; it enables the confirmation and unknown-name lines.
  virtual int Execute(std::string_view line, bool verbose) = 0;
  // Console variable names beginning with prefix (any letter case), in
  // listing order, appended to names; returns their number.
  virtual int Complete(std::string_view prefix, std::vector<std::string>& names) = 0;
};

class EngineCommandProcessor final : public CommandProcessor {
 public:
  explicit EngineCommandProcessor(CommandRegistry& commands = CommandRegistry::Instance(),
                                  CVarRegistry& cvars = CVarRegistry::Instance());

  int Execute(std::string_view line, bool verbose) override;
  int Complete(std::string_view prefix, std::vector<std::string>& names) override;

  // Runs a console script (operating-system path): every line that is not a
  // '#' comment is echoed and executed quietly, whatever its result. False
  // (after an error line) when the file cannot be opened.
  bool ExecuteScript(const std::string& path);
  // Writes every variable without NoSave; see ConfigFile.h.
  bool SaveConfiguration(const std::string& path);

  CommandRegistry& GetCommands() { return m_commands; }
  CVarRegistry& GetCVars() { return m_cvars; }

 private:
  CommandRegistry& m_commands;
  CVarRegistry& m_cvars;
};
