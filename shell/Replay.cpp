// Replay.cpp - see Replay.h.
#include "Replay.h"

#include "KeyTable.h"

#include "base/StringUtil.h"

#include <SDL_keyboard.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr std::string_view kBlanks = " \t";
// Mouse motion beyond this in one event is a typing mistake, not a gesture.
constexpr long kMaxMouseMotion = 100000;

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The first blank-separated field of *rest; *rest keeps what follows it.
std::string_view NextField(std::string_view* rest) {
  std::string_view text = Trim(*rest);
  const size_t end = std::min(text.find_first_of(kBlanks), text.size());
  *rest = text.substr(end);
  return text.substr(0, end);
}

std::string_view CutComment(std::string_view text) {
  return text.substr(0, std::min(text.find('#'), text.size()));
}

bool ParseNumber(std::string_view text, long min, long max, long* value) {
  long parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || parsed < min ||
      parsed > max) {
    return false;
  }
  *value = parsed;
  return true;
}

// The bytes of a char text: escapes resolved, the comment and trailing blanks
// cut. False with a reason for an escape we do not know.
bool UnescapeText(std::string_view text, std::string* out, std::string* problem) {
  size_t kept = 0;  // length up to the last byte that is not a trailing blank
  for (size_t i = 0; i < text.size() && text[i] != '#'; ++i) {
    char c = text[i];
    if (c == '\\') {
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if (next != '#' && next != '\\' && next != 's') {
        *problem = "unknown escape in the text (\\#, \\\\ and \\s are known)";
        return false;
      }
      c = next == 's' ? ' ' : next;
      ++i;
      out->push_back(c);
      kept = out->size();
      continue;
    }
    out->push_back(c);
    if (c != ' ' && c != '\t') {
      kept = out->size();
    }
  }
  out->resize(kept);
  return true;
}

// UTF-8 to code points; false with a reason for malformed bytes or a
// character the engine cannot take.
bool DecodeUtf8(const std::string& text, std::vector<int>* chars, std::string* problem) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    int length = *p < 0x80           ? 1
                 : (*p >> 5) == 0x6  ? 2
                 : (*p >> 4) == 0xE  ? 3
                 : (*p >> 3) == 0x1E ? 4
                                     : 0;
    if (length == 0 || end - p < length) {
      *problem = "the text is not valid UTF-8";
      return false;
    }
    int code = length == 1 ? *p : *p & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      if ((p[k] & 0xC0) != 0x80) {
        *problem = "the text is not valid UTF-8";
        return false;
      }
      code = (code << 6) | (p[k] & 0x3F);
    }
    const int shortest = length == 1 ? 0 : length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < shortest || code == 0) {
      *problem = "the text is not valid UTF-8";
      return false;
    }
    if (code > 0xFF) {
      char reason[96];
      snprintf(reason, sizeof(reason),
               "character U+%04X is beyond U+00FF, the last the engine takes", code);
      *problem = reason;
      return false;
    }
    chars->push_back(code);
    p += length;
  }
  return true;
}

std::string Warning(const std::string& name, int line, const std::string& problem) {
  return "Replay file '" + name + "', line " + std::to_string(line) + ": " + problem +
         ". The line is left out.";
}

}  // namespace

bool Replay::Load(const std::string& path, std::vector<std::string>* warnings, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "Cannot read replay file '" + path + "': " + strerror(errno) + ".";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    *error = "Cannot read replay file '" + path + "'.";
    return false;
  }
  Parse(text.str(), path, warnings);
  return true;
}

void Replay::Parse(std::string_view text, const std::string& name,
                   std::vector<std::string>* warnings) {
  m_name = name;
  m_events.clear();
  m_next = 0;
  int lineNumber = 0;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (Trim(CutComment(line)).empty()) {
      continue;
    }
    ReplayEvent event;
    event.line = lineNumber;
    std::string problem;
    if (ParseLine(line, &event, &problem)) {
      m_events.push_back(std::move(event));
    } else if (warnings) {
      warnings->push_back(Warning(name, lineNumber, problem));
    }
  }
  // A file may list its frames in any order; within a frame the file's order holds.
  std::stable_sort(m_events.begin(), m_events.end(),
                   [](const ReplayEvent& a, const ReplayEvent& b) { return a.frame < b.frame; });
}

bool Replay::ParseLine(std::string_view line, ReplayEvent* event, std::string* problem) const {
  std::string_view rest = line;
  const std::string_view frame = NextField(&rest);
  long number = 0;
  if (!ParseNumber(frame, 0, 0x7FFFFFFF, &number)) {
    *problem = "expected a frame number (0 or more), got \"" + std::string(frame) + "\"";
    return false;
  }
  event->frame = number;
  const std::string_view type = NextField(&rest);
  if (EqualsNoCase(type, "char")) {
    event->type = ReplayEvent::Type::Char;
    std::string bytes;
    if (!UnescapeText(Trim(rest), &bytes, problem) || !DecodeUtf8(bytes, &event->chars, problem)) {
      return false;
    }
    if (event->chars.empty()) {
      *problem = "no text after \"char\"";
      return false;
    }
    return true;
  }
  rest = CutComment(rest);
  if (EqualsNoCase(type, "key")) {
    event->type = ReplayEvent::Type::Key;
    rest = Trim(rest);
    const size_t split = rest.find_last_of(kBlanks);
    const std::string_view state = split == std::string_view::npos ? rest : rest.substr(split + 1);
    const std::string keyName(Trim(rest.substr(0, split == std::string_view::npos ? 0 : split)));
    if (keyName.empty() || !(EqualsNoCase(state, "down") || EqualsNoCase(state, "up"))) {
      *problem = "expected \"key <KeyName> down\" or \"key <KeyName> up\"";
      return false;
    }
    event->down = EqualsNoCase(state, "down");
    event->key = SDL_GetKeyFromName(keyName.c_str());
    if (event->key == SDLK_UNKNOWN) {
      *problem = "unknown key name \"" + keyName + "\"";
      return false;
    }
    return true;
  }
  if (EqualsNoCase(type, "mouse")) {
    event->type = ReplayEvent::Type::Mouse;
    long dx = 0;
    long dy = 0;
    const std::string_view x = NextField(&rest);
    const std::string_view y = NextField(&rest);
    if (!ParseNumber(x, -kMaxMouseMotion, kMaxMouseMotion, &dx) ||
        !ParseNumber(y, -kMaxMouseMotion, kMaxMouseMotion, &dy) || !Trim(rest).empty()) {
      *problem = "expected \"mouse <dx> <dy>\" with whole numbers of pixels";
      return false;
    }
    event->dx = static_cast<int>(dx);
    event->dy = static_cast<int>(dy);
    return true;
  }
  *problem = "unknown event \"" + std::string(type) + "\" (key, char or mouse)";
  return false;
}

void Replay::ResolveKeys(std::vector<std::string>* warnings) {
  auto unreachable = [&](ReplayEvent& event) {
    if (event.type != ReplayEvent::Type::Key) {
      return false;
    }
    event.scancode = SDL_GetScancodeFromKey(event.key);
    if (ScancodeToEngineKey(event.scancode) != 0 || ScancodeToControlChar(event.scancode) != 0) {
      return false;
    }
    if (warnings) {
      warnings->push_back(Warning(
          m_name, event.line,
          std::string("key \"") + SDL_GetKeyName(event.key) + "\" stands for no engine key"));
    }
    return true;
  };
  m_events.erase(
      std::remove_if(m_events.begin() + static_cast<long>(m_next), m_events.end(), unreachable),
      m_events.end());
}
