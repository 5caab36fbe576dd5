// StreamTest.cpp - Ogg streams: queueing, draining, looping, pausing, stopping
// and the worker threads behind them.
#include "SoundTestUtil.h"

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace soundtest;

namespace {

class StreamTest : public SoundFixture {
 protected:
  void SetUp() override {
    SoundFixture::SetUp();
    alGenSources(1, &source);
    ASSERT_EQ(alGetError(), AL_NO_ERROR);
  }
  void TearDown() override {
    stream.reset();
    alDeleteSources(1, &source);
    SoundFixture::TearDown();
  }
  ALint Queued() const {
    ALint n = 0;
    alGetSourcei(source, AL_BUFFERS_QUEUED, &n);
    return n;
  }
  ALint SourceState() const {
    ALint n = 0;
    alGetSourcei(source, AL_SOURCE_STATE, &n);
    return n;
  }
  bool Open(const char* name) {
    stream = std::make_unique<OGGStream>();
    return stream->Open(name, source);
  }

  ALuint source = 0;
  std::unique_ptr<OGGStream> stream;
};

// Frequency of one interleaved channel from its upward zero crossings.
double Frequency(const int16_t* samples, size_t frames, int channels, int channel, double rate) {
  int crossings = 0;
  for (size_t i = 1; i < frames; ++i)
    if (samples[(i - 1) * channels + channel] < 0 && samples[i * channels + channel] >= 0)
      ++crossings;
  return crossings * rate / static_cast<double>(frames);
}

}  // namespace

TEST_F(StreamTest, AShortFileQueuesOneBufferEndsPlaysAgainAndLoops) {
  ASSERT_TRUE(Open("short.ogg"));
  EXPECT_EQ(Queued(), 1);
  ASSERT_TRUE(stream->Play(false));
  ASSERT_TRUE(WaitFor([&] { return stream->GetState() == SoundState_Stopped; }, 2.0));
  EXPECT_TRUE(log.Has("Ended."));
  // The drained worker must be joined before another starts on its thread object.
  ASSERT_TRUE(stream->Play(false));
  EXPECT_EQ(stream->GetState(), SoundState_Playing);
  EXPECT_EQ(Queued(), 1);
  EXPECT_TRUE(WaitFor([&] { return stream->GetState() == SoundState_Stopped; }, 2.0));
  // Looped, it keeps playing past its end.
  log.Clear();
  ASSERT_TRUE(stream->Play(true));
  Sleep(0.35);  // more than three times the file's length
  EXPECT_EQ(stream->GetState(), SoundState_Playing);
  EXPECT_TRUE(stream->IsLooping());
  EXPECT_GE(Queued(), 1);
  EXPECT_FALSE(log.Has("Ended."));
}

TEST_F(StreamTest, OpenPrefillsAndPauseKeepsTheQueueWhileTheWorkerIdles) {
  ASSERT_TRUE(Open("stereo.ogg")) << log.Dump();
  EXPECT_EQ(stream->GetState(), SoundState_Paused);
  EXPECT_EQ(Queued(), OGGStream::kBufferCount);
  EXPECT_TRUE(stream->IsWorkerRunning());
  EXPECT_NE(SourceState(), AL_PLAYING) << "nothing is heard before Play";
  ASSERT_TRUE(stream->Play(false));
  ASSERT_TRUE(stream->Pause());
  EXPECT_FALSE(stream->Pause());
  EXPECT_EQ(SourceState(), AL_PAUSED);
  Sleep(0.2);
  EXPECT_EQ(SourceState(), AL_PAUSED) << "the worker must not restart a paused source";
  EXPECT_EQ(Queued(), OGGStream::kBufferCount);
  EXPECT_EQ(stream->GetState(), SoundState_Paused);
  ASSERT_TRUE(stream->Resume());
  EXPECT_FALSE(stream->Resume());
  EXPECT_EQ(SourceState(), AL_PLAYING);
}

TEST_F(StreamTest, StopEndsTheWorkerAndPlayStartsOver) {
  ASSERT_TRUE(Open("stereo.ogg"));
  ASSERT_TRUE(stream->Play(true));
  Sleep(0.1);
  stream->Stop();
  EXPECT_FALSE(stream->IsWorkerRunning());
  EXPECT_EQ(stream->GetState(), SoundState_Stopped);
  EXPECT_FALSE(stream->IsLooping());
  EXPECT_EQ(Queued(), 0);
  EXPECT_TRUE(log.Has("OGG thread stopped (stereo.ogg)."));
  ASSERT_TRUE(stream->Play(false));
  EXPECT_EQ(Queued(), OGGStream::kBufferCount);
  EXPECT_EQ(stream->GetState(), SoundState_Playing);
}

TEST_F(StreamTest, FilesThatCannotBePlayedFailOpen) {
  EXPECT_FALSE(Open("three.ogg"));
  EXPECT_TRUE(log.Has("Failed to read OGG file three.ogg (3 channels cannot be played)."))
      << log.Dump();
  EXPECT_FALSE(Open("notogg.ogg"));
  EXPECT_EQ(log.Count("Failed to read OGG file notogg.ogg (Not Vorbis data.).", LogLevel_Error), 1)
      << log.Dump();
  EXPECT_FALSE(Open("absent.ogg"));
  EXPECT_EQ(log.Count("Failed to open OGG file 'absent.ogg'", LogLevel_Error), 1);
}

TEST_F(StreamTest, TheSummaryIsPrintedOncePerOpen) {
  CVarRegistry::Instance().DisplayOGGInfo.Set(true);
  ASSERT_TRUE(Open("mono.ogg"));
  ASSERT_TRUE(Open("mono.ogg"));
  CVarRegistry::Instance().DisplayOGGInfo.Set(false);
  EXPECT_EQ(log.Count("[orange]OGG Vorbis summary for mono.ogg"), 2);
  EXPECT_EQ(log.Count("   [cyan]channels        [white]: 1"), 2);
  EXPECT_EQ(log.Count("   [cyan]rate (hz)       [white]: 44100"), 2);
  EXPECT_EQ(log.Count("   [grey]TITLE=Test tone"), 2) << log.Dump();
}

TEST_F(StreamTest, SurroundUsesTheMultichannelFormatInOpenALOrderAndPlaysForItsLength) {
  ASSERT_TRUE(Open("surround51.ogg")) << log.Dump();
  EXPECT_EQ(stream->GetChannels(), 6);
  EXPECT_EQ(stream->GetFormat(), alGetEnumValue("AL_FORMAT_51CHN16"));
  // The file was made with left, right, centre, LFE, rear left, rear right at
  // 300, 400, 500, 60, 600 and 700 Hz; OpenAL expects that order back.
  stream->Stop();
  ASSERT_TRUE(stream->Rewind());
  std::vector<char> chunk(OGGStream::kChunkSize);
  const long bytes = stream->DecodeChunk(chunk.data());
  ASSERT_GT(bytes, 0);
  const auto* samples = reinterpret_cast<const int16_t*>(chunk.data());
  const size_t frames = static_cast<size_t>(bytes) / 12;
  const double expected[] = {300, 400, 500, 60, 600, 700};
  for (int c = 0; c < 6; ++c)
    EXPECT_NEAR(Frequency(samples, frames, 6, c, 44100), expected[c], 10.0) << "channel " << c;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(stream->Play(false));
  ASSERT_TRUE(WaitFor([&] { return stream->GetState() == SoundState_Stopped; }, 3.0));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Played as the wrong layout it would last three times as long (1.5 s): the
  // bound sits halfway, so a loaded machine or ThreadSanitizer's slower
  // workers do not fail a stream that plays right.
  EXPECT_GT(seconds, 0.45);
  EXPECT_LT(seconds, 1.0) << "played as the wrong layout, it would last three times as long";
}

// Run under ThreadSanitizer too: main-thread control racing the workers,
// which log as they start and stop.
TEST_F(StreamTest, StressManyStreamsWhileWorkersRun) {
  CVarRegistry::Instance().DisplayOGGInfo.Set(true);
  std::vector<Ref<SoundInstance>> sounds;
  for (int i = 0; i < 8; ++i)
    sounds.push_back(Ref<SoundInstance>::Adopt(
        CreateSoundInstance(i % 2 ? "short.ogg" : "stereo.ogg", i % 3 != 0)));
  CVarRegistry::Instance().DisplayOGGInfo.Set(false);
  std::mt19937 random(7);
  for (int step = 0; step < 200; ++step) {
    Ref<SoundInstance>& sound = sounds[random() % sounds.size()];
    if (!sound) {
      sound = Ref<SoundInstance>::Adopt(CreateSoundInstance("short.ogg", true));
      continue;
    }
    const unsigned action = random() % 6;
    if (action == 0) sound->Play(random() % 2 == 0);
    if (action == 1) sound->Pause();
    if (action == 2) sound->Resume();
    if (action == 3) sound->Stop();
    if (action == 4) sound.Reset();
    if (action == 5) Sleep(0.01);
  }
  sounds.clear();
  EXPECT_EQ(log.Problems(), 0) << log.Dump();
}
