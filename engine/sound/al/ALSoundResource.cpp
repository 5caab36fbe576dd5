// ALSoundResource.cpp - WAV files decoded into OpenAL buffers.
#include "sound/al/ALSoundResource.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "sound/SoundManager.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

#include <AL/alut.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
ResourceManager g_soundResources("ALSoundResource");

// Every constructed resource, so that a device change reaches them all.
std::vector<ALSoundResource*>& LiveResources() {
  static std::vector<ALSoundResource*> live;
  return live;
}

uint32_t ReadLE32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
void AppendLE32(std::vector<char>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// ALUT's loader trusts the chunk sizes inside the image and reads past its end
// when they lie. So only a RIFF/WAVE image whose format and data chunks both
// lie inside the file is passed on, rebuilt as just those two chunks; empty
// when the file is anything else.
std::vector<char> CheckedWavImage(const std::vector<char>& image) {
  const size_t size = image.size();
  if (size < 12 || std::memcmp(image.data(), "RIFF", 4) != 0 ||
      std::memcmp(image.data() + 8, "WAVE", 4) != 0)
    return {};
  const char* format = nullptr;
  uint32_t formatSize = 0;
  for (size_t at = 12; at + 8 <= size;) {
    const char* chunk = image.data() + at;
    const uint32_t length = ReadLE32(chunk + 4);
    if (length > size - at - 8) return {};  // the chunk runs past the end of the file
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16 || (length & 1)) return {};
      format = chunk;
      formatSize = length;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!format) return {};
      std::vector<char> out{'R', 'I', 'F', 'F'};
      AppendLE32(out, 4 + 8 + formatSize + 8 + length);
      out.insert(out.end(), {'W', 'A', 'V', 'E'});
      out.insert(out.end(), format, format + 8 + formatSize);
      out.insert(out.end(), chunk, chunk + 8 + length);
      return out;
    }
    at += 8 + static_cast<size_t>(length) + (length & 1);
  }
  return {};
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
  // Every sound object that names the file asks again: one line is enough.
  if (FirstReport("sound " + GetName() + " " + reason))
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
  ALenum format = 0;
  ALsizei size = 0;
  ALfloat frequency = 0.0f;
  const std::vector<char> wav = CheckedWavImage(image);
  if (wav.empty()) return "failed to read WAV data";
  void* data = alutLoadMemoryFromFileImage(wav.data(), static_cast<ALsizei>(wav.size()), &format,
                                           &size, &frequency);
  if (!data) return "failed to read WAV data";
  // A corrupt header can claim any rate; the cast to ALsizei needs one that fits.
  if (!(frequency >= 1.0f && frequency <= 1000000.0f)) {
    std::free(data);
    return "failed to read WAV data";
  }
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
