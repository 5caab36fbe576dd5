// ManagerTest.cpp - device choice, opening, restarting and the module functions.
#include "SoundTestUtil.h"

#include "tier1/SoundObject.h"

#include <string>

using namespace soundtest;

namespace {

// Names separated by zero bytes, ended by two.
std::string DeviceList(std::initializer_list<const char*> names) {
  std::string list;
  for (const char* name : names) list.append(name).push_back('\0');
  list.push_back('\0');
  return list;
}

class EnumerationTest : public ::testing::Test {
 protected:
  kaztest::LogCapture log;
  ALSoundManager manager;
};

}  // namespace

// The type picks a "Hardware" or "Software" name, the default name wins over
// earlier matches, and only the first twelve names count.
TEST_F(EnumerationTest, DevicesAreChosenByType) {
  std::string twelvePlus;
  for (int i = 0; i < 14; ++i)
    twelvePlus.append(i == 13 ? "Late Hardware" : "Device " + std::to_string(i)).push_back('\0');
  twelvePlus.push_back('\0');
  const std::string three = DeviceList({"Speakers", "Generic Hardware", "Generic Software"});
  const std::string defaultLast = DeviceList({"Generic Hardware", "Speakers"});
  const std::string neither = DeviceList({"One", "Two"});
  struct Case {
    const std::string* list;
    const char* defaultName;
    const char* type;
    const char* chosen;
  } cases[] = {
      {&three, "Speakers", "HW", "Generic Hardware"},
      {&three, "Speakers", "sw", "Generic Software"},
      {&three, "Speakers", "anything", "Speakers"},
      {&three, "Speakers", "Mute", nullptr},
      {&defaultLast, "Speakers", "hw", "Speakers"},
      {&neither, "Two", "hw", "Two"},
      {&neither, "Two", "sw", "Two"},
      {&twelvePlus, "Device 0", "hw", "Device 0"},
  };
  for (const Case& c : cases) {
    ALSoundManager fresh;
    ASSERT_TRUE(fresh.Enumerate(true, c.defaultName, c.list->c_str()));
    EXPECT_LE(fresh.GetDeviceNames().size(), ALSoundManager::kMaxDevices);
    const char* chosen = fresh.ChooseDevice(c.type);
    EXPECT_EQ(chosen ? std::string(chosen) : "(none)", c.chosen ? c.chosen : "(none)")
        << c.type << " among " << c.list->size() << " bytes of names";
  }
}

TEST_F(EnumerationTest, MissingExtensionFailsAndTheNullDriverIsOneDefaultDevice) {
  EXPECT_FALSE(manager.Enumerate(false, nullptr, nullptr));
  EXPECT_EQ(log.Count("OpenAL ALC_ENUMERATION_EXT is not present!", LogLevel_Error), 1);
  ASSERT_TRUE(manager.Enumerate());
  ASSERT_EQ(manager.GetDeviceNames().size(), 1u);
  EXPECT_EQ(manager.GetDeviceNames()[0], "OpenAL Soft");
  EXPECT_EQ(manager.GetDefaultIndex(), 0);
}

class ManagerTest : public SoundFixture {};

TEST_F(ManagerTest, InitLogsTheDeviceAndAgainClosesTheFirst) {
  EXPECT_TRUE(log.Has("Initialized sound (OpenAL Soft) - OpenAL Version 1.1")) << log.Dump();
  EXPECT_EQ(GetSoundManager(), manager);
  EXPECT_EQ(CreateSoundManager(), manager) << "one manager per process";
  ASSERT_TRUE(manager->Init());
  EXPECT_NE(manager->GetDevice(), nullptr);
  EXPECT_TRUE(manager->IsOpen());
  EXPECT_EQ(log.Count("Initialized sound (OpenAL Soft)"), 2);
  // "mute" opens the default device without a name.
  CVarRegistry::Instance().SoundDevType.Set("MUTE");
  ASSERT_TRUE(manager->Init());
  EXPECT_TRUE(log.Has("Initialized sound () - OpenAL Version 1.1")) << log.Dump();
  EXPECT_TRUE(manager->IsOpen());
}

TEST_F(ManagerTest, AFailingDeviceLeavesTheManagerClosedAndObjectsSilent) {
  const std::string list = DeviceList({"No Such Device"});
  ASSERT_TRUE(manager->Enumerate(true, "No Such Device", list.c_str()));
  UpdateSoundObjectHooks();
  EXPECT_NE(GetSoundObjectHooks(), nullptr);
  EXPECT_FALSE(manager->Init());
  EXPECT_EQ(log.Count("Failed to create OpenAL device: No Such Device", LogLevel_Error), 1);
  EXPECT_FALSE(manager->IsOpen());
  UpdateSoundObjectHooks();
  EXPECT_EQ(GetSoundObjectHooks(), nullptr) << "sound objects must be made silent, not refused";
  EXPECT_EQ(CreateSoundInstance("tone440.wav", true), nullptr);
}

TEST_F(ManagerTest, RestartMovesPlayingSoundsToTheNewDevice) {
  Ref<SoundInstance> loop = Ref<SoundInstance>::Adopt(CreateSoundInstance("tone440.wav", true));
  Ref<SoundInstance> once = Ref<SoundInstance>::Adopt(CreateSoundInstance("tone440.wav", true));
  Ref<SoundInstance> theme = Ref<SoundInstance>::Adopt(CreateSoundInstance("stereo.ogg", false));
  ASSERT_TRUE(loop && once && theme);
  loop->Play(true);
  theme->Play(true);
  auto* al = static_cast<ALSoundInstance*>(loop.Get());

  ASSERT_TRUE(manager->Init());
  // The source must hold the reloaded buffer, not a name of the closed device.
  ALint attached = 0;
  alGetSourcei(al->GetSource(), AL_BUFFER, &attached);
  EXPECT_EQ(static_cast<ALuint>(attached), al->GetResource()->GetBuffer());
  ASSERT_TRUE(alIsBuffer(static_cast<ALuint>(attached)));
  ALint frequency = 0;
  alGetBufferi(static_cast<ALuint>(attached), AL_FREQUENCY, &frequency);
  EXPECT_EQ(frequency, 44100);
  EXPECT_EQ(loop->GetState(), SoundState_Playing);
  EXPECT_TRUE(loop->IsLooping());
  EXPECT_EQ(theme->GetState(), SoundState_Playing);
  EXPECT_EQ(once->GetState(), SoundState_Stopped);
  once->Play(false);
  EXPECT_EQ(once->GetState(), SoundState_Playing);
}
