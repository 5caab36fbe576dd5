// LogTest.cpp - the log front end: levels, the 2047-character limit, no
// handler, no format injection.
#include "base/Log.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

TEST(LogTest, EachFunctionReportsItsLevel) {
  kaztest::LogCapture log;
  LogMessage("m %d", 1);
  LogWarning("w");
  LogError("e");
  LogDetail("d");
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, "m 1");
  EXPECT_EQ(lines[0].level, LogLevel_Message);
  EXPECT_EQ(lines[1].level, LogLevel_Warning);
  EXPECT_EQ(lines[2].level, LogLevel_Error);
  EXPECT_EQ(lines[3].level, LogLevel_Detail);
}

TEST(LogTest, LongTextIsCutArgumentsAreNeverFormatsAndNoHandlerDiscards) {
  kaztest::LogCapture log;
  LogMessage("%s", std::string(3000, 'x').c_str());
  LogMessage("%s", "file%d.txt");
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text.size(), 2047u);
  EXPECT_EQ(lines[1].text, "file%d.txt");
  LogHandler previous = GetLogHandler();
  SetLogHandler(nullptr);
  LogError("nobody hears this");  // and nothing crashes
  SetLogHandler(previous);
}

TEST(FormatBoundedTest, TerminatesAndReportsLength) {
  char buf[8];
  EXPECT_EQ(FormatBounded(buf, sizeof(buf), "%s", "abcdefghijkl"), 7u);
  EXPECT_STREQ(buf, "abcdefg");
  EXPECT_EQ(FormatBounded(buf, sizeof(buf), nullptr), 0u);
  EXPECT_STREQ(buf, "");
}

TEST(FirstReportTest, EachKeyOnceUntilForgotten) {
  ForgetReports();
  EXPECT_TRUE(FirstReport("texture a.png"));
  EXPECT_FALSE(FirstReport("texture a.png"));
  EXPECT_TRUE(FirstReport("texture b.png"));
  ForgetReports();  // a new run reports again
  EXPECT_TRUE(FirstReport("texture a.png"));
}
