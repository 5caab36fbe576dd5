// KeyTable.h - translation of SDL keyboard and mouse input to engine key codes.
//
// Keys are translated in two steps, by key position: the SDL scancode gives a
// Windows-style virtual-key code (what the engine's key codes were defined
// against), and the 193-entry virtual-key table gives the engine key code.
// Virtual keys above 192 and table entries of 0 are never forwarded. Mouse
// buttons have fixed codes.
// Depends on: SDL2 (scancode and button values only), base/KazEngine.h.
#pragma once

#include "base/KazEngine.h"

#include <SDL_mouse.h>
#include <SDL_scancode.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kVirtualKeyCount = 193;

constexpr int kEngineKeyMouseLeft = 143;
constexpr int kEngineKeyMouseRight = 144;
constexpr int kEngineKeyMouseMiddle = 145;

// Engine key code per virtual-key code 0..192; 0 means no key.
extern const std::array<uint8_t, kVirtualKeyCount> kVirtualKeyTable;

// The engine key code of a virtual key; 0 for none and for codes outside 0..192.
int VirtualKeyToEngineKey(int virtualKey);
// The virtual-key code of the key at this position (US layout); 0 for none and
// for numbers that name no scancode (taken as int: they are no SDL_Scancode).
int ScancodeToVirtualKey(int scancode);
// Both steps at once; 0 means nothing is to be forwarded.
int ScancodeToEngineKey(int scancode);
// 143, 144 or 145 for SDL's left, right and middle buttons; 0 for others.
int MouseButtonToEngineKey(uint8_t button);
// The character a key sends that SDL's text input leaves out: Backspace 8,
// Tab 9, Enter (either) 13, Escape 27; 0 for every other key.
int ScancodeToControlChar(SDL_Scancode scancode);
// Every engine key code that a key or mouse button sends, in code order, with
// the names of what sends it: SDL's key names, which replay files use, and
// "Mouse Left", "Mouse Right", "Mouse Middle".
struct EngineKeyNames {
  int code;
  std::vector<std::string> names;
};
std::vector<EngineKeyNames> ListEngineKeys();

// Hands a key press or release at this position to the engine: its engine key
// (if any) and, on a press, the character SDL's text input leaves out.
void SendKeyToEngine(IKazEngine* engine, SDL_Scancode scancode, bool down);
