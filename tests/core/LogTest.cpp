// The log front end: levels, the 2047-character limit, no handler, no format injection.
#include "core/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct Captured {
  std::string text;
  LogLevel level;
};
std::vector<Captured> g_captured;
void Capture(const char* text, LogLevel level) {
  g_captured.push_back({text, level});
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_captured.clear();
    previous_ = GetLogHandler();
    SetLogHandler(&Capture);
  }
  void TearDown() override { SetLogHandler(previous_); }
  LogHandler previous_ = nullptr;
};
}  // namespace

TEST_F(LogTest, EachFunctionReportsItsLevel) {
  LogMessage("m %d", 1);
  LogWarning("w");
  LogError("e");
  LogDetail("d");
  ASSERT_EQ(g_captured.size(), 4u);
  EXPECT_EQ(g_captured[0].text, "m 1");
  EXPECT_EQ(g_captured[0].level, LogLevel_Message);
  EXPECT_EQ(g_captured[1].level, LogLevel_Warning);
  EXPECT_EQ(g_captured[2].level, LogLevel_Error);
  EXPECT_EQ(g_captured[3].level, LogLevel_Detail);
}

TEST_F(LogTest, LongMessagesAreCutTo2047Characters) {
  std::string big(3000, 'x');
  LogMessage("%s", big.c_str());
  ASSERT_EQ(g_captured.size(), 1u);
  EXPECT_EQ(g_captured[0].text.size(), 2047u);
}

TEST_F(LogTest, PercentInArgumentIsLiteral) {
  LogMessage("%s", "file%d.txt");
  EXPECT_EQ(g_captured.at(0).text, "file%d.txt");
}

TEST_F(LogTest, NoHandlerDiscards) {
  SetLogHandler(nullptr);
  LogError("nobody hears this");
  EXPECT_TRUE(g_captured.empty());
}

TEST(FormatBoundedTest, TerminatesAndReportsLength) {
  char buf[8];
  EXPECT_EQ(FormatBounded(buf, sizeof(buf), "%s", "abcdefghijkl"), 7u);
  EXPECT_STREQ(buf, "abcdefg");
  EXPECT_EQ(FormatBounded(buf, sizeof(buf), nullptr), 0u);
  EXPECT_STREQ(buf, "");
}
