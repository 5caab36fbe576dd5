// Mods.h - mod definitions and packages.
//
// A package is a directory under the base directory, a ".pak" archive of the
// same name, or both. A mod is a named selection of packages plus the script
// application class, described by a "*.mod" text file of key=value lines in
// the base directory's "mods" folder. Reads the definition files with plain
// C I/O and lists the folder with std::filesystem; adds packages through
// FileSystem; reports through the log. Names with path parts are refused:
// configuration stays under "config/" and only folders below the base
// directory are mounted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One mod definition file.
struct ModInfo {
  std::string definitionFile;         // native path of the ".mod" file
  std::string name;                   // "ModName", lower case
  std::string fullName;               // "ModFullName"
  std::string author;                 // "ModAuthor"
  std::string webSite;                // "ModWebSite"
  std::string logo;                   // "ModLogo"
  uint32_t version = 0;               // "ModVersion": major bits 16-23, minor 8-15, patch 0-7
  std::vector<std::string> packages;  // "ModPackages", in search order
  std::string className;              // "ClassName": the script application class

  static uint32_t MakeVersion(uint32_t major, uint32_t minor, uint32_t patch) {
    return ((major & 0xFF) << 16) | ((minor & 0xFF) << 8) | (patch & 0xFF);
  }
  uint32_t Major() const { return (version >> 16) & 0xFF; }
  uint32_t Minor() const { return (version >> 8) & 0xFF; }
  uint32_t Patch() const { return version & 0xFF; }
};

// The keys of a definition file, each with the field it fills: the reader
// and the generated reference both go by this table.
enum class ModKeyKind { Name, Text, Version, Packages };
struct ModKeyInfo {
  const char* key;
  ModKeyKind kind;
  std::string ModInfo::*field;  // for Text keys; null otherwise
  const char* meaning;
  const char* example;
};
std::span<const ModKeyInfo> GetModKeys();

// The mod records in the order they were loaded; names are unique without
// regard to case.
class ModList {
 public:
  // Longest definition line kept; the rest of a longer line is dropped.
  static constexpr size_t kMaxLineLength = 2047;

  // Replaces the list with every "*.mod" file (any letter case) in
  // baseDir + "mods/", loaded in byte order of the file names.
  void Enumerate(const std::string& baseDir);
  // Appends the definition in that file; false when it cannot be read, has
  // no name or its name is already taken. An unknown key is reported with
  // its line and ignored.
  bool LoadDefinition(const std::string& nativePath);
  void Clear() { m_mods.clear(); }

  // Index of the mod with that name (any case), or -1.
  int Find(const std::string& name) const;
  size_t Size() const { return m_mods.size(); }
  const ModInfo& operator[](size_t i) const { return m_mods[i]; }
  const ModInfo& At(size_t i) const { return m_mods.at(i); }

  // baseDir + "config/" + name + ".cfg": executed at start-up, written at shutdown.
  static std::string ConfigFilePath(const std::string& baseDir, const ModInfo& mod);

  // A relative path that stays below the base directory: not empty, not
  // absolute, no ".." part.
  static bool IsPackageName(const std::string& name);

  // Adds baseDir + name and baseDir + name + ".pak" to the search path so that
  // the directory is searched before the archive, at the end (append) or the
  // front. True when at least one of the two was added; a name that is not a
  // package name is refused with a warning.
  static bool AddPackage(const std::string& baseDir, const std::string& name, bool append);

 private:
  static void ApplyKey(ModInfo& mod, const ModKeyInfo& info, const std::string& value);

  std::vector<ModInfo> m_mods;
};
