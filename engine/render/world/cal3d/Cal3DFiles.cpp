// Cal3DFiles.cpp - counts in Cal3D's XML files checked against their length.
#include "render/world/cal3d/Cal3DFiles.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

// No counted element of Cal3D's XML (a child id, a vertex, a face, a key
// frame, a map) takes fewer bytes of text than this.
constexpr uint64_t kMinBytesPerElement = 8;
// Larger files are not characters the engine draws.
constexpr uint64_t kMaxFileBytes = 64u << 20;

bool IsXmlForm(const std::string& path) {
  if (path.size() < 4 || path[path.size() - 4] != '.') return false;
  std::string extension;
  for (size_t i = path.size() - 3; i < path.size(); ++i)
    extension += char(std::tolower(static_cast<unsigned char>(path[i])));
  return extension == "xsf" || extension == "xmf" || extension == "xaf" || extension == "xrf";
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == ':';
}

// The value Cal3D takes from an attribute (atoi): leading blanks, a sign,
// digits. Saturates far above any real count.
int64_t CountValue(const std::string& text, size_t at) {
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  int64_t value = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
    if (value < (int64_t(1) << 40)) value = value * 10 + (text[at] - '0');
  return negative ? -value : value;
}

// Finds every attribute whose name starts with NUM; false (reason set) at the
// first whose value the file cannot hold.
bool CountsFit(const std::string& text, std::string* reason) {
  const uint64_t limit = text.size() / kMinBytesPerElement;
  for (size_t at = 0; (at = text.find_first_of("Nn", at)) != std::string::npos; ++at) {
    if (at + 3 > text.size() || (at > 0 && IsNameChar(text[at - 1]))) continue;
    if (std::toupper(static_cast<unsigned char>(text[at + 1])) != 'U' ||
        std::toupper(static_cast<unsigned char>(text[at + 2])) != 'M')
      continue;
    size_t end = at;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    size_t eq = end;
    while (eq < text.size() && std::isspace(static_cast<unsigned char>(text[eq]))) ++eq;
    if (eq >= text.size() || text[eq] != '=') continue;
    size_t quote = eq + 1;
    while (quote < text.size() && std::isspace(static_cast<unsigned char>(text[quote]))) ++quote;
    if (quote >= text.size() || (text[quote] != '"' && text[quote] != '\'')) continue;
    const int64_t value = CountValue(text, quote + 1);
    if (value < 0 || uint64_t(value) > limit) {
      *reason =
          text.substr(at, end - at) + " " + std::to_string(value) + " is more than the file holds";
      return false;
    }
  }
  return true;
}

}  // namespace

bool CheckCal3DFile(const std::string& path, std::string* reason) {
  if (!IsXmlForm(path)) {
    *reason = "only the XML forms of Cal3D files are read (.xsf, .xmf, .xaf, .xrf)";
    return false;
  }
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    *reason = "could not open file";
    return false;
  }
  const std::streamoff length = file.tellg();
  if (length < 0 || uint64_t(length) > kMaxFileBytes) {
    *reason = "file too large";
    return false;
  }
  file.seekg(0);
  std::string text(static_cast<size_t>(length), '\0');
  if (!file.read(text.data(), length)) {
    *reason = "could not read file";
    return false;
  }
  return CountsFit(text, reason);
}
