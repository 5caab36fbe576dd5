// ScreenEffects.cpp - see ScreenEffects.h.
#include "core/ScreenEffects.h"

#include <cmath>

namespace {
// t runs from 1 at start to 0 at end; NaN-free for any start/end pair.
float Remaining(double now, double start, double end) {
  double span = end - start;
  if (!(span > 0.0)) return 0.0f;
  double t = 1.0 - (now - start) / span;
  return static_cast<float>(t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t));
}
}  // namespace

void FadeEffect::Start(double now, float duration, bool directionToBlack) {
  start = now;
  end = now + duration;
  toBlack = directionToBlack;
  active = true;
}

float FadeEffect::Update(double now) {
  if (!active) return -1.0f;
  if (now > end || !(end > start)) {
    active = false;
    return -1.0f;
  }
  float t = Remaining(now, start, end);
  if (toBlack) t = 1.0f - t;
  return std::sin(t * 1.57f);
}

void FlashEffect::Start(double now, float duration, float r, float g, float b) {
  red = r;
  green = g;
  blue = b;
  start = now;
  end = now + duration;
  active = true;
}

float FlashEffect::Update(double now) {
  if (!active) return -1.0f;
  if (now > end || !(end > start)) {
    active = false;
    return -1.0f;
  }
  return std::sin(Remaining(now, start, end) * 1.57f);
}
