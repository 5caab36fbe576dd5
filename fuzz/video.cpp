// video.cpp - fuzzes the video reader over FFmpeg: the bytes as a video file,
// opened, then frames read at the start, the middle, the end and back at the
// start again (the rewind), scaled into a small picture.
#include "render/video/VideoReader.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() / "kaz-fuzz-video.avi").string();
  if (size > (1u << 16)) return 0;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  std::string reason;
  std::unique_ptr<VideoReader> reader = VideoReader::Open(path, &reason);
  if (!reader) return 0;
  constexpr int kWidth = 24, kHeight = 16;
  std::vector<uint8_t> picture(size_t(kWidth) * kHeight * 4);
  const uint32_t length = reader->GetLengthMs();
  for (uint32_t ms : {0u, length / 2, length, 0u})
    reader->ReadFrame(ms, picture.data(), kWidth, kHeight, kWidth * 4);
  return 0;
}
