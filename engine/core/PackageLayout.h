// PackageLayout.h - the files and folders the engine itself looks for: in the
// base directory, and by name in the packages of the search path.
//
// Each entry is the constant the reading code uses, so the generated
// reference (docs/reference.md) lists what the engine really opens. Content
// a game names itself (meshes, textures, sounds) can live anywhere in its
// packages. Part of the top floor: it gathers names from every area.
#pragma once

#include <string>
#include <vector>

struct LayoutEntry {
  std::string path;
  std::string what;
};

// Below the base directory (the folder of the launcher and the engine library).
std::vector<LayoutEntry> BaseDirectoryLayout();
// Virtual paths, found in the first package of the search path that has them.
std::vector<LayoutEntry> PackageLayout();
