// WaveTest.cpp - what is actually heard: scenes played in a child process on
// OpenAL Soft's wave writer (a 16-bit stereo file), then measured here.
//
// Each scene runs in a fresh copy of this program (WaveRecording.h): the
// WaveScene test, which does nothing unless KAZ_WAVE_SCENE names a scene.
#include "SoundTestUtil.h"
#include "WaveRecording.h"

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
    Recording r = Record("WaveScene.Play", scene);
    auto span = r.Active();
    ASSERT_LT(span.first, span.second) << scene << ": nothing was heard";
    const double left = Recording::RmsDb(r.left, span), right = Recording::RmsDb(r.right, span);
    EXPECT_GT(right, -25.0) << scene;
    EXPECT_GT(right - left, 30.0) << scene << ": left " << left << " dB, right " << right << " dB";
    EXPECT_EQ(r.errors.find("device not closed"), std::string::npos) << r.errors;
  }
}

TEST(WaveTest, InFrontIsLouderThanBehind) {
  Recording front = Record("WaveScene.Play", "front");
  Recording behind = Record("WaveScene.Play", "behind");
  const double frontDb = Recording::RmsDb(front.left, front.Active());
  const double behindDb = Recording::RmsDb(behind.left, behind.Active());
  EXPECT_GT(frontDb - behindDb, 2.0) << "front " << frontDb << " dB, behind " << behindDb << " dB";
}

TEST(WaveTest, AStreamLastsItsLengthAndALoopLeavesNoGap) {
  Recording r = Record("WaveScene.Play", "stream");
  auto span = r.Active();
  ASSERT_LT(span.first, span.second);
  EXPECT_NEAR(r.Seconds(span.second - span.first), 0.5, 0.05);
  EXPECT_EQ(r.errors.find("device not closed"), std::string::npos) << r.errors;

  r = Record("WaveScene.Play", "loop");
  span = r.Active();
  ASSERT_LT(span.first, span.second);
  EXPECT_GT(r.Seconds(span.second - span.first), 1.3) << "the loop stopped early";
  // Far less than one buffer (0.37 s here): the seam is bridged by the queue.
  EXPECT_LT(r.LongestGap(), 0.05);
}
