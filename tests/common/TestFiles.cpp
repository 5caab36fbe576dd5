// TestFiles.cpp - temporary directories and package mounts for tests.
#include "common/TestFiles.h"

#include "tier0/FileSystem.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kaztest {

TempDir::TempDir(std::string_view tag) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) std::abort();
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TempDir::Write(std::string_view relative, std::string_view contents) const {
  std::filesystem::path full = m_path / relative;
  WriteFile(full, contents);
  return full;
}

std::string TempDir::Read(std::string_view relative) const {
  return ReadFile(m_path / relative);
}

void SaveByRename(const std::filesystem::path& path, std::string_view contents) {
  std::filesystem::path copy = path;
  copy += ".saving";
  WriteFile(copy, contents);
  std::filesystem::rename(copy, path);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::filesystem::path& path, std::string_view contents) {
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary).write(contents.data(), std::streamsize(contents.size()));
}

void MountPackages(std::initializer_list<std::string> folders, const char* argv0) {
  if (!FileSystem::IsInitialized()) FileSystem::Init(argv0);
  for (const std::string& p : FileSystem::GetSearchPaths()) FileSystem::RemoveFromSearchPath(p);
  for (const std::string& folder : folders) {
    std::string full = folder.starts_with('/') ? folder : SourceDir() + "/" + folder;
    FileSystem::AddToSearchPath(full.c_str(), true);
  }
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof(buffer), pipe)) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string TestDataDir() {
  return KAZ_TEST_DATA_DIR;
}
std::string SourceDir() {
  return KAZ_SOURCE_DIR;
}
std::string BasePackageDir() {
  return KAZ_BIN_DIR "/base";
}

}  // namespace kaztest
