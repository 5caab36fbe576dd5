// ALSoundManager.h - the sound manager over OpenAL Soft.
//
// Enumerates the output devices once (the ALC_ENUMERATION_EXT list), opens
// the one SoundDevType names, owns the context and places the listener. Init
// on an open manager moves everything to a new device: live instances lose
// their sources, resources their buffers, and both are made again on the new
// device (OpenAL hands out the old names again, so nothing may be kept).
//
// Depends on ALCommon.h (OpenAL), ALSoundInstance, ALSoundResource,
// console/CVarRegistry (SoundDevType), base/Log; ALUT for WAV decoding.
#pragma once

#include "sound/al/ALCommon.h"
#include "sound/SoundManager.h"

#include <string>
#include <vector>

class ALSoundManager : public SoundManager {
 public:
  static constexpr size_t kMaxDevices = 12;

  ALSoundManager();
  ~ALSoundManager() override;

  // Reads OpenAL's device list; false (logged) without the enumeration extension.
  bool Enumerate();
  // The same rules over given values: the seam tests feed device lists through.
  // `list` holds names separated by a zero byte and ends with two.
  bool Enumerate(bool hasExtension, const char* defaultName, const char* list);
  // The device SoundDevType asks for; null means OpenAL's own default.
  const char* ChooseDevice(const std::string& devType) const;

  bool Init() override;
  float GetCPUUsage() override { return 0.0f; }
  void SetListenerTransform(const Matrix4x4& transform) override;
  void SetListenerVelocity(const Vector3D& velocity) override;
  bool IsOpen() const override { return m_context != nullptr; }

  const std::vector<std::string>& GetDeviceNames() const { return m_names; }
  int GetDefaultIndex() const { return m_defaultIndex; }
  int GetHardwareIndex() const { return m_hardwareIndex; }
  int GetSoftwareIndex() const { return m_softwareIndex; }
  ALCdevice* GetDevice() const { return m_device; }

 private:
  // Takes every instance and resource off the device, then closes it.
  void Shutdown();
  bool OpenDevice(const char* name);

  std::vector<std::string> m_names;
  int m_defaultIndex = 0;
  int m_hardwareIndex = 0;
  int m_softwareIndex = 0;
  ALCdevice* m_device = nullptr;
  ALCcontext* m_context = nullptr;
  bool m_warnedBadListener = false;
};
