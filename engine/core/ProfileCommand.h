// ProfileCommand.h - the frame profiler at the console: the "profile"
// command, its overlay and its report.
//
// "profile" shows or hides an overlay of the last frame's parts, queued as
// console notices like the statistics blocks; "profile N" prints each part's
// minimum, mean and maximum over the next N frames, with the draw calls,
// passes and triangles. The command is registered after the built-in ones,
// with the engine as its user data, and goes with them at shutdown.
// Part of the top floor; builds on base/FrameProfiler.h, console/Console.h
// and console/CommandRegistry.h.
#pragma once

#include "console/CommandRegistry.h"

class Console;
class IKazEngine;

// False (after a warning) when the name is taken.
bool RegisterProfileCommand(IKazEngine* engine,
                            CommandRegistry& registry = CommandRegistry::Instance());
// The overlay block for this frame, when it is on.
void QueueProfileOverlay(Console& console);
// Prints the report that has just been completed, if any.
void PrintFinishedProfile();
