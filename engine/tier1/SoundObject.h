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

// What the sound manager provides for sound objects. An instance handle holds
// one reference from `create` until `release`.
struct SoundObjectHooks {
  void* (*create)(const char* fileName, bool positional);
  void (*release)(void* instance);
  void (*play)(void* instance, bool loop);
  void (*pause)(void* instance);
  void (*resume)(void* instance);
  void (*setPosition)(void* instance, const Vector3D& position);
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
  void* GetInstance() const { return m_instance; }

 private:
  SoundObject() = default;
  ~SoundObject() override;
  void ReleaseInstance();

  void* m_instance = nullptr;
  const SoundObjectHooks* m_hooks = nullptr;  // those that made the instance
  bool m_loop = false;
};
