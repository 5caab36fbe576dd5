// SoundObject.cpp - sound emitters over the installed sound hooks.
#include "tier1/SoundObject.h"

#include "tier1/Finite.h"

KAZ_DEFINE_POOL(SoundObject, 10);

namespace {
const SoundObjectHooks* g_hooks = nullptr;
}

void SetSoundObjectHooks(const SoundObjectHooks* hooks) {
  g_hooks = hooks;
}
const SoundObjectHooks* GetSoundObjectHooks() {
  return g_hooks;
}

SoundObject::~SoundObject() {
  ReleaseInstance();
}

bool SoundObject::Create(World* world, const ObjectParams& params) {
  if (!WorldObject::Create(world, params)) return false;
  if (params.variant != ObjectParamsVariant::Sound) return true;
  const auto& sound = static_cast<const SoundObjectParams&>(params);
  if (sound.fileName.empty() || !g_hooks) return true;  // silent
  m_instance = g_hooks->Create(sound.fileName.c_str(), sound.positional);
  if (!m_instance) return false;  // the sound layer said why
  m_hooks = g_hooks;
  m_hooks->SetPosition(m_instance, GetWorldTransform().GetTranslation());
  m_loop = sound.loop;
  if (sound.play) Play(m_loop);
  return true;
}

void SoundObject::ReleaseInstance() {
  if (m_instance && m_hooks) m_hooks->Release(m_instance);
  m_instance = nullptr;
  m_hooks = nullptr;
}

void SoundObject::Destroy() {
  ReleaseInstance();
  WorldObject::Destroy();
}

void SoundObject::SetWorldTransform(const Matrix4x4& matrix) {
  if (!AcceptFinite("SetWorldTransform", matrix)) return;
  WorldObject::SetWorldTransform(matrix);
  if (m_instance) m_hooks->SetPosition(m_instance, matrix.GetTranslation());
}

void SoundObject::Play(bool loop) {
  if (m_instance) m_hooks->Play(m_instance, loop);
}

void SoundObject::Pause(bool pause) {
  if (!m_instance) return;
  if (pause)
    m_hooks->Pause(m_instance);
  else
    m_hooks->Resume(m_instance);
}
