// ALCommon.h - the OpenAL headers and the small helpers every file of the
// OpenAL corner shares. Only files under sound/al/ include this.
#pragma once

#include "tier0/Vector.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

// OpenAL keeps one error flag per context, and the stream workers share the
// context with the main thread: a check of that flag could read another
// thread's error. So no check here reads it; each asks the object it made or
// changed whether the call took effect.

// A name alGen* wrote (a failed call leaves the zero it was given).
inline bool ALIsNewSource(ALuint source) {
  return source != 0 && alIsSource(source);
}
inline bool ALIsNewBuffer(ALuint buffer) {
  return buffer != 0 && alIsBuffer(buffer);
}
// Whether alBufferData stored that many bytes of 16-bit samples.
inline bool ALBufferHolds(ALuint buffer, ALsizei bytes) {
  ALint size = -1;
  alGetBufferi(buffer, AL_SIZE, &size);
  return size == bytes;
}
inline ALint ALSourceInt(ALuint source, ALenum what) {
  ALint value = 0;
  alGetSourcei(source, what, &value);
  return value;
}

// OpenAL is right-handed and the engine left-handed: flipping z maps one onto
// the other for positions and directions alike.
inline void ToALVector(const Vector3D& v, ALfloat out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = -v.z;
}
