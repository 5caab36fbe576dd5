// VideoTexture.h - textures that play a video file.
//
// VideoTexture is a 512 x 512 dynamic texture (pooled, "GLAVITexture", grow
// count 1) fed by a VideoReader. Every request for its device texture, that
// is every use in a draw, advances playback: the first use starts the clock;
// at most one new frame is uploaded per 40 ms (25 a second), scaled to the
// whole texture; past the end of the stream the clock restarts, so the video
// loops. A texture nobody draws with does not advance. The file is read from
// the real folder that holds it on the search path (not from archives).
// Device loss and reset treat it like any other default-pool texture; the
// texture module registers itself with the video manager for that.
// Depends on: Texture.h, video/VideoReader.h, VideoManager.h, tier0/FileSystem,
// base/Log.
#pragma once

#include "render/gpu/Texture.h"
#include "render/video/VideoReader.h"

#include <cstdint>
#include <memory>

constexpr uint32_t kVideoTextureSize = 512;
constexpr uint32_t kVideoFrameIntervalMs = 40;

class VideoTexture : public Texture {
  KAZ_POOLED_CLASS(VideoTexture)

 public:
  bool Load(const char* fileName) override;
  GTexture* GetDeviceTexture() override;
  void OnDeviceReset() override;

  uint32_t GetLengthMs() const { return m_lengthMs; }
  // Playback time of the frame last uploaded (ms since the clock started).
  uint32_t GetLastFrameTime() const { return m_lastFrameTime; }
  uint32_t GetUploadCount() const { return m_uploads; }

 protected:
  VideoTexture() = default;
  ~VideoTexture() override;

 private:
  bool MakeDeviceTexture();
  bool Upload(uint32_t ms);

  std::unique_ptr<VideoReader> m_reader;
  uint32_t m_lengthMs = 0;
  uint64_t m_startTime = 0;
  bool m_started = false;
  uint32_t m_lastFrameTime = 1000;
  bool m_uploaded = false;
  uint32_t m_uploads = 0;
};

// A playing video texture for a file of the search path, or null after its line.
Texture* LoadVideoTexture(const char* fileName);

// The millisecond clock playback runs on (null: the steady clock). For tests.
using VideoTextureClock = uint64_t (*)();
void SetVideoTextureClock(VideoTextureClock clock);
