// TestFiles.h - temporary directories and the package mounts tests read from.
//
// TempDir makes a fresh directory under the system's temporary folder and
// removes it with everything inside when it goes; ReadFile and WriteFile
// move whole files; RunCommand runs a shell command line and keeps what it
// printed. MountPackages empties the
// file system's search path and mounts the given folders (test data first),
// initialising the file system on first use.
//
// Builds on tier0/FileSystem.h.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kaztest {

class TempDir {
 public:
  explicit TempDir(std::string_view tag = "kaz");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string Str() const { return m_path.string(); }
  // Writes `contents` to the relative path, making its folders; returns the full path.
  std::filesystem::path Write(std::string_view relative, std::string_view contents) const;
  std::string Read(std::string_view relative) const;

 private:
  std::filesystem::path m_path;
};

// Mounts folders (absolute, or relative to the repository's source root) in order.
void MountPackages(std::initializer_list<std::string> folders, const char* argv0 = "kaz_test");

// A whole file's bytes ("" when it cannot be read).
std::string ReadFile(const std::filesystem::path& path);
// Writes the bytes, making the file's folders first.
void WriteFile(const std::filesystem::path& path, std::string_view contents);
// Saves as editors do: writes a copy beside the file and renames it over the file.
void SaveByRename(const std::filesystem::path& path, std::string_view contents);

// Runs a shell command line with its error output joined to its output.
struct CommandResult {
  int exitCode = -1;  // -1 when it did not exit by itself
  std::string output;
  bool Has(std::string_view text) const { return output.find(text) != std::string::npos; }
};
CommandResult RunCommand(const std::string& command);

// Whether this build runs under AddressSanitizer: whole-game runs take minutes there.
#ifdef KAZ_ASAN
inline constexpr bool kUnderSanitizers = true;
#else
inline constexpr bool kUnderSanitizers = false;
#endif

// The repository's test data folder (tests/data) and source root.
std::string TestDataDir();
std::string SourceDir();
// The base package as the engine sees it: the build's copy in the base
// directory, with the fonts and Engine.py the build makes for it.
std::string BasePackageDir();

}  // namespace kaztest
