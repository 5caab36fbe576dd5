// TestWindow.h - one hidden OpenGL window per test process for engine start-ups.
//
// SDL stays initialised until the process ends: shutting it down unloads
// Mesa's EGL, which leaves bytes behind that LeakSanitizer cannot attribute.
#pragma once

#include <SDL2/SDL.h>

inline SDL_Window* TestWindow() {
  static SDL_Window* window = [] {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return static_cast<SDL_Window*>(nullptr);
    return SDL_CreateWindow("kaz test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 320, 240,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  }();
  return window;
}

#define KAZ_REQUIRE_TEST_WINDOW()                                                                  \
  do {                                                                                             \
    if (!TestWindow()) GTEST_SKIP() << "no OpenGL window can be created here: " << SDL_GetError(); \
  } while (0)
