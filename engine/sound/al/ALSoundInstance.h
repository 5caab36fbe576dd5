// ALSoundInstance.h - one OpenAL source playing a shared WAV buffer or its
// own Ogg stream (pool "ALSoundInstance").
//
// The state of a buffered sound is read from its source, so a one-shot that
// reached its end reads as stopped and plays again. When the manager changes
// devices it detaches every live instance (source and stream released, what
// was playing in a loop remembered) and attaches them again afterwards.
//
// Depends on ALCommon.h, ALSoundResource, OGGStream, tier0/ObjectPool, Ref.
#pragma once

#include "sound/SoundManager.h"
#include "sound/al/ALCommon.h"
#include "sound/al/ALSoundResource.h"
#include "sound/al/OGGStream.h"
#include "tier0/Ref.h"

#include <memory>
#include <string>

class ALSoundInstance : public SoundInstance {
  KAZ_POOLED_CLASS(ALSoundInstance)

 public:
  // A new instance with one reference, or null after a log line.
  static ALSoundInstance* CreateFor(const std::string& fileName, bool positional);

  void Play(bool loop) override;
  void Stop() override;
  void Pause() override;
  void Resume() override;
  int GetState() override;
  bool IsLooping() override;
  void SetPosition(const Vector3D& position) override;
  void SetVelocity(const Vector3D&) override {}

  ALuint GetSource() const { return m_source; }
  OGGStream* GetStream() const { return m_stream.get(); }
  ALSoundResource* GetResource() const { return m_resource.Get(); }
  bool IsPositional() const { return m_positional; }

  // Every live instance, around a device change.
  static void DetachAll();
  static void AttachAll();
  // Every instance of the resource takes its (new) buffer; what was playing
  // plays again from the start, what was paused stays paused at the start.
  static void RebindBuffer(const ALSoundResource* resource);

 private:
  ALSoundInstance() = default;
  ~ALSoundInstance() override;

  // Source, stream or buffer for the file; false after a log line.
  bool Attach();
  void Detach();

  Ref<ALSoundResource> m_resource;
  std::unique_ptr<OGGStream> m_stream;
  int m_state = SoundState_Stopped;
  ALuint m_source = 0;
  bool m_positional = true;
  std::string m_fileName;
  Vector3D m_position;
  bool m_detached = false;
  bool m_resumeLoop = false;  // was playing in a loop when detached
  bool m_warnedPosition = false;
};
