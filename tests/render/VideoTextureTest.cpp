// VideoTextureTest.cpp - video textures on the fake device, fed by clips our own writer makes:
// playback on a manual clock (first use starts it, at most 25 new frames a
// second, loops at the end, stands still while unused), the frame's colours
// in the texture whatever the clip's size, and files that are no video.
#include <vector>

#include "ClipWriter.h"
#include "common/TestFiles.h"
#include "render/gpu/Texture.h"
#include "render/gpu/VideoTexture.h"
#include "render/video/VideoReader.h"
#include "RenderTestUtil.h"

using namespace rendertest;

namespace {

uint64_t g_now = 0;
uint64_t ManualMilliseconds() {
  return g_now;
}

// Frame i of the test clips is a solid colour of its own.
uint32_t FrameColour(int i) {
  return uint32_t(0x102030 + i * 0x080402);
}

class VideoTextureTest : public FakeVideoTest {
 protected:
  void SetUp() override {
    FakeVideoTest::SetUp();
    FileSystem::AddToSearchPath(m_dir.Str(), true);
    g_now = 100000;
    SetVideoTextureClock(ManualMilliseconds);
    ASSERT_NE(Start(), nullptr);
  }
  void TearDown() override {
    if (m_texture) m_texture->Release();
    SetVideoTextureClock(nullptr);
    FakeVideoTest::TearDown();
  }
  VideoTexture* Load(const std::string& name) {
    m_texture = LoadTexture(name.c_str());
    return dynamic_cast<VideoTexture*>(m_texture);
  }
  bool Clip(
      const std::string& name, int w, int h, int fps, int frames,
      const cliptest::FramePainter& paint = [](int i, int, int) { return FrameColour(i); }) {
    return cliptest::WriteClip(m_dir.Str() + "/" + name, w, h, fps, frames, paint);
  }
  // Texel (x, y) of the texture as 0xAARRGGBB, read without advancing playback.
  uint32_t Texel(int x, int y) {
    void* bits = nullptr;
    uint32_t pitch = 0;
    if (!m_texture->Lock(0, &bits, &pitch, 0)) return 0;
    const uint8_t* p = static_cast<const uint8_t*>(bits) + size_t(y) * pitch + size_t(x) * 4;
    uint32_t argb = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    m_texture->Unlock();
    return argb;
  }

  kaztest::TempDir m_dir{"video"};
  Texture* m_texture = nullptr;
};

TEST_F(VideoTextureTest, PlaysAtMost25FramesASecondAndOnlyWhenUsed) {
  ASSERT_TRUE(Clip("clip.avi", 32, 32, 50, 50));  // one second at 50 frames a second
  VideoTexture* video = Load("clip.avi");
  ASSERT_NE(video, nullptr) << m_log.Dump();
  EXPECT_EQ(video->GetLengthMs(), 1000u);
  EXPECT_EQ(video->GetWidth(), 512u);
  g_now += 5000;  // unused: nothing happens
  EXPECT_EQ(video->GetUploadCount(), 0u);
  EXPECT_EQ(Texel(0, 0), 0u);
  video->GetDeviceTexture();  // the first use starts the clock at frame 0
  EXPECT_EQ(video->GetUploadCount(), 1u);
  EXPECT_EQ(Texel(0, 0), 0xFF000000u | FrameColour(0));
  for (int step = 0; step < 50; ++step) {  // half a second in 10 ms steps
    g_now += 10;
    video->GetDeviceTexture();
  }
  EXPECT_EQ(video->GetUploadCount(), 1u + 500 / 40);
  EXPECT_EQ(video->GetLastFrameTime(), 480u);
  EXPECT_EQ(Texel(5, 7), 0xFF000000u | FrameColour(480 / 20));
}

TEST_F(VideoTextureTest, LoopsAtTheEnd) {
  ASSERT_TRUE(Clip("clip.avi", 16, 16, 10, 5));  // half a second
  VideoTexture* video = Load("clip.avi");
  ASSERT_NE(video, nullptr) << m_log.Dump();
  video->GetDeviceTexture();
  g_now += 450;
  video->GetDeviceTexture();
  EXPECT_EQ(Texel(0, 0), 0xFF000000u | FrameColour(4));
  g_now += 100;  // beyond the end: the clock restarts
  video->GetDeviceTexture();
  g_now += 1;
  video->GetDeviceTexture();
  EXPECT_EQ(video->GetLastFrameTime(), 1u);  // played again from the start
  EXPECT_EQ(Texel(0, 0), 0xFF000000u | FrameColour(0));
}

TEST_F(VideoTextureTest, FramesOfAnySizeFillTheTextureUpright) {
  // Top half red, bottom half blue, a green first column.
  for (auto [w, h] : {std::pair{700, 300}, std::pair{8, 6}, std::pair{512, 1030}}) {
    ASSERT_TRUE(Clip("odd.avi", w, h, 25, 2, [w = w, h = h](int, int x, int y) -> uint32_t {
      if (x == 0 && w > 100) return 0x00FF00;
      return y < h / 2 ? 0xFF0000 : 0x0000FF;
    }));
    VideoTexture* video = Load("odd.avi");
    ASSERT_NE(video, nullptr) << m_log.Dump();
    video->GetDeviceTexture();
    EXPECT_EQ(Texel(256, 0), 0xFFFF0000u) << w << "x" << h;
    EXPECT_EQ(Texel(511, 511), 0xFF0000FFu) << w << "x" << h;
    EXPECT_TRUE(w <= 100 || Texel(0, 100) == 0xFF00FF00u) << w << "x" << h;
    m_texture->Release();
    m_texture = nullptr;
  }
}

TEST_F(VideoTextureTest, AnEmptyStreamStaysBlack) {
  ASSERT_TRUE(Clip("empty.avi", 16, 16, 25, 0));
  VideoTexture* video = Load("empty.avi");
  if (!video) {
    // Without a single frame FFmpeg may not know the stream's size at all.
    EXPECT_EQ(m_log.Count("Failed to get video stream for AVI file 'empty.avi'"), 1)
        << m_log.Dump();
    return;
  }
  for (int i = 0; i < 5; ++i) {
    g_now += 50;
    video->GetDeviceTexture();
  }
  EXPECT_EQ(video->GetUploadCount(), 0u);
  EXPECT_EQ(Texel(3, 3), 0u);
}

TEST_F(VideoTextureTest, AFileThatIsNoVideoGivesItsLine) {
  m_dir.Write("notes.avi", "these are not the frames you are looking for");
  EXPECT_EQ(LoadTexture("notes.avi"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to open AVI file 'notes.avi'", LogLevel_Error), 1) << m_log.Dump();
  EXPECT_EQ(LoadTexture("missing.avi"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to open AVI file 'missing.avi'", LogLevel_Error), 1);
}

// The decoder allocates frames of the size the file declares: a frame wider
// than any texture is refused before it is decoded.
TEST_F(VideoTextureTest, FramesWiderThanAnyTextureAreRefused) {
  ASSERT_TRUE(Clip("wide.avi", 4100, 2, 25, 1));
  std::string reason;
  EXPECT_EQ(VideoReader::Open(m_dir.Str() + "/wide.avi", &reason), nullptr);
  EXPECT_EQ(reason, "video frames too large");
  EXPECT_EQ(Load("wide.avi"), nullptr);
  EXPECT_EQ(m_log.Count("Failed to get video stream for AVI file 'wide.avi'"), 1) << m_log.Dump();
  EXPECT_EQ(m_log.Count("wide.avi: video frames too large"), 1) << m_log.Dump();
}

TEST_F(VideoTextureTest, ADeviceResetKeepsPlaying) {
  VideoManager* vm = GetVideoManager();
  ASSERT_TRUE(Clip("clip.avi", 16, 16, 25, 25));
  VideoTexture* video = Load("clip.avi");
  ASSERT_NE(video, nullptr);
  video->GetDeviceTexture();
  ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();  // a reset with a live video texture
  g_now += 100;
  EXPECT_NE(video->GetDeviceTexture(), nullptr);
  EXPECT_EQ(Texel(0, 0), 0xFF000000u | FrameColour(2));
  // Closed and set up anew, it plays on.
  vm->Close();
  EXPECT_EQ(video->GetDeviceTexture(), nullptr);
  ASSERT_EQ(vm->SetDisplayMode(), 0) << m_log.Dump();
  g_now += 100;
  EXPECT_NE(video->GetDeviceTexture(), nullptr);
  EXPECT_EQ(Texel(0, 0), 0xFF000000u | FrameColour(5));
}

}  // namespace
