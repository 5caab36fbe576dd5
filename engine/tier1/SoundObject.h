// SoundObject.h - a sound emitter placed in the world.
//
// The sound layer plugs in through SoundObjectHooks; without hooks (no sound
// manager) sound objects are silent but otherwise behave normally. With hooks,
// a named file that cannot be opened makes creation fail.
//
// Depends on tier1/WorldObject.h.
#pragma once

#include "tier1/WorldObject.h"

#include <string>

struct SoundObjectParams : ObjectParams {
  SoundObjectParams() : ObjectParams(ObjectType_Sound, ObjectParamsVariant::Sound) {}
  std::string fileName;
  bool play = false;
  bool loop = false;
  bool positional = true;
};

// A playing sound of the sound layer (sound/SoundManager.h, above the world):
// sound objects hold one and hand it back to the hooks, never looking into it.
class SoundInstance;

// What the sound manager provides for sound objects. An instance holds one
// reference from Create until Release.
class SoundObjectHooks {
 public:
  // Null when the file cannot be played (the sound layer says why).
  virtual SoundInstance* Create(const char* fileName, bool positional) const = 0;
  virtual void Release(SoundInstance* instance) const = 0;
  virtual void Play(SoundInstance* instance, bool loop) const = 0;
  virtual void Pause(SoundInstance* instance) const = 0;
  virtual void Resume(SoundInstance* instance) const = 0;
  virtual void SetPosition(SoundInstance* instance, const Vector3D& position) const = 0;

 protected:
  ~SoundObjectHooks() = default;
};

// Null removes them. The hooks must outlive every sound object made with them.
void SetSoundObjectHooks(const SoundObjectHooks* hooks);
const SoundObjectHooks* GetSoundObjectHooks();

class SoundObject : public WorldObject {
  KAZ_POOLED_CLASS(SoundObject)

 public:
  uint32_t GetType() const override { return ObjectType_Sound; }
  void SetWorldTransform(const Matrix4x4& matrix) override;
  bool Create(World* world, const ObjectParams& params) override;
  void Destroy() override;

  void Play(bool loop);
  void Pause(bool pause);
  bool IsLooping() const { return m_loop; }
  SoundInstance* GetInstance() const { return m_instance; }

 private:
  SoundObject() = default;
  ~SoundObject() override;
  void ReleaseInstance();

  SoundInstance* m_instance = nullptr;
  const SoundObjectHooks* m_hooks = nullptr;  // those that made the instance
  bool m_loop = false;
};
