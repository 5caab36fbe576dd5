// SampleModTest.cpp - the sample mod "sounddemo" played headless on the wave
// writer: the hum circling the camera is heard on the right, then the left;
// the chime follows its key; the theme streams in both channels.
//
// Until scripts drive the mod, this test plays the application's part: it
// builds the scene the mod's README describes and moves the hum every frame.
#include "SoundTestUtil.h"
#include "WaveRecording.h"

#include "core/Engine.h"
#include "core/TestWindow.h"
#include "tier1/CameraObject.h"
#include "tier1/SoundObject.h"
#include "tier1/World.h"

#include <chrono>
#include <cmath>

using namespace soundtest;

namespace {

constexpr int kSpaceKey = 32;
constexpr double kRevolution = 2.0;  // seconds per circle
constexpr double kChimeAt = 0.6;     // seconds into the scene
constexpr double kSceneLength = 1.4;

// Plays the one-shot when Space goes down, as the application would.
struct ChimeOnSpace : IEngineEventListener {
  SoundObject* chime = nullptr;
  void OnEvent(const EngineEvent& event) override {
    if (event.code == EngineEvent_KeyPressed && event.key == kSpaceKey && chime) chime->Play(false);
  }
};

void PlaySoundDemo() {
  KAZ_REQUIRE_TEST_WINDOW();
  char arg0[] = KAZ_BIN_DIR "/shell", mod[] = "-mod", name[] = "sounddemo";
  char* argv[] = {arg0, mod, name, nullptr};
  ASSERT_NE(kazStartup(3, argv, TestWindow(), "Sound demo", "cove", nullptr, nullptr), nullptr);
  auto* engine = static_cast<KazEngine*>(kazGetInterface());
  World* world = engine->GetWorld();
  CameraObjectParams camera;
  engine->SetRenderCamera(world->CreateObject(camera));
  SoundObject* hum = MakeSound(world, "Sounds/hum.wav", true, true, true, Vector3D(5, 0, 0));
  ChimeOnSpace listener;
  listener.chime = MakeSound(world, "Sounds/chime.wav", false, false, false);
  ASSERT_TRUE(hum && listener.chime && MakeSound(world, "Music/theme.ogg", true, true, false));
  engine->GetEventListeners().Add(&listener, EngineEventCategory_Input);

  const auto start = std::chrono::steady_clock::now();
  bool chimed = false;
  for (double t = 0; t < kSceneLength;
       t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()) {
    // Right (+x) first, then ahead (+z), then left: counter-clockwise seen from above.
    const double angle = 2.0 * M_PI * t / kRevolution;
    hum->SetWorldTransform(Matrix4x4::MakeTranslation(Vector3D(
        static_cast<float>(5 * std::cos(angle)), 0, static_cast<float>(5 * std::sin(angle)))));
    if (!chimed && t >= kChimeAt) {
      engine->OnKeyDown(kSpaceKey);
      engine->OnKeyUp(kSpaceKey);
      chimed = true;
    }
    engine->RunFrame();
    Sleep(0.01);
  }
  engine->GetEventListeners().Remove(&listener);
  engine->SetRenderCamera(nullptr);
  kazShutdown();
}

}  // namespace

TEST(SampleModScene, Play) {
  const char* scene = std::getenv("KAZ_WAVE_SCENE");
  if (!scene) GTEST_SKIP() << "runs only as a child of the sample mod test";
  PlaySoundDemo();
}

TEST(SampleModTest, TheHumCirclesAndTheChimeAndThemeAreHeard) {
  KAZ_REQUIRE_TEST_WINDOW();
  Recording r = Record("SampleModScene.Play", "sounddemo");
  const auto span = r.Active();
  ASSERT_LT(span.first, span.second) << r.errors;
  const size_t window = static_cast<size_t>(r.rate / 10);
  auto at = [&](double seconds) { return span.first + static_cast<size_t>(seconds * r.rate); };
  auto hum = [&](const std::vector<int16_t>& channel, double seconds) {
    return ToneDb(channel, at(seconds), window, 330, r.rate);
  };
  // Starting on the right; half a revolution later, on the left.
  EXPECT_GT(hum(r.right, 0.0) - hum(r.left, 0.0), 10.0);
  EXPECT_GT(hum(r.left, 0.95) - hum(r.right, 0.95), 10.0);
  // The chime rings only after its key; the theme is centred.
  EXPECT_LT(ToneDb(r.left, at(0.1), window, 880, r.rate),
            ToneDb(r.left, at(kChimeAt + 0.05), window, 880, r.rate) - 20.0);
  EXPECT_NEAR(ToneDb(r.left, at(0.3), window, 220, r.rate),
              ToneDb(r.right, at(0.3), window, 220, r.rate), 1.0);
  EXPECT_EQ(r.errors.find("device not closed"), std::string::npos) << r.errors;
}
