// sound.cpp - decoding a 30-second stereo Ogg Vorbis file through OGGStream::StreamChunk
// (the engine's file system, chunks handed to an OpenAL buffer), from a
// directory and from a ".pak", against raw ov_read over ov_fopen of the same
// file. The sounds come from tools/make-test-sounds.sh (built with the tests).
#include "sound/SoundManager.h"
#include "sound/al/OGGStream.h"
#include "tier0/FileSystem.h"

#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kSounds = KAZ_TEST_SOUNDS_DIR;
const char* const kTheme = "theme30.ogg";

// Decodes the whole file once per iteration.
void BM_RawOvRead(benchmark::State& state) {
  std::vector<char> chunk(OGGStream::kChunkSize);
  OggVorbis_File vorbis;
  if (ov_fopen((kSounds + "/" + kTheme).c_str(), &vorbis) < 0) {
    state.SkipWithError("run the sound tests' build first: no theme30.ogg");
    return;
  }
  int64_t bytes = 0;
  for (auto _ : state) {
    ov_pcm_seek(&vorbis, 0);
    int section = 0;
    long got;
    while ((got = ov_read(&vorbis, chunk.data(), static_cast<int>(chunk.size()), 0, 2, 1,
                          &section)) > 0)
      bytes += got;
  }
  ov_clear(&vorbis);
  state.SetBytesProcessed(bytes);
}

void StreamChunks(benchmark::State& state, const std::string& mount) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  FileSystem::Init("bench_sound");
  FileSystem::AddToSearchPath(mount, true);
  if (!CreateSoundManager() || !GetSoundManager()->Init()) {
    state.SkipWithError("no OpenAL device");
    return;
  }
  ALuint source = 0, buffer = 0;
  alGenSources(1, &source);
  alGenBuffers(1, &buffer);
  int64_t bytes = 0;
  {
    OGGStream stream;
    if (!stream.Open(kTheme, source)) {
      state.SkipWithError("the theme does not open");
    } else {
      stream.Stop();  // the worker ends; this thread decodes
      for (auto _ : state) {
        stream.Rewind();
        long got;
        while ((got = stream.StreamChunk(buffer)) > 0) bytes += got;
      }
    }
  }
  alDeleteBuffers(1, &buffer);
  alDeleteSources(1, &source);
  DestroySoundManager();
  FileSystem::Uninit();
  state.SetBytesProcessed(bytes);
}

void BM_StreamChunkDirectory(benchmark::State& state) {
  StreamChunks(state, kSounds);
}

void BM_StreamChunkPak(benchmark::State& state) {
  StreamChunks(state, kSounds + "/theme.pak");
}

BENCHMARK(BM_RawOvRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamChunkDirectory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamChunkPak)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
