// Finite.h - refusal of NaN and infinite values at the world's entry points.
//
// Scripts pass whatever numbers they have; one NaN inside the physics spreads
// to every body it touches. Each entry point that hands positions, matrices,
// velocities, impulses, forces or sizes on checks them first: a value that
// is not finite is refused with one warning and changes nothing.
//
// Builds on tier0/MathFunctions.h and base/Log.h.
#pragma once

#include "base/Log.h"
#include "tier0/MathFunctions.h"

template <class... Values>
bool AcceptFinite(const char* where, const Values&... values) {
  if ((IsFinite(values) && ...)) return true;
  LogWarning("%s: refused a value that is not a finite number.", where);
  return false;
}
