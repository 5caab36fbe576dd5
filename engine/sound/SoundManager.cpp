// SoundManager.cpp - the sound module's functions over the platform's
// implementation (CreatePlatformSoundManager, chosen in sound/al/).
#include "sound/SoundManager.h"

#include "tier1/SoundObject.h"

#include <cstdio>

namespace {

SoundManager* g_manager = nullptr;

void* HookCreate(const char* fileName, bool positional) {
  return CreateSoundInstance(fileName ? fileName : "", positional);
}
void HookRelease(void* instance) {
  static_cast<SoundInstance*>(instance)->Release();
}
void HookPlay(void* instance, bool loop) {
  static_cast<SoundInstance*>(instance)->Play(loop);
}
void HookPause(void* instance) {
  static_cast<SoundInstance*>(instance)->Pause();
}
void HookResume(void* instance) {
  static_cast<SoundInstance*>(instance)->Resume();
}
void HookSetPosition(void* instance, const Vector3D& position) {
  static_cast<SoundInstance*>(instance)->SetPosition(position);
}

// Static: sound objects keep a pointer to the hooks that made their instance.
const SoundObjectHooks kHooks = {HookCreate, HookRelease, HookPlay,
                                 HookPause,  HookResume,  HookSetPosition};

}  // namespace

SoundManager* CreateSoundManager() {
  if (!g_manager) g_manager = CreatePlatformSoundManager();
  return g_manager;
}

void DestroySoundManager() {
  SoundManager* manager = g_manager;
  g_manager = nullptr;
  delete manager;
  UpdateSoundObjectHooks();
}

SoundManager* GetSoundManager() {
  return g_manager;
}

SoundInstance* CreateSoundInstance(const std::string& fileName, bool positional) {
  return CreatePlatformSoundInstance(fileName, positional);
}

void UpdateSoundObjectHooks() {
  SetSoundObjectHooks(g_manager && g_manager->IsOpen() ? &kHooks : nullptr);
}

std::vector<std::string> GetSoundStatsLines() {
  std::vector<std::string> lines{"[orange]--- Sound System ---"};
  if (g_manager) {
    char text[64];
    std::snprintf(text, sizeof(text), "[cyan]CPU Usage [grey]: [white] %.2f%%",
                  static_cast<double>(g_manager->GetCPUUsage()) * 100.0);
    lines.emplace_back(text);
  } else {
    lines.emplace_back("[red](SoundManager not present)");
  }
  lines.emplace_back(" ");
  return lines;
}
