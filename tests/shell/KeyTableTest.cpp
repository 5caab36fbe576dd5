// Key translation: the virtual-key table entry by entry, and the scancode,
// mouse-button and control-character mappings.
#include "KeyTable.h"

#include <SDL_keyboard.h>
#include <gtest/gtest.h>

#include <map>

namespace {

// Virtual key -> engine key code, every entry the game's key codes define.
const std::map<int, int> kExpected = {
    {8, 14},    {9, 15},    {13, 28},   {16, 41},   {17, 105},  {19, 117},  {20, 56},   {21, 88},
    {25, 99},   {27, 1},    {28, 90},   {29, 91},   {32, 55},   {33, 120},  {34, 125},  {35, 123},
    {36, 118},  {37, 121},  {38, 119},  {39, 122},  {40, 124},  {45, 126},  {46, 127},  {48, 2},
    {49, 3},    {50, 4},    {51, 5},    {52, 6},    {53, 7},    {54, 8},    {55, 9},    {56, 10},
    {57, 11},   {'A', 29},  {'B', 47},  {'C', 45},  {'D', 31},  {'E', 18},  {'F', 32},  {'G', 33},
    {'H', 34},  {'I', 23},  {'J', 35},  {'K', 36},  {'L', 37},  {'M', 49},  {'N', 48},  {'O', 24},
    {'P', 25},  {'Q', 16},  {'R', 19},  {'S', 30},  {'T', 20},  {'U', 22},  {'V', 46},  {'W', 17},
    {'X', 44},  {'Y', 21},  {'Z', 43},  {91, 128},  {92, 129},  {93, 130},  {95, 132},  {96, 80},
    {97, 77},   {98, 78},   {99, 79},   {100, 73},  {101, 74},  {102, 75},  {103, 69},  {104, 70},
    {105, 71},  {106, 53},  {107, 76},  {109, 72},  {110, 81},  {111, 114}, {112, 57},  {113, 58},
    {114, 59},  {115, 60},  {116, 61},  {117, 62},  {118, 63},  {119, 64},  {120, 65},  {121, 66},
    {122, 83},  {123, 84},  {124, 85},  {125, 86},  {126, 87},  {144, 67},  {145, 68},  {146, 94},
    {160, 41},  {161, 41},  {162, 105}, {163, 105}, {164, 54},  {165, 116}, {166, 139}, {167, 138},
    {168, 136}, {169, 137}, {170, 134}, {171, 135}, {172, 112}, {173, 106}, {174, 110}, {175, 111},
    {176, 103}, {177, 95},  {178, 109}, {179, 108}, {180, 141}, {181, 142}, {187, 76},  {188, 50},
    {189, 72},  {190, 51},
};

TEST(VirtualKeyTable, EveryEntryMatchesAndAllOthersAreEmpty) {
  ASSERT_EQ(kVirtualKeyTable.size(), 193u);
  for (int vk = 0; vk < kVirtualKeyCount; ++vk) {
    auto it = kExpected.find(vk);
    int expected = it == kExpected.end() ? 0 : it->second;
    EXPECT_EQ(kVirtualKeyTable[vk], expected) << "virtual key " << vk;
    EXPECT_EQ(VirtualKeyToEngineKey(vk), expected) << "virtual key " << vk;
  }
}

TEST(VirtualKeyTable, CodesOutsideTheTableGiveNothing) {
  for (int vk : {-1, 193, 219, 222, 254, 255, 256, 100000}) {
    EXPECT_EQ(VirtualKeyToEngineKey(vk), 0) << vk;
  }
}

TEST(ScancodeMapping, KeysMapByPosition) {
  const std::pair<SDL_Scancode, int> cases[] = {
      {SDL_SCANCODE_A, 29},          {SDL_SCANCODE_S, 30},         {SDL_SCANCODE_Z, 43},
      {SDL_SCANCODE_1, 3},           {SDL_SCANCODE_9, 11},         {SDL_SCANCODE_0, 2},
      {SDL_SCANCODE_ESCAPE, 1},      {SDL_SCANCODE_RETURN, 28},    {SDL_SCANCODE_KP_ENTER, 28},
      {SDL_SCANCODE_BACKSPACE, 14},  {SDL_SCANCODE_TAB, 15},       {SDL_SCANCODE_SPACE, 55},
      {SDL_SCANCODE_LSHIFT, 41},     {SDL_SCANCODE_RSHIFT, 41},    {SDL_SCANCODE_LCTRL, 105},
      {SDL_SCANCODE_RCTRL, 105},     {SDL_SCANCODE_LALT, 54},      {SDL_SCANCODE_RALT, 116},
      {SDL_SCANCODE_F1, 57},         {SDL_SCANCODE_F8, 64},        {SDL_SCANCODE_F9, 65},
      {SDL_SCANCODE_F10, 66},        {SDL_SCANCODE_F11, 83},       {SDL_SCANCODE_F15, 87},
      {SDL_SCANCODE_UP, 119},        {SDL_SCANCODE_PAGEDOWN, 125}, {SDL_SCANCODE_DELETE, 127},
      {SDL_SCANCODE_KP_0, 80},       {SDL_SCANCODE_KP_7, 69},      {SDL_SCANCODE_KP_PLUS, 76},
      {SDL_SCANCODE_KP_DIVIDE, 114}, {SDL_SCANCODE_KP_EQUALS, 94}, {SDL_SCANCODE_NUMLOCKCLEAR, 67},
      {SDL_SCANCODE_EQUALS, 76},     {SDL_SCANCODE_MINUS, 72},     {SDL_SCANCODE_COMMA, 50},
      {SDL_SCANCODE_PERIOD, 51},     {SDL_SCANCODE_LGUI, 128},     {SDL_SCANCODE_APPLICATION, 130},
      {SDL_SCANCODE_AUDIONEXT, 103}, {SDL_SCANCODE_VOLUMEUP, 111}, {SDL_SCANCODE_AC_HOME, 112},
  };
  for (const auto& [scancode, code] : cases) {
    EXPECT_EQ(ScancodeToEngineKey(scancode), code) << SDL_GetScancodeName(scancode);
  }
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
  EXPECT_EQ(ScancodeToEngineKey(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES)), 0);
  EXPECT_EQ(ScancodeToEngineKey(static_cast<SDL_Scancode>(-5)), 0);
}

TEST(ScancodeMapping, EveryCodeProducedIsAKeyboardCode) {
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    int code = ScancodeToEngineKey(static_cast<SDL_Scancode>(sc));
    EXPECT_TRUE(code >= 0 && code <= 142) << sc << " -> " << code;
  }
}

TEST(ScancodeMapping, MouseButtonsAndControlCharacters) {
  EXPECT_EQ(MouseButtonToEngineKey(SDL_BUTTON_LEFT), 143);
  EXPECT_EQ(MouseButtonToEngineKey(SDL_BUTTON_RIGHT), 144);
  EXPECT_EQ(MouseButtonToEngineKey(SDL_BUTTON_MIDDLE), 145);
  EXPECT_EQ(MouseButtonToEngineKey(SDL_BUTTON_X1), 0);

  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_BACKSPACE), 8);
  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_TAB), 9);
  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_RETURN), 13);
  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_KP_ENTER), 13);
  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_ESCAPE), 27);
  EXPECT_EQ(ScancodeToControlChar(SDL_SCANCODE_A), 0);
}

}  // namespace
