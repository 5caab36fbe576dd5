// GLFunctions.cpp - loads the OpenGL entry points through SDL.
#include "render/gl/GLFunctions.h"

#include <SDL2/SDL.h>

namespace kgl {
#define KAZ_GL(type, name) type name = nullptr;
KAZ_GL_FUNCTIONS
#undef KAZ_GL

bool Load(std::string* missing) {
#define KAZ_GL(type, name)                                          \
  name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name)); \
  if (!name) {                                                      \
    if (missing) *missing = "gl" #name;                             \
    return false;                                                   \
  }
  KAZ_GL_FUNCTIONS
#undef KAZ_GL
  return true;
}
}  // namespace kgl
