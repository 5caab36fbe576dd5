// SystemInfo.cpp - see SystemInfo.h.
#include "core/SystemInfo.h"

#include "base/Log.h"
#include "base/StringUtil.h"

#include <sys/resource.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Reads "Key:   123 kB" from /proc-style text into bytes.
bool FindKiloBytes(const std::string& text, const char* key, uint64_t* bytes) {
  size_t keyLen = strlen(key);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    if (text.compare(pos, keyLen, key) == 0 && pos + keyLen < text.size() &&
        text[pos + keyLen] == ':') {
      const char* p = text.c_str() + pos + keyLen + 1;
      char* stop = nullptr;
      unsigned long long kb = strtoull(p, &stop, 10);
      if (stop == p) return false;
      *bytes = static_cast<uint64_t>(kb) * 1024u;
      return true;
    }
    pos = end + 1;
  }
  return false;
}

void QueryCpu(SystemInfo& info) {
#if defined(__i386__) || defined(__x86_64__)
  unsigned regs[4] = {0, 0, 0, 0};
  if (__get_cpuid(0, &regs[0], &regs[1], &regs[2], &regs[3])) {
    char vendor[13];
    memcpy(vendor + 0, &regs[1], 4);  // EBX
    memcpy(vendor + 4, &regs[3], 4);  // EDX
    memcpy(vendor + 8, &regs[2], 4);  // ECX
    vendor[12] = '\0';
    info.cpuVendor = vendor;
  }
  unsigned maxExt = __get_cpuid_max(0x80000000u, nullptr);
  if (maxExt >= 0x80000004u) {
    char brand[49];
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
      __get_cpuid(0x80000002u + leaf, &regs[0], &regs[1], &regs[2], &regs[3]);
      memcpy(brand + leaf * 16, regs, 16);  // EAX, EBX, ECX, EDX
    }
    brand[48] = '\0';  // the brand string need not be terminated
    info.cpuBrand = TrimWhitespace(brand);
  }
#else
  (void)info;
#endif
}

}  // namespace

bool ParseMemInfo(const std::string& text, uint64_t* total, uint64_t* available) {
  uint64_t t = 0, a = 0;
  if (!FindKiloBytes(text, "MemTotal", &t)) return false;
  // Kernels before 3.14 have no MemAvailable; MemFree is the closest thing.
  if (!FindKiloBytes(text, "MemAvailable", &a) && !FindKiloBytes(text, "MemFree", &a)) a = 0;
  *total = t;
  *available = a;
  return true;
}

std::string ParseOsReleaseName(const std::string& text) {
  std::string name, pretty;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = TrimWhitespace(line.substr(0, eq));
    std::string value = TrimWhitespace(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (key == "PRETTY_NAME")
      pretty = value;
    else if (key == "NAME")
      name = value;
  }
  if (!pretty.empty()) return pretty;
  return name.empty() ? "Unknown" : name;
}

void ParseKernelRelease(const std::string& release, float* version, int* build) {
  int major = 0, minor = 0, patch = 0;
  if (sscanf(release.c_str(), "%d.%d.%d", &major, &minor, &patch) < 2) {
    *version = 0.0f;
    *build = 0;
    return;
  }
  *version = static_cast<float>(major) + static_cast<float>(minor) / 100.0f;
  *build = patch;
}

SystemInfo QuerySystemInfo() {
  SystemInfo info;
  QueryCpu(info);

  info.osName = ParseOsReleaseName(ReadWholeFile("/etc/os-release"));
  struct utsname uts;
  if (uname(&uts) == 0) {
    info.servicePack = std::string(uts.sysname) + " " + uts.release;
    ParseKernelRelease(uts.release, &info.osVersion, &info.buildNumber);
  }

  ParseMemInfo(ReadWholeFile("/proc/meminfo"), &info.totalPhysical, &info.availPhysical);

  // Virtual memory is the process's address space: its limit, or the
  // architecture's user space, less what the process has mapped.
  uint64_t addressSpace = sizeof(void*) == 8 ? (uint64_t(1) << 47) : (uint64_t(1) << 32);
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    addressSpace = static_cast<uint64_t>(limit.rlim_cur);
  uint64_t mapped = 0;
  FindKiloBytes(ReadWholeFile("/proc/self/status"), "VmSize", &mapped);
  info.totalVirtual = addressSpace;
  info.availVirtual = mapped < addressSpace ? addressSpace - mapped : 0;
  return info;
}

void LogSystemInfo(const SystemInfo& info) {
  LogMessage("CPU: %s (%s)", info.cpuBrand.c_str(), info.cpuVendor.c_str());
  LogMessage("OS:  %s %s (version %.2f, build %d)", info.osName.c_str(), info.servicePack.c_str(),
             static_cast<double>(info.osVersion), info.buildNumber);
  LogMessage("Free Physical Memory: %d/%d mb", static_cast<int>(info.availPhysical >> 20),
             static_cast<int>(info.totalPhysical >> 20));
  LogMessage("Free Virtual Memory: %d/%d mb", static_cast<int>(info.availVirtual >> 20),
             static_cast<int>(info.totalVirtual >> 20));
  LogMessage("OpenGL Version: %s", info.graphicsVersion.c_str());
  LogMessage(" ");
}
