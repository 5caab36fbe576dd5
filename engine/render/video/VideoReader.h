// VideoReader.h - the frames of a video file's first video stream by time.
//
// The one place the engine uses FFmpeg (libavformat to read the container,
// libavcodec to decode, libswscale to convert): a reader opens a file at a
// native path, reports its stream length in milliseconds, and scales the
// frame shown at a given time into a BGRA image of any size (nearest
// sample, alpha 255). Playing forward decodes on from the last frame; going
// back seeks to the start of the stream. AVI is what the engine's content
// uses; whatever else FFmpeg opens works too.
// Depends on: libavformat, libavcodec, libswscale, libavutil.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class VideoReader {
 public:
  ~VideoReader();
  VideoReader(const VideoReader&) = delete;
  VideoReader& operator=(const VideoReader&) = delete;

  // Null with a reason ("cannot open file", "no video stream", ...).
  // openFailed tells whether the file itself could not be opened as a media
  // file (as opposed to lacking a usable video stream).
  static std::unique_ptr<VideoReader> Open(const std::string& nativePath, std::string* reason,
                                           bool* openFailed = nullptr);

  uint32_t GetLengthMs() const { return m_lengthMs; }
  int GetWidth() const;
  int GetHeight() const;
  // Counts of the file's audio and video streams (the first five of each).
  int GetAudioStreams() const { return m_audioStreams; }
  int GetVideoStreams() const { return m_videoStreams; }

  // Scales the frame shown at ms into width x height BGRA texels (pitch in
  // bytes). False when ms lies beyond the stream or no frame can be decoded.
  bool ReadFrame(uint32_t ms, uint8_t* bgra, int width, int height, int pitch);

 private:
  struct Impl;
  VideoReader();
  bool DecodeUntil(uint32_t ms);

  std::unique_ptr<Impl> m_impl;
  uint32_t m_lengthMs = 0;
  int m_audioStreams = 0, m_videoStreams = 0;
};
