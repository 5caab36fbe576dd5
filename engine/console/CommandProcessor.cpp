// CommandProcessor.cpp - the engine's command processor; see CommandProcessor.h.
#include "console/CommandProcessor.h"

#include "base/Log.h"
#include "console/ConfigFile.h"

EngineCommandProcessor::EngineCommandProcessor(CommandRegistry& commands, CVarRegistry& cvars)
    : m_commands(commands), m_cvars(cvars) {}

int EngineCommandProcessor::Execute(std::string_view line, bool verbose) {
  // A line from a CR LF text keeps its CR after the cut at LF.
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  if (line.empty()) return kCommandFailed;

  int result = 0;
  if (m_commands.Execute(line, result)) return result;

  std::string_view name, rest;
  SplitCommandLine(line, name, rest);
  CVar* cvar = m_cvars.Find(name);
  if (!cvar) {
    if (verbose) LogError("Invalid command or variable name.");
    // A script's saved setting: its variable is made after the configuration ran.
    if (!rest.empty()) m_cvars.KeepValue(name, rest);
    return kCommandFailed;
  }
  const char* registered = cvar->GetName().c_str();
  if (cvar->HasFlag(CVarFlag_ReadOnly)) {
    LogError("var [grey]%s[grey] is read-only", registered);
    return kCommandFailed;
  }
  if (rest.empty()) {
    if (verbose) LogMessage("[grey]%s[white] = [cyan]%s", registered, cvar->ToString().c_str());
    return kCommandOk;
  }
  cvar->SetFromString(rest);
  if (verbose)
    LogMessage("variable set. ([grey]%s[white] = [cyan]%s[white])", registered,
               cvar->ToString().c_str());
  return kCommandOk;
}

int EngineCommandProcessor::Complete(std::string_view prefix, std::vector<std::string>& names) {
  return m_cvars.Complete(prefix, false, names);
}

bool EngineCommandProcessor::ExecuteScript(const std::string& path) {
  return ::ExecuteScript(*this, path);
}

bool EngineCommandProcessor::SaveConfiguration(const std::string& path) {
  return ::SaveConfiguration(path, m_cvars);
}
