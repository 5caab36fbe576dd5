// FigureFuzz.h - what the character fuzzers share: a figure generated into a
// temporary folder, that folder served as a package, and the fake graphics device.
// Builds on tools/make-character.py (KAZ_CHARACTER_TOOL) and render/fake.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/Log.h"
#include "render/DeviceVideoManager.h"
#include "render/fake/FakeDevice.h"
#include "render/gpu/VideoManager.h"
#include "tier0/FileSystem.h"

namespace figurefuzz {

inline GSystem* MakeFake(void*, std::string*) {
  return CreateFakeSystem(FakeScript());
}

inline void Quiet(const char*, LogLevel) {}

// The figure "fig" made with the tool's `arguments` in `folder`, then the
// file system (named `program`) over that folder and a display mode on the
// fake device; false when any of it fails.
inline bool Start(const std::filesystem::path& folder, const std::string& arguments,
                  const char* program) {
  SetLogHandler(Quiet);
  const std::string command = std::string("python3 '") + KAZ_CHARACTER_TOOL + "' " + arguments +
                              " '" + folder.string() + "' fig";
  if (std::system(command.c_str()) != 0) return false;
  FileSystem::Init(program);
  FileSystem::AddToSearchPath(folder.string(), true);
  static int window = 0;
  VideoManager* video = CreateVideoManager(&window, MakeFake);
  return video && video->SetDisplayMode() == 0;
}

}  // namespace figurefuzz
