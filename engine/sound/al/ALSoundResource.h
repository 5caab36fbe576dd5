// ALSoundResource.h - a WAV file decoded once into one OpenAL buffer, shared
// by every instance that plays it (resource manager "ALSoundResource").
//
// Decoding is bounded by the file's length: the chunks are checked against it
// before ALUT's file-image loader sees them. The
// buffer belongs to the open device: when the manager changes devices it
// releases every resource's buffer and loads them again afterwards.
//
// Depends on ALCommon.h, tier0 (Resource, ResourceManager, FileSystem), ALUT.
#pragma once

#include "sound/al/ALCommon.h"
#include "tier0/Resource.h"

#include <string>

class ALSoundResource : public Resource {
 public:
  explicit ALSoundResource(ResourceManager* manager);
  ~ALSoundResource() override;

  bool Load(bool initial) override;
  void Unload(bool final) override;
  // Instances playing it start the new sound over (looping ones go on looping).
  bool Reload() override;

  ALuint GetBuffer() const { return m_buffer; }
  bool IsLoaded() const { return m_loaded != 0; }

  // Every live resource, on a device change.
  static void ReleaseAllBuffers();
  static void ReloadAllBuffers();

 private:
  // Null on success, else the reason for the log line.
  const char* LoadBuffer();

  ALuint m_buffer = 0;
  uint32_t m_loaded = 0;
};

// The shared resource of that name with one reference for the caller, loaded
// on first use; null after a failed load (logged).
ALSoundResource* GetSoundResource(const std::string& name);
