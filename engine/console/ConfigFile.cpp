// ConfigFile.cpp - console scripts and the configuration file; see ConfigFile.h.
#include "console/ConfigFile.h"

#include "base/Log.h"
#include "console/CommandProcessor.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kConfigHeader[] = "# Auto generated file. EDIT AT YOUR OWN RISK.\n";

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// A name the loader would split differently, or read as a comment, cannot
// be written as "Name value".
bool IsWritableName(std::string_view name) {
  if (name.empty() || name.front() == '#') return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) <= ' ') return false;
  return true;
}

// A dynamic string that would read back as another type (or lose its outer
// blanks) is written in quotes, which the dynamic parser strips again.
bool NeedsQuotes(const CVar& cvar, const std::string& value) {
  if (cvar.GetType() != CVarType::Dynamic ||
      static_cast<const CVarDynamic&>(cvar).GetValueType() != CVarType::String)
    return false;
  CVarDynamic probe("", 0);
  probe.SetFromString(CVarText::TrimSpaces(value));
  return probe.GetValueType() != CVarType::String || probe.ToString() != value;
}

}  // namespace

bool ExecuteScript(CommandProcessor& processor, const std::string& path) {
  LogMessage("Executing console script [grey]%s[white]...", path.c_str());
  FilePtr file(fopen(path.c_str(), "r"));
  struct stat st;
  if (file && (fstat(fileno(file.get()), &st) != 0 || S_ISDIR(st.st_mode))) {
    file.reset();
    errno = EISDIR;
  }
  if (!file) {
    int err = errno;
    LogError("Failed to open file for reading.");
    LogDetail("%s: %s", path.c_str(), strerror(err));
    return false;
  }
  LogMessage(" ");
  char* buf = nullptr;
  size_t cap = 0;
  ssize_t len;
  bool first = true;
  while ((len = getline(&buf, &cap, file.get())) >= 0) {
    std::string_view line(buf, static_cast<size_t>(len));
    if (first && line.starts_with("\xEF\xBB\xBF"))  // UTF-8 byte order mark
      line.remove_prefix(3);
    first = false;
    // Files written on another system end their lines with CR LF.
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.size() > kMaxScriptLine) {
      LogWarning("Skipped a script line of %zu characters (limit %zu).", line.size(),
                 kMaxScriptLine);
      continue;
    }
    line = CVarText::TrimSpaces(line);
    if (!line.empty() && line.front() == '#') continue;
    std::string text(line);
    LogMessage("[grey] ] [white]%s", text.c_str());
    processor.Execute(text, false);
  }
  if (ferror(file.get()))
    LogError("Failed to read console script [grey]%s[white]: %s", path.c_str(), strerror(errno));
  free(buf);
  LogMessage(" ");
  LogMessage("...finished execution.");
  return true;
}

std::string FormatConfiguration(const CVarRegistry& cvars) {
  std::string out = kConfigHeader;
  std::vector<CVar*> list;
  cvars.ListAll(list);
  for (const CVar* cvar : list) {
    if (cvar->HasFlag(CVarFlag_NoSave)) continue;
    const std::string& name = cvar->GetName();
    if (!IsWritableName(name)) {
      LogWarning("Variable '%s' cannot be saved: its name holds blanks or control characters.",
                 name.c_str());
      continue;
    }
    std::string value = cvar->ToString();
    // A line break in a value would start a new line of the file, which the
    // loader would run as a command of its own.
    bool replaced = false;
    for (char& c : value) {
      if (c == '\n' || c == '\r' || c == '\0') {
        c = ' ';
        replaced = true;
      }
    }
    if (replaced) LogWarning("Line breaks in the value of '%s' are saved as blanks.", name.c_str());
    out += name;
    out += ' ';
    if (NeedsQuotes(*cvar, value)) {
      out += '"';
      out += value;
      out += '"';
    } else {
      // The loader trims a line's blanks, so blanks at either end of an
      // unquoted value would be lost on the way back: the file gets the value
      // as it will read.
      const std::string_view trimmed = CVarText::TrimSpaces(value);
      if (trimmed.size() != value.size())
        LogWarning("Blanks at the ends of the value of '%s' are not saved.", name.c_str());
      out += trimmed;
    }
    out += '\n';
  }
  return out;
}

std::string ConfigTempPath(const std::string& path) {
  // One temporary per process: two engines saving at once must not write into each other.
  return path + ".tmp" + std::to_string(static_cast<long>(getpid()));
}

bool SaveConfiguration(const std::string& path, const CVarRegistry& cvars) {
  LogMessage("Saving configuration to [grey]%s[white]...", path.c_str());
  const std::string text = FormatConfiguration(cvars);
  std::error_code ec;
  // The rename below would replace a symbolic link with a plain file; write
  // where the link points instead.
  std::string target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  const std::string tmpPath = ConfigTempPath(target);

  std::filesystem::path parent = std::filesystem::path(target).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);

  int fd = open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    int err = errno;
    LogError("Failed to open file for writing.");
    LogDetail("%s: %s", tmpPath.c_str(), strerror(err));
    return false;
  }
  FILE* f = fdopen(fd, "w");
  if (!f) {
    int err = errno;
    close(fd);
    unlink(tmpPath.c_str());
    LogError("Failed to open file for writing.");
    LogDetail("%s: %s", tmpPath.c_str(), strerror(err));
    return false;
  }

  // Everything must reach the disk before the rename replaces the old file.
  int err = 0;
  errno = 0;
  if (fwrite(text.data(), 1, text.size(), f) != text.size() || fflush(f) != 0 || fsync(fd) != 0)
    err = errno ? errno : EIO;
  if (fclose(f) != 0 && err == 0) err = errno ? errno : EIO;
  if (err == 0 && rename(tmpPath.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(tmpPath.c_str());
    LogError("Failed to write configuration file [grey]%s[white]: %s", path.c_str(), strerror(err));
    return false;
  }

  // Make the rename itself durable; failure here loses nothing already written.
  int dirFd = open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  LogMessage("...configuration successfully saved.");
  return true;
}

void ApplyCommandLineVariables(
    const std::function<const std::string*(const std::string& name)>& lookup, CVarRegistry& cvars) {
  if (!lookup) return;
  std::vector<CVar*> list;
  cvars.ListAll(list);
  for (CVar* cvar : list) {
    if (const std::string* value = lookup(cvar->GetName())) cvar->SetFromString(*value);
  }
}
