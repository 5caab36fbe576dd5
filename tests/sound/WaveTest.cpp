// WaveTest.cpp - what is actually heard: scenes played in a child process on
// OpenAL Soft's wave writer (a 16-bit stereo file), then measured here.
//
// OpenAL reads its driver and configuration once per process, so each scene
// runs in a fresh copy of this test program (the WaveScene test, which does
// nothing unless KAZ_WAVE_SCENE names a scene).
#include "SoundTestUtil.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

using namespace soundtest;

namespace {

// ---- the scenes (child side) ------------------------------------------------

Matrix4x4 CameraLookingAlong(const Vector3D& forward) {
  const Vector3D up(0, 1, 0);
  const Vector3D right(up.y * forward.z - up.z * forward.y, up.z * forward.x - up.x * forward.z,
                       up.x * forward.y - up.y * forward.x);
  return Matrix4x4(right, up, forward, Vector3D());
}

void PlayAt(const Vector3D& position, const Matrix4x4& camera) {
  GetSoundManager()->SetListenerTransform(camera);
  Ref<SoundInstance> sound = Ref<SoundInstance>::Adopt(CreateSoundInstance("tone440.wav", true));
  ASSERT_TRUE(sound);
  sound->SetPosition(position);
  sound->Play(true);
  Sleep(0.3);
}

void PlayStream(const char* file, bool loop, double seconds) {
  Ref<SoundInstance> sound = Ref<SoundInstance>::Adopt(CreateSoundInstance(file, false));
  ASSERT_TRUE(sound);
  sound->Play(loop);
  if (loop) {
    Sleep(seconds);
    return;
  }
  ASSERT_TRUE(WaitFor([&] { return sound->GetState() == SoundState_Stopped; }, seconds + 2.0));
  Sleep(0.1);
}

void RunScene(const std::string& scene) {
  const Matrix4x4 ahead;  // looking along +z
  if (scene == "right") PlayAt(Vector3D(5, 0, 0), ahead);
  if (scene == "right-turned") PlayAt(Vector3D(0, 0, -5), CameraLookingAlong(Vector3D(1, 0, 0)));
  if (scene == "front") PlayAt(Vector3D(0, 0, 5), ahead);
  if (scene == "behind") PlayAt(Vector3D(0, 0, -5), ahead);
  if (scene == "stream") PlayStream("mono.ogg", false, 0.5);
  if (scene == "loop") PlayStream("stereo.ogg", true, 1.4);  // past the seam of a 1 s file
}

// ---- measuring (parent side) --------------------------------------------------

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

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The data chunk of a 16-bit stereo WAV; empty when it is anything else.
bool ParseWav(const std::string& bytes, Recording& out) {
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

Recording Record(const std::string& scene) {
  kaztest::TempDir dir("kaz-wave");
  const std::string wav = dir.Str() + "/out.wav";
  dir.Write("alsoft.conf",
            "[general]\nchannels=stereo\nsample-type=int16\n[wave]\nfile=" + wav + "\n");
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "ALSOFT_", 7) != 0 && std::strncmp(*e, "KAZ_WAVE_SCENE=", 15) != 0)
      env.emplace_back(*e);
  env.push_back("ALSOFT_DRIVERS=wave");
  env.push_back("ALSOFT_CONF=" + dir.Str() + "/alsoft.conf");
  env.push_back("KAZ_WAVE_SCENE=" + scene);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe", filter = "--gtest_filter=WaveScene.Play";
  char* argv[] = {self.data(), filter.data(), nullptr};

  const std::string outPath = dir.Str() + "/output.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  Recording recording;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return recording;
  int status = 0;
  waitpid(pid, &status, 0);
  recording.errors = ReadAll(outPath);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << recording.errors;
  EXPECT_TRUE(ParseWav(ReadAll(wav), recording)) << "no 16-bit stereo WAV: " << recording.errors;
  return recording;
}

}  // namespace

TEST(WaveScene, Play) {
  const char* scene = std::getenv("KAZ_WAVE_SCENE");
  if (!scene) GTEST_SKIP() << "runs only as a child of the wave tests";
  kaztest::MountPackages({SoundsDir()});
  ASSERT_NE(CreateSoundManager(), nullptr);
  ASSERT_TRUE(GetSoundManager()->Init());
  RunScene(scene);
  DestroySoundManager();
}

TEST(WaveTest, ASourceOnTheRightIsInTheRightChannel) {
  for (const char* scene : {"right", "right-turned"}) {
    Recording r = Record(scene);
    auto span = r.Active();
    ASSERT_LT(span.first, span.second) << scene << ": nothing was heard";
    const double left = Recording::RmsDb(r.left, span), right = Recording::RmsDb(r.right, span);
    EXPECT_GT(right, -25.0) << scene;
    EXPECT_GT(right - left, 30.0) << scene << ": left " << left << " dB, right " << right << " dB";
    EXPECT_EQ(r.errors.find("device not closed"), std::string::npos) << r.errors;
  }
}

TEST(WaveTest, InFrontIsLouderThanBehind) {
  Recording front = Record("front"), behind = Record("behind");
  const double frontDb = Recording::RmsDb(front.left, front.Active());
  const double behindDb = Recording::RmsDb(behind.left, behind.Active());
  EXPECT_GT(frontDb - behindDb, 2.0) << "front " << frontDb << " dB, behind " << behindDb << " dB";
}

TEST(WaveTest, AStreamLastsItsLength) {
  Recording r = Record("stream");
  auto span = r.Active();
  ASSERT_LT(span.first, span.second);
  EXPECT_NEAR(r.Seconds(span.second - span.first), 0.5, 0.05);
  EXPECT_EQ(r.errors.find("device not closed"), std::string::npos) << r.errors;
}

TEST(WaveTest, ALoopLeavesNoGap) {
  Recording r = Record("loop");
  auto span = r.Active();
  ASSERT_LT(span.first, span.second);
  EXPECT_GT(r.Seconds(span.second - span.first), 1.3) << "the loop stopped early";
  // Far less than one buffer (0.37 s here): the seam is bridged by the queue.
  EXPECT_LT(r.LongestGap(), 0.05);
}
