// SystemInfoTest.cpp - system information: parsers of the Linux sources and
// the log lines' shape.
#include "common/LogCapture.h"
#include "core/SystemInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SystemInfoTest, MemInfoIsComputedIn64BitsAndGarbageIsRefused) {
  // 64 GiB would overflow a 32-bit byte count.
  uint64_t total = 0, avail = 0;
  ASSERT_TRUE(
      ParseMemInfo("MemTotal:       67108864 kB\nMemFree:  100 kB\nMemAvailable:   33554432 kB\n",
                   &total, &avail));
  EXPECT_EQ(total, uint64_t(64) << 30);
  EXPECT_EQ(avail, uint64_t(32) << 30);
  // Without MemAvailable the free memory counts; garbage is refused.
  ASSERT_TRUE(ParseMemInfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n", &total, &avail));
  EXPECT_EQ(avail, 1024u * 1024u);
  EXPECT_FALSE(ParseMemInfo("nothing here", &total, &avail));
  EXPECT_FALSE(ParseMemInfo("MemTotal: lots", &total, &avail));
}

TEST(SystemInfoTest, OsReleasePrefersPrettyNameAndStripsQuotes) {
  EXPECT_EQ(ParseOsReleaseName(
                "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(ParseOsReleaseName("NAME=Arch\n"), "Arch");
  EXPECT_EQ(ParseOsReleaseName(""), "Unknown");
}

TEST(SystemInfoTest, KernelReleaseMapsToVersionAndBuild) {
  float version = 0;
  int build = 0;
  ParseKernelRelease("6.1.0-18-amd64", &version, &build);
  EXPECT_FLOAT_EQ(version, 6.01f);
  EXPECT_EQ(build, 0);
  ParseKernelRelease("5.15.133", &version, &build);
  EXPECT_FLOAT_EQ(version, 5.15f);
  EXPECT_EQ(build, 133);
  ParseKernelRelease("garbage", &version, &build);
  EXPECT_EQ(version, 0.0f);
}

TEST(SystemInfoTest, LinesKeepTheirShape) {
  kaztest::LogCapture log;
  LogSystemInfo(QuerySystemInfo());
  std::vector<std::string> lines;
  for (const kaztest::LoggedLine& line : log.Lines()) lines.push_back(line.text);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].rfind("CPU: ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("OS:  ", 0), 0u);
  EXPECT_NE(lines[1].find("(version "), std::string::npos);
  EXPECT_EQ(lines[2].rfind("Free Physical Memory: ", 0), 0u);
  EXPECT_EQ(lines[3].rfind("Free Virtual Memory: ", 0), 0u);
  EXPECT_EQ(lines[4].rfind("OpenGL Version: ", 0), 0u);
  EXPECT_EQ(lines[5], " ");
#if defined(__x86_64__)
  EXPECT_EQ(lines[0].back(), ')');
#endif
  // The CPU strings are terminated and bounded.
  SystemInfo info = QuerySystemInfo();
  EXPECT_LE(info.cpuBrand.size(), 48u);
#if defined(__x86_64__)
  EXPECT_EQ(info.cpuVendor.size(), 12u);
#endif
  EXPECT_GT(info.totalPhysical, 0u);
  EXPECT_GE(info.totalPhysical, info.availPhysical);
}
