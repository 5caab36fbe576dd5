// BenchGL.h - what the OpenGL benchmarks share: a hidden window on SDL's
// offscreen driver and the shader program of a plain-GL baseline.
//
// Builds on SDL2 and the engine's GL function table (render/gl/GLFunctions.h).
#pragma once

#include <SDL2/SDL.h>

#include <cstdlib>
#include <string>

#include "render/gl/GLFunctions.h"

namespace bench {

// A hidden OpenGL window of the given size, offscreen unless the user chose a
// video driver; null with SDL's reason in *error.
inline SDL_Window* OpenWindow(int width, int height, std::string* error) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  SDL_Window* window = nullptr;
  if (SDL_Init(SDL_INIT_VIDEO) == 0)
    window = SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window && error) *error = SDL_GetError();
  return window;
}

// Compiles and links a vertex and a fragment stage.
inline GLuint LinkProgram(const char* vertexSource, const char* fragmentSource) {
  GLuint program = kgl::CreateProgram();
  for (auto [type, source] : {std::pair{GLenum(GL_VERTEX_SHADER), vertexSource},
                              std::pair{GLenum(GL_FRAGMENT_SHADER), fragmentSource}}) {
    GLuint shader = kgl::CreateShader(type);
    kgl::ShaderSource(shader, 1, &source, nullptr);
    kgl::CompileShader(shader);
    kgl::AttachShader(program, shader);
    kgl::DeleteShader(shader);
  }
  kgl::LinkProgram(program);
  return program;
}

}  // namespace bench
