// Shared helpers for the test effects.
#ifndef SCALE
#define SCALE 1.0
#endif
glsl Helpers {
  vec4 Scale(vec4 c) { return c * SCALE; }
}
