// ScreenEffects.h - timing of the full-screen fade and flash.
//
// Both are quads over the whole screen whose opacity follows
// sin(t * 1.57) as t runs from 1 to 0 over the effect's duration. They keep
// their state and timing here; the frame loop draws them with the opacity
// this reports. A duration of 0 (or less) ends the effect at once: no
// division by zero, no NaN opacity.
// Builds on nothing.
#pragma once

// The effect the screen flash is drawn with (a package file).
constexpr const char* kScreenFlashEffectFile = "RenderEffects/internal/ScreenFlash.fx";

struct FadeEffect {
  bool active = false;
  bool toBlack = false;  // the direction flag: set fades the screen to black
  double start = 0.0, end = 0.0;

  void Start(double now, float duration, bool directionToBlack);
  void Stop() { active = false; }
  // Opacity of the black quad at now, or a negative value when nothing is
  // drawn; an ended fade becomes inactive.
  float Update(double now);
};

struct FlashEffect {
  bool active = false;
  float red = 0.0f, green = 0.0f, blue = 0.0f;
  double start = 0.0, end = 0.0;

  void Start(double now, float duration, float r, float g, float b);
  void Stop() { active = false; }
  float Update(double now);
};
