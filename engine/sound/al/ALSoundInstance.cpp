// ALSoundInstance.cpp - sources over shared buffers or streams.
#include "sound/al/ALSoundInstance.h"

#include "base/Log.h"
#include "base/StringUtil.h"

#include <cmath>

KAZ_DEFINE_POOL(ALSoundInstance, 10);

namespace {
bool IsOggName(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && EqualsNoCase(std::string_view(name).substr(dot + 1), "ogg");
}
}  // namespace

ALSoundInstance* ALSoundInstance::CreateFor(const std::string& fileName, bool positional) {
  Ref<ALSoundInstance> instance = Ref<ALSoundInstance>::Adopt(Create());
  if (!instance) return nullptr;
  instance->m_fileName = fileName;
  instance->m_positional = positional;
  if (!instance->Attach()) return nullptr;  // the reference drop deletes the source
  return instance.Detach();
}

ALSoundInstance::~ALSoundInstance() {
  Detach();
}

bool ALSoundInstance::Attach() {
  m_source = 0;
  alGenSources(1, &m_source);
  if (!ALIsNewSource(m_source)) {
    m_source = 0;
    LogDetail("Failed to create OpenAL source.");
    return false;
  }
  alSourcei(m_source, AL_SOURCE_RELATIVE, m_positional ? AL_FALSE : AL_TRUE);
  if (m_positional) {
    ALfloat position[3];
    ToALVector(m_position, position);
    alSourcefv(m_source, AL_POSITION, position);
  }
  if (IsOggName(m_fileName)) {
    m_stream = std::make_unique<OGGStream>();
    if (!m_stream->Open(m_fileName, m_source)) {
      m_stream.reset();
      return false;
    }
    return true;
  }
  if (!m_resource) m_resource = Ref<ALSoundResource>::Adopt(GetSoundResource(m_fileName));
  if (!m_resource) return false;
  const ALuint buffer = m_resource->GetBuffer();
  alSourcei(m_source, AL_BUFFER, static_cast<ALint>(buffer));
  if (buffer == 0 || ALSourceInt(m_source, AL_BUFFER) != static_cast<ALint>(buffer)) {
    m_resource.Reset();
    LogDetail("Failed to assigen bufer to OpenAL source.");
    return false;
  }
  return true;
}

void ALSoundInstance::Detach() {
  if (m_stream) m_stream->Close();
  m_stream.reset();
  if (m_source) {
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
    alDeleteSources(1, &m_source);
  }
  m_source = 0;
  m_state = SoundState_Stopped;
}

void ALSoundInstance::DetachAll() {
  for (PooledObject* object = s_pool.GetFirstInUse(); object; object = object->GetNextInUse()) {
    auto* instance = static_cast<ALSoundInstance*>(object);
    if (instance->m_detached) continue;
    instance->m_resumeLoop = instance->GetState() == SoundState_Playing && instance->IsLooping();
    instance->Detach();
    instance->m_detached = true;
  }
}

void ALSoundInstance::AttachAll() {
  for (PooledObject* object = s_pool.GetFirstInUse(); object; object = object->GetNextInUse()) {
    auto* instance = static_cast<ALSoundInstance*>(object);
    if (!instance->m_detached) continue;
    instance->m_detached = false;
    // The resource was reloaded on the new device; only its buffer is new.
    if (instance->Attach() && instance->m_resumeLoop) instance->Play(true);
    instance->m_resumeLoop = false;
  }
}

void ALSoundInstance::RebindBuffer(const ALSoundResource* resource) {
  for (PooledObject* object = s_pool.GetFirstInUse(); object; object = object->GetNextInUse()) {
    auto* instance = static_cast<ALSoundInstance*>(object);
    if (!resource || instance->m_resource.Get() != resource || !instance->m_source) continue;
    const ALuint source = instance->m_source;
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(resource->GetBuffer()));
    if (state == AL_PLAYING || state == AL_PAUSED) alSourcePlay(source);
    if (state == AL_PAUSED) alSourcePause(source);
  }
}

void ALSoundInstance::Play(bool loop) {
  if (!m_source) return;
  if (m_stream) {
    m_stream->Play(loop, false);
    return;
  }
  if (GetState() != SoundState_Stopped) return;
  alSourcei(m_source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcePlay(m_source);
  m_state = SoundState_Playing;
}

void ALSoundInstance::Stop() {
  if (!m_source) return;
  if (m_stream) {
    m_stream->Stop();
    return;
  }
  m_state = SoundState_Stopped;
  alSourceStop(m_source);
}

void ALSoundInstance::Pause() {
  if (!m_source) return;
  if (m_stream) {
    m_stream->Pause();
    return;
  }
  if (GetState() != SoundState_Playing) return;
  alSourcePause(m_source);
  m_state = SoundState_Paused;
}

void ALSoundInstance::Resume() {
  if (!m_source) return;
  if (m_stream) {
    m_stream->Resume();
    return;
  }
  if (GetState() != SoundState_Paused) return;
  alSourcePlay(m_source);
  m_state = SoundState_Playing;
}

int ALSoundInstance::GetState() {
  if (!m_source) return SoundState_Stopped;
  if (m_stream) {
    const int state = m_stream->GetState();
    return state >= SoundState_Stopped && state <= SoundState_Paused ? state : SoundState_Stopped;
  }
  // The source knows when a one-shot has run out; the stored state does not.
  ALint sourceState = AL_STOPPED;
  alGetSourcei(m_source, AL_SOURCE_STATE, &sourceState);
  if (sourceState == AL_PLAYING) return m_state = SoundState_Playing;
  if (sourceState == AL_PAUSED) return m_state = SoundState_Paused;
  return m_state = SoundState_Stopped;
}

bool ALSoundInstance::IsLooping() {
  if (!m_source) return false;
  if (m_stream) return m_stream->IsLooping();
  ALint looping = AL_FALSE;
  alGetSourcei(m_source, AL_LOOPING, &looping);
  return looping == AL_TRUE;
}

void ALSoundInstance::SetPosition(const Vector3D& position) {
  if (!m_positional || !m_source) return;
  if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z)) {
    // Once per instance: a broken object would otherwise warn every frame.
    if (!m_warnedPosition)
      LogWarning("Sound '%s': position is not finite; ignored.", m_fileName.c_str());
    m_warnedPosition = true;
    return;
  }
  m_position = position;
  ALfloat v[3];
  ToALVector(position, v);
  alSourcefv(m_source, AL_POSITION, v);
}
