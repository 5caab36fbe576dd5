// ConfigFile.h - console scripts, the configuration file and command-line variables.
//
// A console script is a text file of console lines (LF or CRLF endings); the
// configuration file is a script the engine writes itself: a comment line,
// then "Name value" for every variable without NoSave, in listing order.
// Saving goes through a temporary beside the file and a rename, so an interrupted or failed
// save leaves the previous file intact.
//
// Depends on CommandProcessor.h, CVarRegistry.h, base/Log.h.
#pragma once

#include "console/CVarRegistry.h"

#include <functional>
#include <string>

class CommandProcessor;

// Longest script line accepted; longer lines are skipped with a warning
// rather than run in pieces.
constexpr size_t kMaxScriptLine = 65536;

// Echoes and runs every non-comment line of the file at path (an
// operating-system path) through processor.Execute(line, false), ignoring
// the results. False, after an error line, when the file cannot be opened;
// nothing is changed then.
bool ExecuteScript(CommandProcessor& processor, const std::string& path);

// The text SaveConfiguration writes.
std::string FormatConfiguration(const CVarRegistry& cvars);

// The temporary file a save of path writes before renaming it over path.
std::string ConfigTempPath(const std::string& path);

// Writes the configuration file, creating its directory when missing. On any
// failure the file at path keeps its previous contents and false is returned.
bool SaveConfiguration(const std::string& path,
                       const CVarRegistry& cvars = CVarRegistry::Instance());

// For every registered variable whose name lookup() answers (the command
// line's options, names in any letter case), sets the variable from that text.
// Read-only variables are set too: the command line is not the console.
void ApplyCommandLineVariables(
    const std::function<const std::string*(const std::string& name)>& lookup,
    CVarRegistry& cvars = CVarRegistry::Instance());
