// WaveRecording.h - plays a scene in a child process on OpenAL Soft's wave
// writer (16-bit stereo) and measures the file it leaves.
//
// OpenAL reads its driver and configuration once per process, so every
// recording is made by a fresh copy of the test program running one child
// test, told its scene by KAZ_WAVE_SCENE. The file is complete once the
// child has closed its device.
#pragma once

#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace soundtest {

struct Recording {
  std::vector<int16_t> left, right;
  int rate = 0;
  std::string errors;  // the child's output

  // The span from the first to the last sample above the threshold.
  std::pair<size_t, size_t> Active(int threshold = 200) const {
    size_t first = left.size(), last = 0;
    for (size_t i = 0; i < left.size(); ++i) {
      if (std::abs(left[i]) > threshold || std::abs(right[i]) > threshold) {
        first = std::min(first, i);
        last = i;
      }
    }
    return {first, last};
  }
  double Seconds(size_t samples) const { return static_cast<double>(samples) / rate; }
  static double RmsDb(const std::vector<int16_t>& channel, std::pair<size_t, size_t> span) {
    double sum = 0;
    for (size_t i = span.first; i <= span.second && i < channel.size(); ++i)
      sum += static_cast<double>(channel[i]) * channel[i];
    const double rms = std::sqrt(sum / std::max<size_t>(1, span.second - span.first + 1)) / 32768.0;
    return 20.0 * std::log10(std::max(rms, 1e-9));
  }
  // The longest run of quiet samples inside the active span.
  double LongestGap(int threshold = 200) const {
    auto [first, last] = Active(threshold);
    size_t run = 0, longest = 0;
    for (size_t i = first; i <= last && i < left.size(); ++i) {
      const bool quiet = std::abs(left[i]) <= threshold && std::abs(right[i]) <= threshold;
      run = quiet ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    return Seconds(longest);
  }
};

// The data chunk of a 16-bit stereo WAV; empty when it is anything else.
inline bool ParseWav(const std::string& bytes, Recording& out) {
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    return false;
  uint16_t channels = 0, bits = 0;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    uint32_t size = 0;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    const std::string id = bytes.substr(at, 4);
    const char* body = bytes.data() + at + 8;
    if (id == "fmt " && size >= 16) {
      std::memcpy(&channels, body + 2, 2);
      std::memcpy(&out.rate, body + 4, 4);
      std::memcpy(&bits, body + 14, 2);
    } else if (id == "data") {
      if (channels != 2 || bits != 16) return false;
      const size_t frames = std::min<size_t>(size, bytes.size() - at - 8) / 4;
      out.left.resize(frames);
      out.right.resize(frames);
      for (size_t i = 0; i < frames; ++i) {
        std::memcpy(&out.left[i], body + i * 4, 2);
        std::memcpy(&out.right[i], body + i * 4 + 2, 2);
      }
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

// Runs the test `childTest` of this program in a child process with the wave
// writer and KAZ_WAVE_SCENE=scene, and reads what it wrote.
inline Recording Record(const std::string& childTest, const std::string& scene) {
  kaztest::TempDir dir("kaz-wave");
  const std::string wav = dir.Str() + "/out.wav", output = dir.Str() + "/output.txt";
  dir.Write("alsoft.conf",
            "[general]\nchannels=stereo\nsample-type=int16\n[wave]\nfile=" + wav + "\n");
  const std::string command = "ALSOFT_DRIVERS=wave ALSOFT_CONF='" + dir.Str() +
                              "/alsoft.conf' KAZ_WAVE_SCENE='" + scene + "' '" +
                              std::filesystem::read_symlink("/proc/self/exe").string() +
                              "' --gtest_filter=" + childTest + " >'" + output + "' 2>&1";
  const int status = std::system(command.c_str());
  Recording recording;
  recording.errors = kaztest::ReadFile(output);
  EXPECT_EQ(status, 0) << recording.errors;
  EXPECT_TRUE(ParseWav(kaztest::ReadFile(wav), recording))
      << "no 16-bit stereo WAV: " << recording.errors;
  return recording;
}

// Strength of one frequency in a stretch of a channel (Goertzel), in dB.
inline double ToneDb(const std::vector<int16_t>& channel, size_t first, size_t count, double hz,
                     int rate) {
  const double k = 2.0 * std::cos(2.0 * M_PI * hz / rate);
  double s1 = 0, s2 = 0;
  for (size_t i = first; i < first + count && i < channel.size(); ++i) {
    const double s0 = channel[i] / 32768.0 + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
  return 10.0 * std::log10(std::max(power / (count * count), 1e-12));
}

}  // namespace soundtest
