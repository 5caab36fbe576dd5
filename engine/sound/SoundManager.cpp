// SoundManager.cpp - the sound module's functions over the platform's
// implementation (CreatePlatformSoundManager, chosen in sound/al/).
#include "sound/SoundManager.h"

#include "tier1/SoundObject.h"

#include <cstdio>

namespace {

SoundManager* g_manager = nullptr;

// What world sound objects play through.
class InstanceHooks final : public SoundObjectHooks {
 public:
  SoundInstance* Create(const char* fileName, bool positional) const override {
    return CreateSoundInstance(fileName ? fileName : "", positional);
  }
  void Release(SoundInstance* instance) const override { instance->Release(); }
  void Play(SoundInstance* instance, bool loop) const override { instance->Play(loop); }
  void Pause(SoundInstance* instance) const override { instance->Pause(); }
  void Resume(SoundInstance* instance) const override { instance->Resume(); }
  void SetPosition(SoundInstance* instance, const Vector3D& position) const override {
    instance->SetPosition(position);
  }
};

// Static: sound objects keep a pointer to the hooks that made their instance.
const InstanceHooks g_hooks{};

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
  SetSoundObjectHooks(g_manager && g_manager->IsOpen() ? &g_hooks : nullptr);
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
