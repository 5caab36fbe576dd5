// EngineSoundTest.cpp - sound inside the engine: start-up with and without
// "nosound", the listener following the render camera, "restartsound", the
// statistics block and world sound objects.
#include "SoundTestUtil.h"

#include "console/ColourMarkup.h"
#include "core/Engine.h"
#include "core/TestEngine.h"
#include "tier1/CameraObject.h"
#include "tier1/SoundObject.h"
#include "tier1/World.h"

#include <algorithm>

using namespace soundtest;

namespace {

class EngineSoundTest : public EngineTest {
 protected:
  void Start(std::vector<std::string> args) {
    // The engine installs its own log handler: its lines arrive as output.
    // Inactive, so that a frame leaves its notices for the test to read.
    m_engine = StartTestEngine(std::move(args), &m_out);
    ASSERT_NE(m_engine, nullptr) << Dump();
    m_engine->SetClock(&m_clock);
    FileSystem::AddToSearchPath(SoundsDir(), true);
  }
  void Frame() { Run(1, 0.02); }
  bool HasNotice(const char* text) {
    const std::vector<std::string> notices = m_engine->GetConsole().GetNotices();
    return std::find(notices.begin(), notices.end(), ConvertColourTags(text)) != notices.end();
  }
  static ALSoundInstance* InstanceOf(SoundObject* object) {
    return static_cast<ALSoundInstance*>(object->GetInstance());
  }
  int Printed(const std::string& text) const { return m_out.Count(text); }
  std::string Dump() const { return m_out.All(); }
};

}  // namespace

TEST_F(EngineSoundTest, StartsSoundRestartsItAndTheListenerFollowsTheCamera) {
  Start({});
  ASSERT_NE(m_engine->GetSoundManager(), nullptr);
  EXPECT_EQ(Printed("Initialized sound (OpenAL Soft) - OpenAL Version 1.1"), 1) << Dump();
  EXPECT_EQ(m_engine->ExecuteCommand(false, "restartsound"), 0);
  EXPECT_EQ(Printed("Initialized sound (OpenAL Soft)"), 2);
  CVarRegistry::Instance().SoundStats.Set(true);
  Frame();
  EXPECT_TRUE(HasNotice("[cyan]CPU Usage [grey]: [white] 0.00%"));
  // The restarted device's listener follows the render camera.
  CameraObjectParams p;
  p.transform = Matrix4x4::MakeTranslation(Vector3D(7, 8, 9));
  WorldObject* camera = m_engine->GetWorld()->CreateObject(p);
  ASSERT_NE(camera, nullptr);
  m_engine->SetRenderCamera(camera);
  Frame();
  ALfloat position[3] = {}, orientation[6] = {};
  alGetListenerfv(AL_POSITION, position);
  alGetListenerfv(AL_ORIENTATION, orientation);
  EXPECT_EQ(position[0], 7.0f);
  EXPECT_EQ(position[2], -9.0f);
  EXPECT_EQ(orientation[2], -1.0f) << "the camera looks along engine +z, OpenAL's -z";
  EXPECT_EQ(orientation[4], 1.0f);
  m_engine->SetRenderCamera(nullptr);
}

TEST_F(EngineSoundTest, NoSoundRunsSilent) {
  Start({"-nosound"});
  EXPECT_EQ(m_engine->GetSoundManager(), nullptr);
  EXPECT_EQ(Printed("Initialized sound"), 0);
  EXPECT_EQ(m_engine->ExecuteCommand(false, "restartsound"), -1);
  CVarRegistry::Instance().SoundStats.Set(true);
  Frame();
  EXPECT_TRUE(HasNotice("[red](SoundManager not present)"));
  // A sound object naming a file is made, silent, rather than refused.
  SoundObject* sound = MakeSound(m_engine->GetWorld(), "tone440.wav", true, true);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetInstance(), nullptr);
}

TEST_F(EngineSoundTest, SoundObjectsPlayPauseFollowTheirObjectOrFailWithALine) {
  Start({});
  SoundObject* sound =
      MakeSound(m_engine->GetWorld(), "tone440.wav", true, true, true, Vector3D(1, 2, 3));
  ASSERT_NE(sound, nullptr) << Dump();
  ALSoundInstance* instance = InstanceOf(sound);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance->GetState(), SoundState_Playing);
  EXPECT_TRUE(instance->IsLooping());
  sound->Pause(true);
  EXPECT_EQ(instance->GetState(), SoundState_Paused);
  sound->Pause(false);
  EXPECT_EQ(instance->GetState(), SoundState_Playing);
  sound->SetWorldTransform(Matrix4x4::MakeTranslation(Vector3D(4, 5, 6)));
  ALfloat p[3] = {};
  alGetSourcefv(instance->GetSource(), AL_POSITION, p);
  EXPECT_EQ(p[0], 4.0f);
  EXPECT_EQ(p[1], 5.0f);
  EXPECT_EQ(p[2], -6.0f);
  const uint32_t playing = ALSoundInstance::s_pool.GetInUseCount();
  m_engine->GetWorld()->RemoveObject(sound);
  EXPECT_EQ(ALSoundInstance::s_pool.GetInUseCount(), playing - 1) << "the instance is released";
  // A missing file fails the object with its line; the base package's own
  // sounds stay.
  const uint32_t sounds = m_engine->GetWorld()->GetObjectCount(ObjectType_Sound);
  EXPECT_EQ(MakeSound(m_engine->GetWorld(), "nothere.wav", true, false), nullptr);
  EXPECT_EQ(Printed("Failed to load sound 'nothere.wav': could not open file"), 1) << Dump();
  EXPECT_EQ(m_engine->GetWorld()->GetObjectCount(ObjectType_Sound), sounds);
}
