// BuiltinCommands.h - the engine's seven built-in console commands.
//
// quit, help, listvars, listcmds, restartvideo, restartsound and
// reloadresources. The engine passes itself as user data; with null user
// data the commands use kazGetInterface(). help, listcmds and listvars read
// the process-wide registries, whatever registry they were added to. The
// restart commands and "reloadresources watch|unwatch" reach the video and
// sound layers and the file watching through the hooks the engine installs;
// without them they say so and fail.
//
// Part of the top floor (it calls the engine object); depends on
// console/CommandRegistry.h, console/CVarRegistry.h, base/KazEngine.h, base/Log.h.
#pragma once

#include "console/CommandRegistry.h"

class IKazEngine;

// What restartvideo and restartsound ask of the engine.
class BuiltinCommandHooks {
 public:
  // Applies the display variables (VideoManager::SetDisplayMode) and, when
  // that succeeds, redoes the video-dependent start-up step. Returns the
  // SetDisplayMode code: 0 success, 1 failed and restored, other: failed.
  virtual int RestartVideo() = 0;
  // Restarts the sound manager; false on failure.
  virtual bool RestartSound() = 0;
  // Starts (again) or stops reloading the files of the package folders as
  // they are saved; false when watching cannot start.
  virtual bool WatchPackages(bool watch) = 0;

 protected:
  ~BuiltinCommandHooks() = default;
};

// Replaces the hooks (process-wide; not owned, null removes them).
void SetBuiltinCommandHooks(BuiltinCommandHooks* hooks);

// Registers the commands in their fixed order, then "profile"
// (core/ProfileCommand.h); false when any name was taken.
bool RegisterBuiltinCommands(IKazEngine* engine,
                             CommandRegistry& registry = CommandRegistry::Instance());
