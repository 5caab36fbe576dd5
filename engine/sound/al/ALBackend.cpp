// ALBackend.cpp - the one place the sound module's OpenAL implementation is chosen.
#include "sound/SoundManager.h"
#include "sound/al/ALSoundInstance.h"
#include "sound/al/ALSoundManager.h"

SoundManager* CreatePlatformSoundManager() {
  auto* manager = new ALSoundManager();
  if (!manager->Enumerate()) {
    delete manager;
    return nullptr;
  }
  return manager;
}

SoundInstance* CreatePlatformSoundInstance(const std::string& fileName, bool positional) {
  return ALSoundInstance::CreateFor(fileName, positional);
}
