// LaunchOptions.cpp - the option table; see LaunchOptions.h.
#include "base/LaunchOptions.h"

#include "base/StringUtil.h"

namespace {

const LaunchOptionInfo kOptions[] = {
    {LaunchOption::Help, "", "Prints this help and exits (also -h and --help).", true},
    {LaunchOption::Frames, "N", "Ends the run after N frames (0: no bound).", true},
    {LaunchOption::Seconds, "S", "Ends the run after S seconds (0: no bound).", true},
    {LaunchOption::Replay, "FILE",
     "Feeds the input of a replay file (one event a line: frame, key/char/mouse) before the "
     "frames it names.",
     true},
    {LaunchOption::Mod, "NAME", "Runs the mod NAME (mods/NAME.mod) instead of the main game.",
     false},
    {LaunchOption::Pkg, "A;B", "Mounts these packages ahead of the mod's own.", false},
    {LaunchOption::Log, "", "Writes the log file as well as the console.", false},
    {LaunchOption::LogFileSystem, "", "Logs every file the engine opens.", false},
    {LaunchOption::NoSound, "", "Starts without sound.", false},
    {LaunchOption::FixedFrame, "S",
     "Advances the clock by exactly S seconds a frame (above 0, at most 1), so a replayed run "
     "repeats.",
     false},
    {LaunchOption::ParticleSeed, "N", "Starts the particles' random sequence from N.", false},
};

}  // namespace

std::span<const LaunchOptionInfo> GetLaunchOptions() {
  return kOptions;
}

const LaunchOptionInfo* FindLaunchOption(std::string_view name) {
  if (EqualsNoCase(name, "h") || EqualsNoCase(name, "-help")) name = LaunchOption::Help;
  for (const LaunchOptionInfo& option : kOptions)
    if (EqualsNoCase(name, option.name)) return &option;
  return nullptr;
}

bool IsHelpArgument(std::string_view argument) {
  return EqualsNoCase(argument, "-help") || EqualsNoCase(argument, "-h") ||
         EqualsNoCase(argument, "--help");
}
