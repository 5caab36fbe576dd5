// ALSoundResource.cpp - WAV files decoded into OpenAL buffers.
#include "sound/al/ALSoundResource.h"

#include "core/Log.h"
#include "core/StringUtil.h"
#include "sound/SoundManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

#include <AL/alut.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
ResourceManager g_soundResources("ALSoundResource");

// Every constructed resource, so that a device change reaches them all.
std::vector<ALSoundResource*>& LiveResources() {
  static std::vector<ALSoundResource*> live;
  return live;
}

std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : ToLowerAscii(name.substr(dot + 1));
}
}  // namespace

ALSoundResource* GetSoundResource(const std::string& name) {
  return g_soundResources.GetOrLoad<ALSoundResource>(name);
}

ALSoundResource::ALSoundResource(ResourceManager* manager) : Resource(manager) {
  LiveResources().push_back(this);
}

ALSoundResource::~ALSoundResource() {
  auto& live = LiveResources();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

bool ALSoundResource::Load(bool) {
  const char* reason = LoadBuffer();
  if (!reason) return true;
  if (m_buffer) alDeleteBuffers(1, &m_buffer);
  m_buffer = 0;
  m_loaded = 0;
  LogError("Failed to load sound '%s': %s", GetName().c_str(), reason);
  return false;
}

const char* ALSoundResource::LoadBuffer() {
  if (!GetSoundManager()) return "manager not initialized";
  const std::string extension = ExtensionOf(GetName());
  if (extension == "ogg") return "unknown format";
  if (extension != "wav") return "could not determine file format";

  FileSystem::File file;
  if (!file.OpenRead(GetName())) return "could not open file";
  std::vector<char> image(file.GetLength());
  if (file.Read(image.data(), static_cast<uint32_t>(image.size())) != image.size())
    return "failed to read file into memory";
  file.Close();

  ClearALError();
  alGenBuffers(1, &m_buffer);
  if (alGetError() != AL_NO_ERROR) {
    m_buffer = 0;
    return "failed to create buffer";
  }
  // The file-image loader is told the length, so a truncated file is refused
  // instead of being read past its end.
  ALenum format = 0;
  ALsizei size = 0;
  ALfloat frequency = 0.0f;
  void* data = alutLoadMemoryFromFileImage(image.data(), static_cast<ALsizei>(image.size()),
                                           &format, &size, &frequency);
  if (!data) return "failed to read WAV data";
  ClearALError();
  alBufferData(m_buffer, format, data, size, static_cast<ALsizei>(frequency));
  std::free(data);
  if (alGetError() != AL_NO_ERROR) return "failed to load WAV data into AL buffer";
  m_loaded = 1;
  return nullptr;
}

void ALSoundResource::Unload(bool) {
  if (m_buffer) alDeleteBuffers(1, &m_buffer);
  m_buffer = 0;
  m_loaded = 0;
}

void ALSoundResource::ReleaseAllBuffers() {
  for (ALSoundResource* resource : LiveResources()) resource->Unload(false);
}

void ALSoundResource::ReloadAllBuffers() {
  for (ALSoundResource* resource : LiveResources()) {
    if (!resource->m_buffer) resource->Load(false);
  }
}
