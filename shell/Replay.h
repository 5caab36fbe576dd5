// Replay.h - input replayed from a text file through the launcher's own input path.
//
// One event a line, fields separated by blanks:
//   <frame> key <KeyName> down      <frame> key <KeyName> up
//   <frame> char <text>             <frame> mouse <dx> <dy>
// '#' starts a comment (in a char text "\#" types one; "\\" a backslash and
// "\s" a blank, so that a text can start or end with one). Frames count from
// 0, the first frame the launcher runs; the events of a frame are handed over
// before it, in file order. Key names are SDL's (SDL_GetKeyFromName, letter
// case ignored, blanks allowed: "Keypad Enter"). Once the launcher's video is
// up, ResolveKeys turns them into key positions, which then take the same way
// as keys from the keyboard (KeyTable.h). A char text is sent one character
// event per UTF-8 character; the engine takes characters up to U+00FF. A bad
// line gives one warning naming the file and the line and is left out.
// Depends on: KeyTable.h, base/StringUtil.h (in the .cpp), SDL2 (key names).
#pragma once

#include <SDL_keycode.h>
#include <SDL_scancode.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ReplayEvent {
  enum class Type { Key, Char, Mouse };

  long frame = 0;
  int line = 0;  // 1-based line of the file, for messages
  Type type = Type::Key;
  // Key events.
  SDL_Keycode key = SDLK_UNKNOWN;
  SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN;  // set by ResolveKeys
  bool down = false;
  // Char events: code points 1..255, one character event each.
  std::vector<int> chars;
  // Mouse events.
  int dx = 0;
  int dy = 0;
};

class Replay {
 public:
  // Reads and parses a file. False, with the reason in *error, when the file
  // cannot be read; bad lines only add warnings.
  bool Load(const std::string& path, std::vector<std::string>* warnings, std::string* error);
  // Parses a replay text; name stands for the file in warnings.
  void Parse(std::string_view text, const std::string& name, std::vector<std::string>* warnings);
  // Finds the key position of every key event (SDL's video must be up); a key
  // that no engine key or character stands for is left out with a warning.
  void ResolveKeys(std::vector<std::string>* warnings);

  // Calls deliver for each event of this frame and of earlier ones not yet
  // handed over, in order.
  template <typename Deliver>
  void TakeFrame(long frame, Deliver deliver) {
    while (m_next < m_events.size() && m_events[m_next].frame <= frame) {
      deliver(m_events[m_next++]);
    }
  }

  const std::vector<ReplayEvent>& Events() const { return m_events; }
  const std::string& GetName() const { return m_name; }
  bool IsEmpty() const { return m_events.empty(); }

 private:
  bool ParseLine(std::string_view line, ReplayEvent* event, std::string* problem) const;

  std::string m_name;
  std::vector<ReplayEvent> m_events;  // sorted by frame, file order within one
  size_t m_next = 0;
};
