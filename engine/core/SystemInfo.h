// SystemInfo.h - facts about the machine, written to the log once at start-up.
//
// Linux sources: cpuid for the processor, /etc/os-release and uname for the
// operating system, /proc/meminfo and /proc/self/status for memory. A fact that
// cannot be obtained is left empty or 0; nothing here fails start-up.
// Builds on base/Log.h (in the .cpp) and the standard library.
#pragma once

#include <cstdint>
#include <string>

struct SystemInfo {
  std::string cpuBrand;   // up to 48 characters
  std::string cpuVendor;  // 12 characters
  std::string osName;
  std::string servicePack;  // the kernel release on Linux
  float osVersion = 0.0f;   // major + minor / 100 ("6.1" -> 6.01, "5.15" -> 5.15)
  int buildNumber = 0;      // the kernel's patch level
  uint64_t totalPhysical = 0, availPhysical = 0;
  uint64_t totalVirtual = 0, availVirtual = 0;
  std::string graphicsVersion;  // not known before the video device exists
};

SystemInfo QuerySystemInfo();
// Writes the system-information lines through LogMessage.
void LogSystemInfo(const SystemInfo& info);

// Parsers, exposed for tests. Sizes are in bytes.
bool ParseMemInfo(const std::string& text, uint64_t* total, uint64_t* available);
std::string ParseOsReleaseName(const std::string& text);
void ParseKernelRelease(const std::string& release, float* version, int* build);
