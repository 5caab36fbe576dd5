// ALCommon.h - the OpenAL headers and the small helpers every file of the
// OpenAL corner shares. Only files under sound/al/ include this.
#pragma once

#include "tier0/Vector.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

// Forgets any pending error, so that the next check sees only what follows.
inline void ClearALError() {
  alGetError();
}

// OpenAL is right-handed and the engine left-handed: flipping z maps one onto
// the other for positions and directions alike.
inline void ToALVector(const Vector3D& v, ALfloat out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = -v.z;
}
