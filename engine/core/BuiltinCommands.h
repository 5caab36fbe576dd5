// BuiltinCommands.h - the engine's seven built-in console commands.
//
// quit, help, listvars, listcmds, restartvideo, restartsound and
// reloadresources. The engine passes itself as user data; with null user
// data the commands use kazGetInterface(). help, listcmds and listvars read
// the process-wide registries, whatever registry they were added to. The
// commands that act on the video, sound and resource layers reach them
// through hooks the engine installs once those layers exist; until then they
// say so and fail.
//
// Part of the top floor (it calls the engine object); depends on
// console/CommandRegistry.h, console/CVarRegistry.h, base/KazEngine.h, base/Log.h.
#pragma once

#include "console/CommandRegistry.h"

#include <functional>

class IKazEngine;

struct BuiltinCommandHooks {
  // Applies the display variables (VideoManager::SetDisplayMode) and, when
  // that succeeds, redoes the video-dependent start-up step. Returns the
  // SetDisplayMode code: 0 success, 1 failed and restored, other: failed.
  std::function<int()> restartVideo;
  // Restarts the sound manager; false on failure.
  std::function<bool()> restartSound;
};

// Replaces the hooks (process-wide).
void SetBuiltinCommandHooks(BuiltinCommandHooks hooks);

// Registers the commands in their fixed order; false when any name was taken.
bool RegisterBuiltinCommands(IKazEngine* engine,
                             CommandRegistry& registry = CommandRegistry::Instance());
