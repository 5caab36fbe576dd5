// ALSoundResource.cpp - WAV files decoded into OpenAL buffers.
#include "sound/al/ALSoundResource.h"

#include "base/Log.h"
#include "base/StringUtil.h"
#include "sound/SoundManager.h"
#include "sound/al/ALSoundInstance.h"
#include "tier0/FileSystem.h"
#include "tier0/ResourceManager.h"

#include <AL/alut.h>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {
// Holds every sound resource and outlives them all: a device change walks it,
// and at exit it deletes whatever is still referenced.
ResourceManager g_soundResources("ALSoundResource");

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

// ALUT refuses to decode while OpenAL's error flag is set, and that flag is
// shared with the stream workers: an error one of them left pending would fail
// the decoding. A refusal for that reason alone is tried again on a cleared flag.
void* DecodeWav(const std::vector<char>& wav, ALenum* format, ALsizei* size, ALfloat* frequency) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    alGetError();
    void* data = alutLoadMemoryFromFileImage(wav.data(), static_cast<ALsizei>(wav.size()), format,
                                             size, frequency);
    if (data || alutGetError() != ALUT_ERROR_AL_ERROR_ON_ENTRY) return data;
  }
  return nullptr;
}

std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : ToLowerAscii(name.substr(dot + 1));
}
}  // namespace

ALSoundResource* GetSoundResource(const std::string& name) {
  return g_soundResources.GetOrLoad<ALSoundResource>(name);
}

ALSoundResource::ALSoundResource(ResourceManager* manager) : Resource(manager) {}

ALSoundResource::~ALSoundResource() = default;

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

  m_buffer = 0;
  alGenBuffers(1, &m_buffer);
  if (!ALIsNewBuffer(m_buffer)) {
    m_buffer = 0;
    return "failed to create buffer";
  }
  ALenum format = 0;
  ALsizei size = 0;
  ALfloat frequency = 0.0f;
  const std::vector<char> wav = CheckedWavImage(image);
  if (wav.empty()) return "failed to read WAV data";
  void* data = DecodeWav(wav, &format, &size, &frequency);
  if (!data) return "failed to read WAV data";
  // A corrupt header can claim any rate; the cast to ALsizei needs one that fits.
  if (!(frequency >= 1.0f && frequency <= 1000000.0f)) {
    std::free(data);
    return "failed to read WAV data";
  }
  alBufferData(m_buffer, format, data, size, static_cast<ALsizei>(frequency));
  std::free(data);
  if (!ALBufferHolds(m_buffer, size)) return "failed to load WAV data into AL buffer";
  m_loaded = 1;
  return nullptr;
}

bool ALSoundResource::Reload() {
  ALSoundResource fresh(nullptr);
  fresh.SetName(GetName());
  if (!fresh.Load(true)) return false;
  std::swap(m_buffer, fresh.m_buffer);
  std::swap(m_loaded, fresh.m_loaded);
  // A buffer still attached to a source cannot be deleted.
  ALSoundInstance::RebindBuffer(this);
  fresh.Unload(true);
  return true;
}

void ALSoundResource::Unload(bool) {
  if (m_buffer) alDeleteBuffers(1, &m_buffer);
  m_buffer = 0;
  m_loaded = 0;
}

void ALSoundResource::ReleaseAllBuffers() {
  g_soundResources.ForEach([](Resource* resource) { resource->Unload(false); });
}

void ALSoundResource::ReloadAllBuffers() {
  g_soundResources.ForEach([](Resource* resource) {
    if (!static_cast<ALSoundResource*>(resource)->m_buffer) resource->Load(false);
  });
}
