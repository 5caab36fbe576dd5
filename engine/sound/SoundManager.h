// SoundManager.h - the sound system as the rest of the engine sees it.
//
// One sound manager per process: it opens an output device, moves the
// listener with the camera and makes sound instances. An instance plays one
// file: a WAV from a shared, decoded buffer or an Ogg Vorbis file streamed on
// a worker thread. The platform implementation (OpenAL) is chosen in
// SoundManager.cpp and lives in sound/al/; nothing here names it.
//
// Coordinates are the engine's (left-handed: x right, y up, z forward); the
// implementation converts. Main thread only, except what the stream workers
// do behind an instance.
//
// Depends on tier0 (Matrix4x4, Vector3D, ObjectPool) and tier1/SoundObject.h
// (the hooks world sound objects play through).
#pragma once

#include "tier0/Matrix.h"
#include "tier0/ObjectPool.h"
#include "tier0/Vector.h"

#include <string>
#include <vector>

enum SoundState : int { SoundState_Stopped = 0, SoundState_Playing = 1, SoundState_Paused = 2 };

// A playing (or playable) sound. Pooled and reference counted: the factory
// hands out one reference.
class SoundInstance : public PooledObject {
 public:
  virtual void Play(bool loop) = 0;
  virtual void Stop() = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual int GetState() = 0;
  virtual bool IsLooping() = 0;
  // Ignored by non-positional instances, which follow the listener.
  virtual void SetPosition(const Vector3D& position) = 0;
  virtual void SetVelocity(const Vector3D& velocity) = 0;

 protected:
  SoundInstance() = default;
};

class SoundManager {
 public:
  virtual ~SoundManager() = default;
  // Opens the device named by SoundDevType; when one was open, everything is
  // moved over to the new one (also how "restartsound" works).
  virtual bool Init() = 0;
  virtual float GetCPUUsage() = 0;
  // The camera's transform: rows 0 to 2 its right, up and forward axes.
  virtual void SetListenerTransform(const Matrix4x4& transform) = 0;
  virtual void SetListenerVelocity(const Vector3D& velocity) = 0;
  // True while an output device is open.
  virtual bool IsOpen() const = 0;
};

// Null (with the reason logged) when the platform has no usable sound API.
SoundManager* CreateSoundManager();
void DestroySoundManager();
SoundManager* GetSoundManager();

// A new instance of the file ("*.ogg", any case, streams), or null after a
// log line. Positional instances are placed in the world; the others play at
// the listener.
SoundInstance* CreateSoundInstance(const std::string& fileName, bool positional);

// Installs the world's sound object hooks while a manager has an open device,
// removes them otherwise: without a device, sound objects are silent rather
// than refused. Call after every Init and after DestroySoundManager.
void UpdateSoundObjectHooks();

// The statistics block: a title, the figures, a blank line.
std::vector<std::string> GetSoundStatsLines();

// The platform's implementation, defined in its own corner (sound/al/): a
// manager whose devices are enumerated (null after a log line), and instances.
SoundManager* CreatePlatformSoundManager();
SoundInstance* CreatePlatformSoundInstance(const std::string& fileName, bool positional);
