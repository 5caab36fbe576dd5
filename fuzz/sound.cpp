// sound.cpp - fuzzes the sound loaders: the input as a WAV resource (decoded into an
// OpenAL buffer) and as an Ogg Vorbis stream decoded chunk by chunk.
#include "sound/SoundManager.h"
#include "sound/al/ALSoundResource.h"
#include "sound/al/OGGStream.h"
#include "tier0/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string g_dir;
ALuint g_source = 0;

bool Setup() {
  setenv("ALSOFT_DRIVERS", "null", 1);
  char pattern[] = "/tmp/kaz-fuzz-sound-XXXXXX";
  if (!mkdtemp(pattern)) return false;
  g_dir = pattern;
  std::atexit([] {
    alDeleteSources(1, &g_source);
    DestroySoundManager();  // OpenAL complains of a device left open
    FileSystem::Uninit();
    std::filesystem::remove_all(g_dir);
  });
  FileSystem::Init("fuzz_sound");
  FileSystem::AddToSearchPath(g_dir, true);
  if (!CreateSoundManager() || !GetSoundManager()->Init()) return false;
  alGenSources(1, &g_source);
  return true;
}

void Write(const char* name, const uint8_t* data, size_t size) {
  std::ofstream(g_dir + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Setup();
  if (!ready) __builtin_trap();
  Write("in.wav", data, size);
  if (ALSoundResource* wav = GetSoundResource("in.wav")) wav->Release();

  Write("in.ogg", data, size);
  OGGStream stream;
  if (stream.Open("in.ogg", g_source)) {
    stream.Stop();  // this thread decodes from here on
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    for (int chunk = 0; chunk < 64 && stream.StreamChunk(buffer) > 0; ++chunk) {
    }
    alDeleteBuffers(1, &buffer);
  }
  return 0;
}
