// LaunchOptions.h - the command-line options of the launcher and the engine,
// and the files a run writes under the base directory.
//
// One table serves the launcher's help text, the engine's check of the
// command line (a word that is neither an option nor a console variable is
// reported) and the generated reference. Option names are matched without
// regard to letter case and written here without their leading '-'.
// Part of the ground floor, so that the launcher and the engine share it;
// builds on the standard library only.
#pragma once

#include <span>
#include <string_view>

namespace LaunchOption {
// The launcher's.
constexpr const char* Help = "help";
constexpr const char* Frames = "frames";
constexpr const char* Seconds = "seconds";
constexpr const char* Replay = "replay";
// The engine's.
constexpr const char* Log = "log";
constexpr const char* LogFileSystem = "logfilesystem";
constexpr const char* Pkg = "pkg";
constexpr const char* Mod = "mod";
constexpr const char* NoSound = "nosound";
constexpr const char* FixedFrame = "fixedframe";
constexpr const char* ParticleSeed = "particleseed";
}  // namespace LaunchOption

struct LaunchOptionInfo {
  const char* name;      // without the '-'
  const char* argument;  // what follows it ("" for a switch)
  const char* help;      // one sentence
  bool launcher;         // read by the launcher (else by the engine)
};

// Every option, launcher's first, in the order the help lists them.
std::span<const LaunchOptionInfo> GetLaunchOptions();
// The option of that name (any letter case; "h" and "-help" are help too), or null.
const LaunchOptionInfo* FindLaunchOption(std::string_view name);
// True for the words that ask for the help text: "-help", "-h", "--help" (any case).
bool IsHelpArgument(std::string_view argument);

// What a run writes below the base directory.
namespace RunFiles {
constexpr const char* LogFile = "kaz.log";      // with -log
constexpr const char* ConfigFolder = "config";  // <mod>.cfg: the saved settings
constexpr const char* ConfigExtension = ".cfg";
constexpr const char* ScreenshotFolder = "screenshots";  // F9
constexpr const char* ModFolder = "mods";                // <name>.mod: the mod definitions
}  // namespace RunFiles
