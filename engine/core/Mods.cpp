// Mods.cpp - mod definition files and packages; see Mods.h.
#include "core/Mods.h"

#include "base/LaunchOptions.h"
#include "base/Log.h"
#include "base/StringUtil.h"
#include "tier0/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Base directories normally end with a separator (FileSystem::GetBaseDir);
// accept one without.
std::string WithSeparator(const std::string& dir) {
  if (dir.empty() || dir.back() == '/') return dir;
  return dir + '/';
}

// "major.minor.patch"; missing parts are 0. False when the text holds no
// number or a part does not fit its 8 bits (it is masked then).
bool ParseVersion(const std::string& text, uint32_t* version) {
  long parts[3] = {0, 0, 0};
  int count = 0;
  bool inRange = true;
  const char* p = text.c_str();
  while (count < 3) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    if (errno == ERANGE || v < 0 || v > 255) inRange = false;
    parts[count++] = v;
    if (*end != '.') break;
    p = end + 1;
  }
  *version = ModInfo::MakeVersion(static_cast<uint32_t>(parts[0]), static_cast<uint32_t>(parts[1]),
                                  static_cast<uint32_t>(parts[2]));
  return count > 0 && inRange;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// A mod name names its configuration file under "config/": no separators,
// and not a name for the folder itself or its parent.
bool IsPlainName(const std::string& name) {
  return name != "." && name != ".." && std::none_of(name.begin(), name.end(), IsSeparator);
}

// Lower case up to the first white space; the rest is kept as it is.
bool LowerCaseName(const std::string& value, std::string* name) {
  *name = value;
  for (char& c : *name) {
    if (IsCSpace(c)) return false;
    c = AsciiLower(c);
  }
  return true;
}

// One line without its '\n', at most ModList::kMaxLineLength characters of
// it; the tail of a longer line is consumed, not returned as a line of its own.
bool ReadLine(FILE* file, std::string* line, bool* truncated) {
  line->clear();
  *truncated = false;
  int c = std::fgetc(file);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = std::fgetc(file)) {
    if (line->size() < ModList::kMaxLineLength)
      line->push_back(static_cast<char>(c));
    else
      *truncated = true;
  }
  return true;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

namespace {

const ModKeyInfo kModKeys[] = {
    {"ModName", ModKeyKind::Name, nullptr,
     "The mod's name (stored in lower case): what -mod selects and what the configuration file "
     "is called after. Required; no blanks or path separators.",
     "mygame"},
    {"ModFullName", ModKeyKind::Text, &ModInfo::fullName, "The name shown when the mod starts.",
     "My Game"},
    {"ModAuthor", ModKeyKind::Text, &ModInfo::author, "Who made it.", "A. Author"},
    {"ModWebSite", ModKeyKind::Text, &ModInfo::webSite, "Where it comes from.",
     "https://example.org"},
    {"ModLogo", ModKeyKind::Text, &ModInfo::logo, "A picture of it (kept, not shown).",
     "Textures/logo.png"},
    {"ModVersion", ModKeyKind::Version, nullptr,
     "major.minor.patch, each 0 to 255 (missing parts are 0).", "1.0.0"},
    {"ModPackages", ModKeyKind::Packages, nullptr,
     "The mod's packages, searched in this order before \"base\", separated by ';'; each is a "
     "folder below the base directory, a .pak archive of that name, or both.",
     "mygame;mygame_music"},
    {"ClassName", ModKeyKind::Text, &ModInfo::className,
     "The application class: \"module.Class\", or \"Class\" in a module of the same name "
     "(empty: the main game's).",
     "MyGame.MyGameApplication"},
};

}  // namespace

std::span<const ModKeyInfo> GetModKeys() {
  return kModKeys;
}

void ModList::ApplyKey(ModInfo& mod, const ModKeyInfo& info, const std::string& value) {
  switch (info.kind) {
    case ModKeyKind::Text:
      mod.*info.field = value;
      return;
    case ModKeyKind::Name: {
      // A name with path parts would put the configuration outside "config/":
      // the definition keeps no name and is dropped.
      const bool plain = IsPlainName(value);
      if (!plain) mod.name.clear();
      if (!plain || !LowerCaseName(value, &mod.name))
        LogWarning("Mod def file '[grey]%s[white]' has illegal name '[grey]%s[white]'",
                   mod.definitionFile.c_str(), value.c_str());
      return;
    }
    case ModKeyKind::Version:
      if (!ParseVersion(value, &mod.version) && !value.empty())
        LogWarning("Mod def file '[grey]%s[white]' has illegal version '[grey]%s[white]'",
                   mod.definitionFile.c_str(), value.c_str());
      return;
    case ModKeyKind::Packages:
      // Empty pieces would name the base directory itself: skip them.
      mod.packages.clear();
      for (const std::string& piece : SplitString(value, ';')) {
        std::string package = TrimWhitespace(piece);
        if (package.empty()) continue;
        if (IsPackageName(package))
          mod.packages.push_back(std::move(package));
        else
          LogWarning(
              "Mod def file '[grey]%s[white]' names package '[grey]%s[white]' outside the "
              "base directory; it is ignored",
              mod.definitionFile.c_str(), package.c_str());
      }
      return;
  }
}

bool ModList::LoadDefinition(const std::string& nativePath) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(nativePath.c_str(), "r"));
  if (!file) return false;

  ModInfo mod;
  mod.definitionFile = nativePath;
  std::string text;
  bool truncated = false;
  int lineNumber = 0;
  while (ReadLine(file.get(), &text, &truncated)) {
    ++lineNumber;
    if (truncated)
      LogWarning(
          "Mod def file '[grey]%s[white]': line %d is longer than %d characters, the rest is "
          "ignored",
          nativePath.c_str(), lineNumber, static_cast<int>(kMaxLineLength));
    size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    std::string key = TrimWhitespace(std::string_view(text).substr(0, eq));
    std::string value = TrimWhitespace(std::string_view(text).substr(eq + 1));

    const ModKeyInfo* info = nullptr;
    for (const ModKeyInfo& candidate : kModKeys)
      if (key == candidate.key) info = &candidate;
    if (info)
      ApplyKey(mod, *info, value);
    else
      LogWarning("Mod def file '[grey]%s[white]' line %d: unknown key '[grey]%s[white]' is ignored",
                 nativePath.c_str(), lineNumber, key.c_str());
  }
  file.reset();

  if (mod.name.empty() || Find(mod.name) >= 0) return false;
  m_mods.push_back(std::move(mod));
  return true;
}

void ModList::Enumerate(const std::string& baseDir) {
  namespace fs = std::filesystem;
  m_mods.clear();

  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(WithSeparator(baseDir) + RunFiles::ModFolder + "/", ec), end;
       !ec && it != end; it.increment(ec)) {
    std::string fileName = it->path().filename().string();
    if (fileName.size() < 4 ||
        !EqualsNoCase(std::string_view(fileName).substr(fileName.size() - 4), ".mod"))
      continue;
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    files.push_back(it->path().string());
  }
  // The listing order decides which of two same-named mods wins; make it stable.
  std::sort(files.begin(), files.end());
  for (const std::string& path : files) LoadDefinition(path);

  LogMessage("Loaded [grey]%d[white] mod definition file(s).", static_cast<int>(m_mods.size()));
}

int ModList::Find(const std::string& name) const {
  for (size_t i = 0; i < m_mods.size(); ++i) {
    if (EqualsNoCase(m_mods[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string ModList::ConfigFilePath(const std::string& baseDir, const ModInfo& mod) {
  return WithSeparator(baseDir) + RunFiles::ConfigFolder + "/" + mod.name +
         RunFiles::ConfigExtension;
}

bool ModList::IsPackageName(const std::string& name) {
  if (name.empty() || IsSeparator(name.front())) return false;
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (name.compare(start, end - start, "..") == 0) return false;
    if (end >= name.size()) return true;
    start = end + 1;
  }
}

bool ModList::AddPackage(const std::string& baseDir, const std::string& name, bool append) {
  if (!IsPackageName(name)) {
    LogWarning("Package '[grey]%s[white]' is not a folder below the base directory; refused.",
               name.c_str());
    return false;
  }
  const std::string directory = WithSeparator(baseDir) + name;
  const std::string archive = directory + ".pak";
  bool added = false;
  if (append) {
    added |= FileSystem::AddToSearchPath(directory, true);
    added |= FileSystem::AddToSearchPath(archive, true);
  } else {
    added |= FileSystem::AddToSearchPath(archive, false);
    added |= FileSystem::AddToSearchPath(directory, false);
  }
  return added;
}
