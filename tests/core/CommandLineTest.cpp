// CommandLineTest.cpp - command-line parsing: case, repeated options, multi-word values, stray
// arguments.
#include "base/StringUtil.h"
#include "core/CommandLine.h"

#include <gtest/gtest.h>

namespace {
CommandLine ParseArgs(std::initializer_list<const char*> args) {
  std::vector<const char*> argv(args);
  CommandLine cl;
  cl.Parse(static_cast<int>(argv.size()), argv.data(), 1);
  return cl;
}
}  // namespace

TEST(CommandLineTest, OptionNamesIgnoreCase) {
  CommandLine cl = ParseArgs({"shell", "-MOD", "pirates", "-Log"});
  ASSERT_NE(cl.Find("mod"), nullptr);
  EXPECT_EQ(*cl.Find("mod"), "pirates");
  EXPECT_TRUE(cl.Has("LOG"));
  EXPECT_EQ(*cl.Find("log"), "");
}

TEST(CommandLineTest, ValuesJoinWithSingleBlanksAndFirstValueWins) {
  CommandLine cl =
      ParseArgs({"shell", "ignored", "-title", "a", "b", "-resx", "1024", "-RESX", "640", "800"});
  EXPECT_EQ(*cl.Find("title"), "a b");
  EXPECT_EQ(*cl.Find("ResX"), "1024");
  EXPECT_FALSE(cl.Has("ignored"));
  EXPECT_EQ(cl.StrayWords(), std::vector<std::string>{"ignored"});  // kept for a warning
  EXPECT_EQ(cl.Options().size(), 2u);
  // A lone dash is a value, not an option.
  EXPECT_EQ(*ParseArgs({"shell", "-pkg", "-", "x"}).Find("pkg"), "- x");
  EXPECT_FALSE(ParseArgs({"shell", "-"}).Has(""));
}

TEST(CommandLineTest, NullArgumentsAreSkipped) {
  const char* argv[] = {"shell", nullptr, "-log", nullptr};
  CommandLine cl;
  cl.Parse(4, argv, 1);
  EXPECT_TRUE(cl.Has("log"));
  cl.Parse(3, nullptr, 1);
  EXPECT_TRUE(cl.Has("log"));
}

TEST(StringUtilTest, CompareSplitAndTrim) {
  EXPECT_EQ(CompareNoCase("ResX", "RESX"), 0);
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
  EXPECT_TRUE(EqualsNoCase("Cove", "cOVE"));
  EXPECT_FALSE(EqualsNoCase("cove", "cove2"));
  // Split keeps empty pieces; trimming takes CR and LF too.
  EXPECT_EQ(SplitString("a;;b;", ';'), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(TrimWhitespace("  value\r\n"), "value");
  EXPECT_EQ(TrimWhitespace(" \t\r\n"), "");
}
