// KeyTable.cpp - see KeyTable.h.
#include "KeyTable.h"

#include <SDL_keyboard.h>

#include <algorithm>

namespace {

struct KeyPair {
  int from;
  int to;
};

// Virtual key -> engine key code.
constexpr KeyPair kVirtualKeyEntries[] = {
    // Editing and control keys.
    {8, 14},
    {9, 15},
    {13, 28},
    {16, 41},
    {17, 105},
    {19, 117},
    {20, 56},
    {21, 88},
    {25, 99},
    {27, 1},
    {28, 90},
    {29, 91},
    {32, 55},
    // Navigation.
    {33, 120},
    {34, 125},
    {35, 123},
    {36, 118},
    {37, 121},
    {38, 119},
    {39, 122},
    {40, 124},
    {45, 126},
    {46, 127},
    // Digits '0'..'9'.
    {'0', 2},
    {'1', 3},
    {'2', 4},
    {'3', 5},
    {'4', 6},
    {'5', 7},
    {'6', 8},
    {'7', 9},
    {'8', 10},
    {'9', 11},
    // Letters.
    {'A', 29},
    {'B', 47},
    {'C', 45},
    {'D', 31},
    {'E', 18},
    {'F', 32},
    {'G', 33},
    {'H', 34},
    {'I', 23},
    {'J', 35},
    {'K', 36},
    {'L', 37},
    {'M', 49},
    {'N', 48},
    {'O', 24},
    {'P', 25},
    {'Q', 16},
    {'R', 19},
    {'S', 30},
    {'T', 20},
    {'U', 22},
    {'V', 46},
    {'W', 17},
    {'X', 44},
    {'Y', 21},
    {'Z', 43},
    // System keys.
    {91, 128},
    {92, 129},
    {93, 130},
    {95, 132},
    // Numeric pad.
    {96, 80},
    {97, 77},
    {98, 78},
    {99, 79},
    {100, 73},
    {101, 74},
    {102, 75},
    {103, 69},
    {104, 70},
    {105, 71},
    {106, 53},
    {107, 76},
    {109, 72},
    {110, 81},
    {111, 114},
    // Function keys F1..F15.
    {112, 57},
    {113, 58},
    {114, 59},
    {115, 60},
    {116, 61},
    {117, 62},
    {118, 63},
    {119, 64},
    {120, 65},
    {121, 66},
    {122, 83},
    {123, 84},
    {124, 85},
    {125, 86},
    {126, 87},
    // Locks and the keypad equals key (146).
    {144, 67},
    {145, 68},
    {146, 94},
    // Left and right modifiers.
    {160, 41},
    {161, 41},
    {162, 105},
    {163, 105},
    {164, 54},
    {165, 116},
    // Browser, volume and media keys.
    {166, 139},
    {167, 138},
    {168, 136},
    {169, 137},
    {170, 134},
    {171, 135},
    {172, 112},
    {173, 106},
    {174, 110},
    {175, 111},
    {176, 103},
    {177, 95},
    {178, 109},
    {179, 108},
    {180, 141},
    {181, 142},
    // Punctuation: '=' is the plus key.
    {187, 76},
    {188, 50},
    {189, 72},
    {190, 51},
};

constexpr std::array<uint8_t, kVirtualKeyCount> BuildVirtualKeyTable() {
  std::array<uint8_t, kVirtualKeyCount> table{};
  for (const KeyPair& pair : kVirtualKeyEntries) {
    table[pair.from] = static_cast<uint8_t>(pair.to);
  }
  return table;
}

// SDL scancode -> virtual key, by position; letters and digits are ranges and
// handled in code. Keys whose virtual key has no table entry (';', '/', '`',
// the brackets...) are listed anyway so that the table alone decides what
// reaches the engine.
constexpr KeyPair kScancodeEntries[] = {
    {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_ESCAPE, 27},
    {SDL_SCANCODE_BACKSPACE, 8},
    {SDL_SCANCODE_TAB, 9},
    {SDL_SCANCODE_SPACE, 32},
    // Punctuation (OEM keys).
    {SDL_SCANCODE_MINUS, 189},
    {SDL_SCANCODE_EQUALS, 187},
    {SDL_SCANCODE_LEFTBRACKET, 219},
    {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_NONUSHASH, 220},
    {SDL_SCANCODE_SEMICOLON, 186},
    {SDL_SCANCODE_APOSTROPHE, 222},
    {SDL_SCANCODE_GRAVE, 192},
    {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_PERIOD, 190},
    {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_NONUSBACKSLASH, 226},
    {SDL_SCANCODE_CAPSLOCK, 20},
    // Function keys.
    {SDL_SCANCODE_F1, 112},
    {SDL_SCANCODE_F2, 113},
    {SDL_SCANCODE_F3, 114},
    {SDL_SCANCODE_F4, 115},
    {SDL_SCANCODE_F5, 116},
    {SDL_SCANCODE_F6, 117},
    {SDL_SCANCODE_F7, 118},
    {SDL_SCANCODE_F8, 119},
    {SDL_SCANCODE_F9, 120},
    {SDL_SCANCODE_F10, 121},
    {SDL_SCANCODE_F11, 122},
    {SDL_SCANCODE_F12, 123},
    {SDL_SCANCODE_F13, 124},
    {SDL_SCANCODE_F14, 125},
    {SDL_SCANCODE_F15, 126},
    {SDL_SCANCODE_F16, 127},
    {SDL_SCANCODE_F17, 128},
    {SDL_SCANCODE_F18, 129},
    {SDL_SCANCODE_F19, 130},
    {SDL_SCANCODE_F20, 131},
    {SDL_SCANCODE_F21, 132},
    {SDL_SCANCODE_F22, 133},
    {SDL_SCANCODE_F23, 134},
    {SDL_SCANCODE_F24, 135},
    // Navigation block.
    {SDL_SCANCODE_PRINTSCREEN, 44},
    {SDL_SCANCODE_SCROLLLOCK, 145},
    {SDL_SCANCODE_PAUSE, 19},
    {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_DELETE, 46},
    {SDL_SCANCODE_END, 35},
    {SDL_SCANCODE_PAGEDOWN, 34},
    {SDL_SCANCODE_RIGHT, 39},
    {SDL_SCANCODE_LEFT, 37},
    {SDL_SCANCODE_DOWN, 40},
    {SDL_SCANCODE_UP, 38},
    // Numeric pad, by position whatever the Num Lock state.
    {SDL_SCANCODE_NUMLOCKCLEAR, 144},
    {SDL_SCANCODE_KP_DIVIDE, 111},
    {SDL_SCANCODE_KP_MULTIPLY, 106},
    {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_PLUS, 107},
    {SDL_SCANCODE_KP_ENTER, 13},
    {SDL_SCANCODE_KP_1, 97},
    {SDL_SCANCODE_KP_2, 98},
    {SDL_SCANCODE_KP_3, 99},
    {SDL_SCANCODE_KP_4, 100},
    {SDL_SCANCODE_KP_5, 101},
    {SDL_SCANCODE_KP_6, 102},
    {SDL_SCANCODE_KP_7, 103},
    {SDL_SCANCODE_KP_8, 104},
    {SDL_SCANCODE_KP_9, 105},
    {SDL_SCANCODE_KP_0, 96},
    {SDL_SCANCODE_KP_PERIOD, 110},
    {SDL_SCANCODE_KP_EQUALS, 146},
    // Modifiers and system keys.
    {SDL_SCANCODE_LCTRL, 162},
    {SDL_SCANCODE_LSHIFT, 160},
    {SDL_SCANCODE_LALT, 164},
    {SDL_SCANCODE_LGUI, 91},
    {SDL_SCANCODE_RCTRL, 163},
    {SDL_SCANCODE_RSHIFT, 161},
    {SDL_SCANCODE_RALT, 165},
    {SDL_SCANCODE_RGUI, 92},
    {SDL_SCANCODE_APPLICATION, 93},
    {SDL_SCANCODE_SLEEP, 95},
    // Asian input keys.
    {SDL_SCANCODE_LANG1, 21},
    {SDL_SCANCODE_LANG2, 25},
    {SDL_SCANCODE_INTERNATIONAL4, 28},
    {SDL_SCANCODE_INTERNATIONAL5, 29},
    // Browser, volume and media keys.
    {SDL_SCANCODE_AC_BACK, 166},
    {SDL_SCANCODE_AC_FORWARD, 167},
    {SDL_SCANCODE_AC_REFRESH, 168},
    {SDL_SCANCODE_AC_STOP, 169},
    {SDL_SCANCODE_AC_SEARCH, 170},
    {SDL_SCANCODE_AC_BOOKMARKS, 171},
    {SDL_SCANCODE_AC_HOME, 172},
    {SDL_SCANCODE_MUTE, 173},
    {SDL_SCANCODE_AUDIOMUTE, 173},
    {SDL_SCANCODE_VOLUMEDOWN, 174},
    {SDL_SCANCODE_VOLUMEUP, 175},
    {SDL_SCANCODE_AUDIONEXT, 176},
    {SDL_SCANCODE_AUDIOPREV, 177},
    {SDL_SCANCODE_AUDIOSTOP, 178},
    {SDL_SCANCODE_AUDIOPLAY, 179},
    {SDL_SCANCODE_MAIL, 180},
    {SDL_SCANCODE_MEDIASELECT, 181},
};

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> BuildScancodeTable() {
  std::array<uint8_t, SDL_NUM_SCANCODES> table{};
  for (int i = 0; i < 26; ++i) {
    table[SDL_SCANCODE_A + i] = static_cast<uint8_t>('A' + i);
  }
  // SDL orders the digit row 1..9, 0.
  for (int i = 0; i < 9; ++i) {
    table[SDL_SCANCODE_1 + i] = static_cast<uint8_t>('1' + i);
  }
  table[SDL_SCANCODE_0] = '0';
  for (const KeyPair& pair : kScancodeEntries) {
    table[pair.from] = static_cast<uint8_t>(pair.to);
  }
  return table;
}

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> kScancodeTable = BuildScancodeTable();

}  // namespace

const std::array<uint8_t, kVirtualKeyCount> kVirtualKeyTable = BuildVirtualKeyTable();

int VirtualKeyToEngineKey(int virtualKey) {
  if (virtualKey < 0 || virtualKey >= kVirtualKeyCount) {
    return 0;
  }
  return kVirtualKeyTable[virtualKey];
}

int ScancodeToVirtualKey(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) {
    return 0;
  }
  return kScancodeTable[scancode];
}

int ScancodeToEngineKey(int scancode) {
  return VirtualKeyToEngineKey(ScancodeToVirtualKey(scancode));
}

int MouseButtonToEngineKey(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return kEngineKeyMouseLeft;
    case SDL_BUTTON_RIGHT:
      return kEngineKeyMouseRight;
    case SDL_BUTTON_MIDDLE:
      return kEngineKeyMouseMiddle;
    default:
      return 0;
  }
}

int ScancodeToControlChar(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_BACKSPACE:
      return 8;
    case SDL_SCANCODE_TAB:
      return 9;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
      return 13;
    case SDL_SCANCODE_ESCAPE:
      return 27;
    default:
      return 0;
  }
}

void SendKeyToEngine(IKazEngine* engine, SDL_Scancode scancode, bool down) {
  const int key = ScancodeToEngineKey(scancode);
  if (!down) {
    if (key) {
      engine->OnKeyUp(key);
    }
    return;
  }
  if (key) {
    engine->OnKeyDown(key);
  }
  // SDL's text input leaves these characters out; the engine's console and
  // menus need them.
  if (int ch = ScancodeToControlChar(scancode)) {
    engine->OnChar(ch);
  }
}

std::vector<EngineKeyNames> ListEngineKeys() {
  std::vector<EngineKeyNames> keys;
  auto add = [&keys](int code, const char* name) {
    if (!code || !name || !*name) return;
    auto it = std::find_if(keys.begin(), keys.end(),
                           [code](const EngineKeyNames& k) { return k.code == code; });
    if (it == keys.end()) it = keys.insert(keys.end(), EngineKeyNames{code, {}});
    it->names.emplace_back(name);
  };
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
    add(ScancodeToEngineKey(scancode), SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode)));
  add(kEngineKeyMouseLeft, "Mouse Left");
  add(kEngineKeyMouseRight, "Mouse Right");
  add(kEngineKeyMouseMiddle, "Mouse Middle");
  std::sort(keys.begin(), keys.end(),
            [](const EngineKeyNames& a, const EngineKeyNames& b) { return a.code < b.code; });
  return keys;
}
