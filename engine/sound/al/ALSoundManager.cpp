// ALSoundManager.cpp - device enumeration, opening and the listener.
#include "sound/al/ALSoundManager.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "console/CVarRegistry.h"
#include "sound/al/ALSoundInstance.h"
#include "sound/al/ALSoundResource.h"

#include <AL/alut.h>

#include <cmath>
#include <cstring>

namespace {
// ALUT is process-wide; every manager (tests make several) holds it once.
int g_alutUsers = 0;

bool AllFinite(const ALfloat* v, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}
}  // namespace

ALSoundManager::ALSoundManager() {
  // ALUT decodes WAV images for the resources; it needs no context of its own.
  if (g_alutUsers++ == 0) alutInitWithoutContext(nullptr, nullptr);
}

ALSoundManager::~ALSoundManager() {
  Shutdown();
  if (--g_alutUsers == 0) alutExit();
}

bool ALSoundManager::Enumerate() {
  const bool has = alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT") == ALC_TRUE;
  const char* defaultName = has ? alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER) : nullptr;
  const char* list = has ? alcGetString(nullptr, ALC_DEVICE_SPECIFIER) : nullptr;
  return Enumerate(has, defaultName, list);
}

bool ALSoundManager::Enumerate(bool hasExtension, const char* defaultName, const char* list) {
  if (!hasExtension) {
    LogError("OpenAL ALC_ENUMERATION_EXT is not present!");
    return false;
  }
  m_names.clear();
  m_defaultIndex = m_hardwareIndex = m_softwareIndex = 0;
  const std::string defaultText = defaultName ? defaultName : "";
  for (const char* name = list; name && *name && m_names.size() < kMaxDevices;
       name += std::strlen(name) + 1) {
    const int index = static_cast<int>(m_names.size());
    if (defaultName && defaultText == name)
      m_defaultIndex = m_hardwareIndex = m_softwareIndex = index;
    if (std::strstr(name, "Software")) m_softwareIndex = index;
    if (std::strstr(name, "Hardware")) m_hardwareIndex = index;
    m_names.emplace_back(name);
  }
  return true;
}

const char* ALSoundManager::ChooseDevice(const std::string& devType) const {
  if (EqualsNoCase(devType, "mute")) return nullptr;
  int index = m_defaultIndex;
  if (EqualsNoCase(devType, "hw"))
    index = m_hardwareIndex;
  else if (EqualsNoCase(devType, "sw"))
    index = m_softwareIndex;
  if (index < 0 || static_cast<size_t>(index) >= m_names.size()) return nullptr;
  return m_names[static_cast<size_t>(index)].c_str();
}

bool ALSoundManager::Init() {
  Shutdown();
  const std::string devType = CVarRegistry::Instance().SoundDevType.Get();
  if (!OpenDevice(ChooseDevice(devType))) return false;
  // Everything that lived on the old device is made again on this one.
  ALSoundResource::ReloadAllBuffers();
  ALSoundInstance::AttachAll();
  return true;
}

bool ALSoundManager::OpenDevice(const char* name) {
  const char* shown = name ? name : "";
  m_device = alcOpenDevice(name);
  if (!m_device) {
    LogError("Failed to create OpenAL device: %s", shown);
    return false;
  }
  m_context = alcCreateContext(m_device, nullptr);
  if (!m_context) {
    alcCloseDevice(m_device);
    m_device = nullptr;
    LogError("Failed to create OpenAL context");
    return false;
  }
  alcGetError(m_device);
  alcMakeContextCurrent(m_context);
  if (alcGetError(m_device) != ALC_NO_ERROR) {
    alcDestroyContext(m_context);
    alcCloseDevice(m_device);
    m_context = nullptr;
    m_device = nullptr;
    LogError("Failed to set OpenAL Context");
    return false;
  }
  ALCint major = 0, minor = 0;
  alcGetIntegerv(m_device, ALC_MAJOR_VERSION, 1, &major);
  alcGetIntegerv(m_device, ALC_MINOR_VERSION, 1, &minor);
  LogMessage("Initialized sound (%s) - OpenAL Version %d.%d", shown, major, minor);
  return true;
}

void ALSoundManager::Shutdown() {
  if (!m_device) return;
  ALSoundInstance::DetachAll();
  ALSoundResource::ReleaseAllBuffers();
  alcMakeContextCurrent(nullptr);
  if (m_context) alcDestroyContext(m_context);
  alcCloseDevice(m_device);
  m_context = nullptr;
  m_device = nullptr;
}

void ALSoundManager::SetListenerTransform(const Matrix4x4& m) {
  if (!m_context) return;
  ALfloat position[3], orientation[6];
  ToALVector(Vector3D(m[3], m[7], m[11]), position);
  ToALVector(Vector3D(m[8], m[9], m[10]), orientation);  // "at": the forward axis
  ToALVector(Vector3D(m[4], m[5], m[6]), orientation + 3);
  if (!AllFinite(position, 3) || !AllFinite(orientation, 6)) {
    // A broken camera would silence the mix for good: keep the last good one.
    if (!m_warnedBadListener) LogWarning("Sound listener transform is not finite; ignored.");
    m_warnedBadListener = true;
    return;
  }
  alListenerfv(AL_POSITION, position);
  alListenerfv(AL_ORIENTATION, orientation);
}

void ALSoundManager::SetListenerVelocity(const Vector3D& velocity) {
  if (!m_context) return;
  ALfloat v[3];
  ToALVector(velocity, v);
  if (AllFinite(v, 3)) alListenerfv(AL_VELOCITY, v);
}
