// KeyTableTest.cpp - key translation checked against the keyboard's layout and
// the engine's own key names rather than entry by entry, and the keys that send
// nothing.
#include "KeyTable.h"
#include "core/Engine.h"  // the engine's names for the keys it reacts to

#include <SDL_keyboard.h>
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace {

// Virtual keys per engine code (or scancodes per virtual key) where more than one gives it.
template <class Map>
std::map<int, std::vector<int>> Shared(int count, Map map) {
  std::map<int, std::vector<int>> byResult;
  for (int from = 0; from < count; ++from) {
    if (int to = map(from)) byResult[to].push_back(from);
  }
  std::erase_if(byResult, [](const auto& entry) { return entry.second.size() < 2; });
  return byResult;
}

// A wrong entry either breaks a run of the keyboard's layout, disagrees with
// the engine's name for the key, or gives a code another key already has.
TEST(VirtualKeyTable, AgreesWithTheKeyboardAndTheEngine) {
  // Letter codes run row by row across the keyboard; digits and F1..F10 in order.
  for (auto [row, first] : {std::pair{"QWERTYUIOP", 16}, {"ASDFGHJKL", 29}, {"ZXCVBNM", 43}}) {
    for (int i = 0; row[i]; ++i) EXPECT_EQ(VirtualKeyToEngineKey(row[i]), first + i) << row[i];
  }
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(VirtualKeyToEngineKey('0' + i), 2 + i) << "digit " << i;
    EXPECT_EQ(VirtualKeyToEngineKey(112 + i), 57 + i) << "F" << i + 1;
  }
  const std::pair<int, int> named[] = {
      {27, EngineKey_Escape}, {119, EngineKey_F8},      {120, EngineKey_F9},
      {36, EngineKey_Home},   {38, EngineKey_Up},       {33, EngineKey_PageUp},
      {37, EngineKey_Left},   {39, EngineKey_Right},    {35, EngineKey_End},
      {40, EngineKey_Down},   {34, EngineKey_PageDown}, {46, EngineKey_Delete}};
  for (auto [vk, code] : named) EXPECT_EQ(VirtualKeyToEngineKey(vk), code) << "virtual key " << vk;

  // Only the generic and sided Shift and Control and the two + and - keys share.
  const std::map<int, std::vector<int>> aliases = {
      {41, {16, 160, 161}}, {72, {109, 189}}, {76, {107, 187}}, {105, {17, 162, 163}}};
  EXPECT_EQ(Shared(kVirtualKeyCount, VirtualKeyToEngineKey), aliases);
  for (int vk = 0; vk < kVirtualKeyCount; ++vk) {
    EXPECT_LT(VirtualKeyToEngineKey(vk), EngineKey_MouseLeft) << "virtual key " << vk;
  }
}

TEST(ScancodeMapping, LettersAndDigitsKeepTheirNamesAndFewKeysShare) {
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(ScancodeToVirtualKey(SDL_SCANCODE_A + i), 'A' + i);
  }
  EXPECT_EQ(ScancodeToVirtualKey(SDL_SCANCODE_0), '0');
  EXPECT_EQ(ScancodeToVirtualKey(SDL_SCANCODE_9), '9');
  // Both Enters, both mute keys and the two backslash positions.
  const std::map<int, std::vector<int>> aliases = {
      {13, {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER}},
      {173, {SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE}},
      {220, {SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH}}};
  EXPECT_EQ(Shared(SDL_NUM_SCANCODES, [](int sc) { return ScancodeToVirtualKey(sc); }), aliases);
}

TEST(ScancodeMapping, KeysWithoutACodeSendNothing) {
  // '`' is VK 192, inside the table but empty: the console opens on the character.
  EXPECT_EQ(ScancodeToVirtualKey(SDL_SCANCODE_GRAVE), 192);
  EXPECT_EQ(ScancodeToEngineKey(SDL_SCANCODE_GRAVE), 0);
  // Brackets and the apostrophe are beyond 192.
  EXPECT_EQ(ScancodeToVirtualKey(SDL_SCANCODE_LEFTBRACKET), 219);
  EXPECT_EQ(ScancodeToEngineKey(SDL_SCANCODE_LEFTBRACKET), 0);
  EXPECT_EQ(ScancodeToEngineKey(SDL_SCANCODE_APOSTROPHE), 0);
  EXPECT_EQ(ScancodeToEngineKey(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(ScancodeToEngineKey(SDL_NUM_SCANCODES), 0);
  EXPECT_EQ(ScancodeToEngineKey(-5), 0);
  for (int vk : {-1, 193, 255, 100000}) EXPECT_EQ(VirtualKeyToEngineKey(vk), 0) << vk;
  EXPECT_EQ(MouseButtonToEngineKey(SDL_BUTTON_X1), 0);
  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_A), 0);
}

}  // namespace
