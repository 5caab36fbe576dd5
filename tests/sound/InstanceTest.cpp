// InstanceTest.cpp - buffered and streamed instances, resources and their
// failures, and a sound read again from a saved file.
#include "SoundTestUtil.h"

#include "sound/al/ALSoundResource.h"
#include "tier0/ResourceManager.h"

#include <cmath>
#include <limits>

using namespace soundtest;

namespace {

class InstanceTest : public SoundFixture {
 protected:
  Ref<ALSoundInstance> Make(const char* name, bool positional = true) {
    return Ref<ALSoundInstance>::Adopt(
        static_cast<ALSoundInstance*>(CreateSoundInstance(name, positional)));
  }
};

}  // namespace

TEST_F(InstanceTest, WavsShareOneResourceAndOggsStreamInAnyCase) {
  auto a = Make("tone440.wav");
  auto b = Make("tone440.wav");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->GetResource(), b->GetResource());
  EXPECT_EQ(a->GetResource()->GetRefCount(), 2);
  EXPECT_NE(a->GetSource(), b->GetSource());
  EXPECT_EQ(a->GetStream(), nullptr);
  auto upper = Make("MONO.OGG");
  ASSERT_TRUE(upper);
  EXPECT_NE(upper->GetStream(), nullptr);
  EXPECT_EQ(upper->GetResource(), nullptr);
  auto wav = Make("upper.WAV");
  ASSERT_TRUE(wav);
  EXPECT_NE(wav->GetResource(), nullptr) << "the extension is compared in lower case";
}

TEST_F(InstanceTest, PauseAndResumeOnlyActInTheirStatesAndAFinishedOneShotPlaysAgain) {
  auto sound = Make("tone440.wav");
  ASSERT_TRUE(sound);
  sound->Pause();
  EXPECT_EQ(sound->GetState(), SoundState_Stopped) << "pausing a stopped sound does nothing";
  sound->Play(true);
  sound->Resume();
  EXPECT_EQ(sound->GetState(), SoundState_Playing);
  sound->Pause();
  EXPECT_EQ(sound->GetState(), SoundState_Paused);
  sound->Play(false);
  EXPECT_EQ(sound->GetState(), SoundState_Paused) << "Play starts only a stopped sound";
  sound->Resume();
  EXPECT_EQ(sound->GetState(), SoundState_Playing);
  EXPECT_TRUE(sound->IsLooping());
  sound->Stop();
  EXPECT_EQ(sound->GetState(), SoundState_Stopped);
  sound->Play(false);
  ASSERT_TRUE(WaitFor([&] { return sound->GetState() == SoundState_Stopped; }))
      << "a 0.3 s sound should have ended";
  sound->Play(false);
  EXPECT_EQ(sound->GetState(), SoundState_Playing);
}

TEST_F(InstanceTest, OnlyPositionalSoundsMoveAndOnlyToFinitePlaces) {
  auto fixed = Make("tone440.wav", false);
  auto placed = Make("tone440.wav", true);
  ASSERT_TRUE(fixed && placed);
  fixed->SetPosition(Vector3D(5, 6, 7));
  placed->SetPosition(Vector3D(5, 6, 7));
  ALfloat p[3] = {};
  ALint relative = 0;
  alGetSourcefv(fixed->GetSource(), AL_POSITION, p);
  alGetSourcei(fixed->GetSource(), AL_SOURCE_RELATIVE, &relative);
  EXPECT_EQ(p[0], 0.0f);
  EXPECT_EQ(relative, AL_TRUE) << "a non-positional sound follows the listener";
  alGetSourcefv(placed->GetSource(), AL_POSITION, p);
  EXPECT_EQ(p[0], 5.0f);
  EXPECT_EQ(p[2], -7.0f) << "engine z runs the other way from OpenAL's";
  placed->SetPosition(Vector3D(std::nanf(""), 0, 0));
  placed->SetPosition(Vector3D(0, std::numeric_limits<float>::infinity(), 0));
  alGetSourcefv(placed->GetSource(), AL_POSITION, p);
  EXPECT_EQ(p[0], 5.0f);
  EXPECT_EQ(log.Count("position is not finite", LogLevel_Warning), 1);
}

TEST_F(InstanceTest, BadFilesAreRefusedWithTheirLine) {
  // A header that promises 320 bytes of samples, followed by fewer.
  std::string wav(
      "RIFF\x64\x01\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0"
      "\x80\x3e\0\0\x02\0\x10\0data\x40\x01\0\0",
      44);
  wav.append(297, '\x11');
  kaztest::TempDir dir("kaz-wav");
  dir.Write("short.wav", wav);
  // A whole file whose header claims a rate of 2^32 - 1 samples a second.
  std::string fast(
      "RIFF\x44\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\xff\xff\xff\xff"
      "\x80\x3e\0\0\x02\0\x10\0data\x08\0\0\0",
      44);
  fast.append(8, '\x11');
  dir.Write("fast.wav", fast);
  FileSystem::AddToSearchPath(dir.Str(), false);
  for (const char* name : {"truncated.wav", "short.wav", "fast.wav"}) {
    EXPECT_FALSE(Make(name));
    EXPECT_EQ(log.Count("Failed to load sound '" + std::string(name) + "': failed to read WAV data",
                        LogLevel_Error),
              1)
        << log.Dump();
  }
  FileSystem::RemoveFromSearchPath(dir.Str());
  EXPECT_FALSE(Make("tone440.mp3"));
  EXPECT_TRUE(log.Has("Failed to load sound 'tone440.mp3': could not determine file format"));
  EXPECT_FALSE(Make("nowhere.wav"));
  EXPECT_TRUE(log.Has("Failed to load sound 'nowhere.wav': could not open file"));
  EXPECT_EQ(GetSoundResource("mono.ogg"), nullptr);
  EXPECT_TRUE(log.Has("Failed to load sound 'mono.ogg': unknown format"));
  DestroySoundManager();
  EXPECT_EQ(GetSoundResource("tone440.wav"), nullptr);
  EXPECT_TRUE(log.Has("Failed to load sound 'tone440.wav': manager not initialized"));
}

namespace {

// A short 8-bit mono WAV file at `rate` samples a second.
std::string Wav(uint32_t rate) {
  const uint32_t samples = rate / 10;
  auto u32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  };
  std::string w = "RIFF";
  u32(w, 36 + samples);
  w += "WAVEfmt ";
  u32(w, 16);
  w += {1, 0, 1, 0};  // PCM, one channel
  u32(w, rate);
  u32(w, rate);
  w += {1, 0, 8, 0};  // one byte a frame, 8 bits
  w += "data";
  u32(w, samples);
  for (uint32_t i = 0; i < samples; ++i) w += char(i % 32 < 16 ? 0x40 : 0xC0);
  return w;
}

ALint SourceInt(ALuint source, ALenum what) {
  ALint value = 0;
  alGetSourcei(source, what, &value);
  return value;
}

}  // namespace

TEST_F(InstanceTest, ASavedWavReachesEveryInstanceAndABrokenOneChangesNothing) {
  kaztest::TempDir package{"kaz_sound_reload"};
  package.Write("hot.wav", Wav(22050));
  ASSERT_TRUE(FileSystem::AddToSearchPath(package.Str(), false));
  auto looping = Make("hot.wav");
  auto paused = Make("hot.wav");
  auto idle = Make("hot.wav");
  ASSERT_TRUE(looping && paused && idle);
  looping->Play(true);
  paused->Play(false);
  paused->Pause();
  ALSoundResource* resource = looping->GetResource();
  const ALuint before = resource->GetBuffer();

  kaztest::SaveByRename(package.Path() / "hot.wav", Wav(11025));
  EXPECT_EQ(ResourceManager::ReloadFile("hot.wav"), 1);
  const ALuint after = resource->GetBuffer();
  ASSERT_NE(after, before);
  ALint rate = 0;
  alGetBufferi(after, AL_FREQUENCY, &rate);
  EXPECT_EQ(rate, 11025);
  for (const auto* instance : {&looping, &paused, &idle})
    EXPECT_EQ(ALuint(SourceInt((*instance)->GetSource(), AL_BUFFER)), after);
  EXPECT_EQ(looping->GetState(), SoundState_Playing);
  EXPECT_TRUE(looping->IsLooping());
  EXPECT_EQ(paused->GetState(), SoundState_Paused);
  EXPECT_EQ(idle->GetState(), SoundState_Stopped);
  EXPECT_FALSE(alIsBuffer(before)) << "the old buffer is deleted once no source holds it";

  log.Clear();
  kaztest::SaveByRename(package.Path() / "hot.wav", "RIFF, but not really");
  EXPECT_EQ(ResourceManager::ReloadFile("hot.wav"), 1);
  EXPECT_EQ(resource->GetBuffer(), after);
  EXPECT_EQ(looping->GetState(), SoundState_Playing);
  ASSERT_EQ(log.Problems(), 1) << log.Dump();
  EXPECT_TRUE(
      log.Has("Failed to reload 'hot.wav' (Failed to load sound 'hot.wav': failed to read "
              "WAV data); keeping the last good one."))
      << log.Dump();
  FileSystem::RemoveFromSearchPath(package.Str());
}
