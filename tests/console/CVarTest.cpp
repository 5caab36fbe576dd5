// CVarTest.cpp - console variables: text conversions, type inference, case-insensitive names,
// completion and locale independence.
#include "base/StringUtil.h"
#include "console/CVarRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

template <class Var, class Value>
auto From(std::string_view text, Value start) {
  Var var("v", start);
  var.SetFromString(text);
  return var.Get();
}
float FloatFrom(std::string_view text) {
  return From<CVarFloat>(text, 77.0f);
}

// The type a dynamic variable infers from the text, and the text it gives back.
void ExpectDynamic(const char* text, CVarType type, const char* back) {
  CVarDynamic d("d", 0);
  d.SetFromString(text);
  EXPECT_EQ(d.GetValueType(), type) << '"' << text << '"';
  EXPECT_EQ(d.ToString(), back) << '"' << text << '"';
}

}  // namespace

TEST(CVarParseTest, BoolIntAndStringFollowTheirRules) {
  for (const char* t : {"T", "true", "Tx", "1", "-2", "  5"})
    EXPECT_TRUE(From<CVarBool>(t, false)) << t;
  for (const char* t : {"", "f", "False", "0", "abc", " true"})
    EXPECT_FALSE(From<CVarBool>(t, true)) << t;
  EXPECT_EQ(CVarBool("b", true).ToString(), "true");

  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const std::pair<const char*, int32_t> ints[] = {{"12abc", 12},
                                                  {" \t-7", -7},
                                                  {"+5", 5},
                                                  {"abc", 0},
                                                  {"", 0},
                                                  {"-", 0},
                                                  {"2147483648", kMax},
                                                  {"99999999999999999999", kMax},
                                                  {"-2147483648", kMin},
                                                  {"-99999999999999999999", kMin}};
  for (auto [text, value] : ints) EXPECT_EQ(From<CVarInt>(text, 77), value) << text;
  EXPECT_EQ(CVarInt("i", -42).ToString(), "-42");

  CVarString s("s", "hw");
  s.SetFromString("  two words ");
  EXPECT_EQ(s.ToString(), "  two words ");
}

TEST(CVarParseTest, FloatIsDecimalFiniteAndPrintsSixDecimals) {
  EXPECT_EQ(CVarFloat("f", -0.5f).ToString(), "-0.500000");
  // No non-finite values and no hex: they would poison every frame's maths.
  const std::pair<const char*, float> floats[] = {
      {"2.5xyz", 2.5f}, {"  .25", 0.25f},   {"1e3", 1000.0f},    {"3e", 3.0f},
      {"abc", 0.0f},    {".", 0.0f},        {"nan", 0.0f},       {"inf", 0.0f},
      {"0x10", 0.0f},   {"1e999", FLT_MAX}, {"-1e39", -FLT_MAX}, {"1e-999", 0.0f}};
  for (auto [text, value] : floats) EXPECT_EQ(FloatFrom(text), value) << text;
}

TEST(CVarDynamicTest, InfersTypeFromText) {
  ExpectDynamic("3", CVarType::Int, "3");
  ExpectDynamic("3.5", CVarType::Float, "3.500000");
  ExpectDynamic("\"3\"", CVarType::String, "3");
  ExpectDynamic("-3", CVarType::String, "-3");
  ExpectDynamic(" true ", CVarType::Bool, "true");
  ExpectDynamic("FALSE", CVarType::Bool, "false");
  ExpectDynamic("1.2.3", CVarType::String, "1.2.3");
  ExpectDynamic("  abc ", CVarType::String, "  abc ");  // the untrimmed text
  ExpectDynamic("   ", CVarType::Int, "0");
  ExpectDynamic("99999999999", CVarType::Int, "2147483647");
  // A lone quote gives an empty string.
  for (const char* text : {"\"", "  \"  ", "\"\""}) ExpectDynamic(text, CVarType::String, "");

  // The inner value is unnamed and follows the typed setters.
  CVarDynamic d("d", CVarFlag_NoSave);
  d.SetFloat(2.0f);
  EXPECT_EQ(d.GetValue().GetName(), "");
  EXPECT_EQ(d.GetValueType(), CVarType::Float);
  d.SetString("x");
  EXPECT_EQ(d.ToString(), "x");
  d.SetBool(true);
  EXPECT_EQ(d.ToString(), "true");
  EXPECT_EQ(d.GetType(), CVarType::Dynamic);
  EXPECT_EQ(d.GetFlags(), uint32_t{CVarFlag_NoSave});
}

// The saved variables are checked entry by entry through the configuration
// file's layout (ConfigTest); the one default a decimal literal would round wrong here.
TEST(CVarRegistryTest, NamesInAnyCaseAreOneKey) {
  CVarRegistry registry;
  EXPECT_EQ(std::bit_cast<uint32_t>(registry.UniversalFudgeFactor.Get()), 0x40B0BFB1u);
  EXPECT_EQ(registry.Find("RESX"), &registry.ResX);
  EXPECT_EQ(registry.Find("ResX "), nullptr);
  EXPECT_EQ(registry.Find(""), nullptr);

  CVarInt other("RESX", 5);
  EXPECT_FALSE(registry.Register("RESX", &other));
  EXPECT_EQ(registry.Find("resx"), &registry.ResX);
  EXPECT_FALSE(registry.Register("", &other));
  EXPECT_FALSE(registry.Register("Other", nullptr));
  EXPECT_TRUE(registry.Register("Other", &other));
  EXPECT_EQ(registry.Find("OTHER"), &other);

  EXPECT_EQ(registry.CreateDynamic("gridsize", 0), nullptr);
  EXPECT_EQ(registry.CreateDynamic("", 0), nullptr);
  CVarDynamic* d = registry.CreateDynamic("MyVar", 7);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->GetFlags(), 7u);
  EXPECT_EQ(registry.Find("myvar"), d);
  EXPECT_EQ(registry.CreateDynamic("MYVAR", 0), nullptr);
  EXPECT_EQ(registry.GetCount(), CVarRegistry::kBuiltinCount + 2);
}

TEST(CVarRegistryTest, ManyDynamicsStayFindable) {
  CVarRegistry registry;
  for (int i = 0; i < 300; ++i)
    ASSERT_NE(registry.CreateDynamic("Script_Var_" + std::to_string(i), 0), nullptr);
  for (int i = 0; i < 300; ++i) {
    const CVar* cvar = registry.Find("SCRIPT_var_" + std::to_string(i));
    ASSERT_NE(cvar, nullptr) << i;
    EXPECT_EQ(cvar->GetName(), "Script_Var_" + std::to_string(i));
  }
  EXPECT_EQ(registry.Find("Script_Var_300"), nullptr);
  EXPECT_EQ(registry.Find("ResX"), &registry.ResX);
  // Bytes that differ only in bit 0x20 but are not letters are different names.
  ASSERT_NE(registry.CreateDynamic("a@", 0), nullptr);
  EXPECT_EQ(registry.Find("a`"), nullptr);
  EXPECT_NE(registry.CreateDynamic("a`", 0), nullptr);
}

TEST(CVarRegistryTest, CompleteAndListInCaseInsensitiveOrder) {
  CVarRegistry registry;
  std::vector<std::string> names;
  EXPECT_EQ(registry.Complete("d", false, names), 10);
  EXPECT_TRUE(std::ranges::is_sorted(names, NoCaseLess()));
  EXPECT_EQ(names.front(), "DebugAxisLength");

  names.clear();
  EXPECT_EQ(registry.Complete("d", true, names), 0);
  EXPECT_EQ(registry.Complete("D", true, names), 10);
  names.clear();
  EXPECT_EQ(registry.Complete("drawhudx", false, names), 0);
  EXPECT_EQ(registry.Complete("", false, names), static_cast<int>(CVarRegistry::kBuiltinCount));

  registry.CreateDynamic("aaa", 0);
  registry.CreateDynamic("Bz", 0);
  std::vector<CVar*> all;
  registry.ListAll(all);
  ASSERT_EQ(all.size(), CVarRegistry::kBuiltinCount + 2);
  EXPECT_EQ(all[0]->GetName(), "aaa");
  EXPECT_EQ(all[1]->GetName(), "BPP");
  EXPECT_EQ(all[2]->GetName(), "Bz");
}

TEST(CVarRegistryTest, TypedReadsResetAndFlags) {
  CVarRegistry registry;
  EXPECT_FLOAT_EQ(registry.GetFloat("GRIDSIZE"), 64.0f);
  EXPECT_TRUE(registry.GetBool("drawhud"));
  EXPECT_EQ(registry.GetString("sounddevtype"), "hw");
  EXPECT_EQ(registry.GetInt("missing", -9), -9);
  EXPECT_EQ(registry.GetString("missing", "x"), "x");
  registry.CreateDynamic("dyn", 0)->SetFromString("2.5");
  EXPECT_EQ(registry.GetInt("dyn"), 2);
  EXPECT_FLOAT_EQ(registry.GetFloat("dyn"), 2.5f);
  EXPECT_TRUE(registry.GetBool("dyn"));

  registry.ResX.Set(5);
  registry.SoundDevType.Set("sw");
  registry.TimeWarp.SetFlags(CVarFlag_ReadOnly);
  registry.ResetBuiltins();
  EXPECT_EQ(registry.GetInt("resx"), 1024);
  EXPECT_EQ(registry.SoundDevType.Get(), "hw");
  EXPECT_EQ(registry.TimeWarp.GetFlags(), uint32_t{CVarFlag_NoSave});
}

// A comma-decimal LC_NUMERIC must not change how numbers read or print.
TEST(CVarLocaleTest, NumbersUseDotWhateverTheLocale) {
  const char* locale = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                           "ru_RU.UTF-8", "nl_NL.UTF-8"}) {
    if (setlocale(LC_ALL, name) && localeconv()->decimal_point[0] == ',') {
      locale = name;
      break;
    }
  }
  if (!locale) {
    setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no comma-decimal locale (de_DE.UTF-8 or similar) is installed";
  }
  EXPECT_EQ(CVarFloat("f", 1.5f).ToString(), "1.500000");
  EXPECT_FLOAT_EQ(FloatFrom("2.25"), 2.25f);
  EXPECT_FLOAT_EQ(FloatFrom("2,25"), 2.0f);
  ExpectDynamic("3.5", CVarType::Float, "3.500000");
  CVarRegistry registry;
  // Turkish-style case rules must not touch names either.
  EXPECT_EQ(registry.Find("displayogginfo"), &registry.DisplayOGGInfo);
  setlocale(LC_ALL, "C");
}
