// BuiltinCommands.cpp - the built-in console commands; see BuiltinCommands.h.
#include "core/BuiltinCommands.h"

#include "base/KazEngine.h"
#include "base/Log.h"
#include "base/StringUtil.h"
#include "console/CVarRegistry.h"
#include "core/ProfileCommand.h"
#include "tier0/ResourceManager.h"

namespace {

BuiltinCommandHooks* g_hooks = nullptr;

IKazEngine* EngineOf(void* userData) {
  return userData ? static_cast<IKazEngine*>(userData) : kazGetInterface();
}

int CmdQuit(int, const char* const*, void* userData) {
  IKazEngine* engine = EngineOf(userData);
  if (!engine) {
    LogError("quit: no engine is running.");
    return -1;
  }
  engine->Quit(false);
  return 0;
}

int CmdHelp(int argc, const char* const* argv, void*) {
  std::string doc;
  if (argc == 1) {
    const CVar* cvar = CVarRegistry::Instance().Find(argv[0]);
    if (CommandRegistry::Instance().GetDoc(argv[0], doc)) {
      LogMessage("[green]%s", argv[0]);
      LogMessage("%s", doc.c_str());
    } else if (cvar) {
      // A variable's help is as near as a command's.
      LogMessage("[green]%s[white] = [cyan]%s", cvar->GetName().c_str(), cvar->ToString().c_str());
      LogMessage("%s", *cvar->GetHelp() ? cvar->GetHelp() : "A variable made by the scripts.");
    } else {
      LogMessage("[red]Error: [grey]%s [white]is not a valid command name.", argv[0]);
    }
    return 0;
  }
  LogMessage("[cyan]Usage: [white]help [cmd name]");
  LogMessage("type 'listcmds' for a list for available commands.");
  LogMessage("type 'listvars' to list all console variables.");
  return 0;
}

int CmdListVars(int, const char* const*, void*) {
  std::vector<CVar*> cvars;
  CVarRegistry::Instance().ListAll(cvars);
  for (const CVar* cvar : cvars)
    LogMessage("[grey]%s[white] = [cyan]%s", cvar->GetName().c_str(), cvar->ToString().c_str());
  return 0;
}

int CmdListCmds(int, const char* const*, void*) {
  std::vector<std::string> names;
  CommandRegistry::Instance().ListNames(names);
  for (const std::string& name : names) LogMessage("%s", name.c_str());
  return 0;
}

int CmdRestartVideo(int, const char* const*, void* userData) {
  IKazEngine* engine = EngineOf(userData);
  if (!engine || !engine->GetVideoManager()) {
    LogWarning("restartvideo: no video manager is running.");
    return -1;
  }
  if (!g_hooks) {
    LogWarning("restartvideo: the video manager cannot be restarted in this build.");
    return -1;
  }
  switch (g_hooks->RestartVideo()) {
    case 0:
      return 0;
    case 1:
      return -1;
    default:
      return -2;
  }
}

int CmdRestartSound(int, const char* const*, void* userData) {
  IKazEngine* engine = EngineOf(userData);
  if (!engine || !engine->GetSoundManager()) {
    LogWarning("restartsound: no sound manager is running.");
    return -1;
  }
  if (!g_hooks) {
    LogWarning("restartsound: the sound manager cannot be restarted in this build.");
    return -1;
  }
  return g_hooks->RestartSound() ? 0 : -1;
}

// Alone: ReloadAll, which prints "[orange]Reloaded all resources." when it is
// done. "watch" and "unwatch" start and stop reloading files as they are saved.
int CmdReloadResources(int argc, const char* const* argv, void*) {
  if (argc == 0) {
    ResourceManager::ReloadAll();
    return 0;
  }
  const bool watch = EqualsNoCase(argv[0], "watch");
  if (argc > 1 || (!watch && !EqualsNoCase(argv[0], "unwatch"))) {
    LogWarning("reloadresources: expected nothing, 'watch' or 'unwatch', not '%s'.",
               argv[argc > 1 ? 1 : 0]);
    return -1;
  }
  if (!g_hooks) {
    LogWarning("reloadresources: saved files cannot be watched in this build.");
    return -1;
  }
  return g_hooks->WatchPackages(watch) ? 0 : -1;
}

struct BuiltinCommand {
  const char* name;
  CommandHandler handler;
  const char* doc;
};

const BuiltinCommand kBuiltinCommands[] = {
    {"quit", CmdQuit, "takes no arguments\n\nQuits the game."},
    {"help", CmdHelp,
     "help [cmd name]\n\nDisplays the docstring associated with the given command name."},
    {"listvars", CmdListVars,
     "takes no arguments\n\nPrints out a list of valid console variables and their values to the "
     "console."},
    {"listcmds", CmdListCmds,
     "takes no arguments\n\nPrints out a list of valid console commands to the console."},
    {"restartvideo", CmdRestartVideo,
     "takes no arguments\n\nRestarts the video system using the cvars ResX, ResY, Bpp, and "
     "Fullscreen.\nIf there is a problem with these settings that causes the restart to "
     "fail,\nthen "
     "the cvars and the video mode will be set back to the mode as it was\nBEFORE RestartVideo was "
     "invoked."},
    {"restartsound", CmdRestartSound,
     "takes no arguments\n\nRestarts the sound system using the relevant cvars."},
    {"reloadresources", CmdReloadResources,
     "reloadresources [watch|unwatch]\n\nReloads all currently loaded textures, fonts, and "
     "sounds.\nwatch: from now on, reload each file of a package folder when it is saved.\n"
     "unwatch: stop watching the package folders."},
};

}  // namespace

void SetBuiltinCommandHooks(BuiltinCommandHooks* hooks) {
  g_hooks = hooks;
}

bool RegisterBuiltinCommands(IKazEngine* engine, CommandRegistry& registry) {
  bool all = true;
  for (const BuiltinCommand& command : kBuiltinCommands) {
    if (!registry.RegisterCommand(command.name, command.handler, command.doc, engine)) {
      LogWarning("Console command '%s' is already registered.", command.name);
      all = false;
    }
  }
  // The frame profiler's command comes after the seven, which keep their order.
  return RegisterProfileCommand(engine, registry) && all;
}
