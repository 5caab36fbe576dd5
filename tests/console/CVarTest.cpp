// CVarTest.cpp - console variables: text conversions, type inference, the built-in table,
// case-insensitive names, completion and locale independence.
#include "console/CVarRegistry.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

bool BoolFrom(std::string_view text) {
  CVarBool b("b", false);
  b.SetFromString(text);
  return b.Get();
}
int32_t IntFrom(std::string_view text) {
  CVarInt i("i", 77);
  i.SetFromString(text);
  return i.Get();
}
float FloatFrom(std::string_view text) {
  CVarFloat f("f", 77.0f);
  f.SetFromString(text);
  return f.Get();
}

}  // namespace

TEST(CVarParseTest, BoolAcceptsFirstLetterOrNumber) {
  for (const char* t : {"T", "true", "Tx", "1", "-2", "  5"}) EXPECT_TRUE(BoolFrom(t)) << t;
  for (const char* t : {"", "f", "False", "0", "abc", " true"}) EXPECT_FALSE(BoolFrom(t)) << t;
  EXPECT_EQ(CVarBool("b", true).ToString(), "true");
  EXPECT_EQ(CVarBool("b", false).ToString(), "false");
}

TEST(CVarParseTest, IntStopsAtFirstNonDigitAndClampsOverflow) {
  EXPECT_EQ(IntFrom("12abc"), 12);
  EXPECT_EQ(IntFrom(" \t-7"), -7);
  EXPECT_EQ(IntFrom("+5"), 5);
  EXPECT_EQ(IntFrom("abc"), 0);
  EXPECT_EQ(IntFrom(""), 0);
  EXPECT_EQ(IntFrom("-"), 0);
  EXPECT_EQ(IntFrom("99999999999999999999"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(IntFrom("-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(IntFrom("-99999999999999999999"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(IntFrom("2147483648"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(CVarInt("i", -42).ToString(), "-42");
}

TEST(CVarParseTest, FloatIsDecimalFiniteAndPrintsSixDecimals) {
  EXPECT_EQ(CVarFloat("f", 1.0f).ToString(), "1.000000");
  EXPECT_EQ(CVarFloat("f", -0.5f).ToString(), "-0.500000");
  EXPECT_FLOAT_EQ(FloatFrom("2.5xyz"), 2.5f);
  EXPECT_FLOAT_EQ(FloatFrom("  .25"), 0.25f);
  EXPECT_FLOAT_EQ(FloatFrom("1e3"), 1000.0f);
  EXPECT_FLOAT_EQ(FloatFrom("3e"), 3.0f);
  EXPECT_EQ(FloatFrom("abc"), 0.0f);
  EXPECT_EQ(FloatFrom("."), 0.0f);
  // No non-finite values and no hex: they would poison every frame's maths.
  EXPECT_EQ(FloatFrom("nan"), 0.0f);
  EXPECT_EQ(FloatFrom("inf"), 0.0f);
  EXPECT_EQ(FloatFrom("0x10"), 0.0f);
  EXPECT_EQ(FloatFrom("1e999"), FLT_MAX);
  EXPECT_EQ(FloatFrom("-1e39"), -FLT_MAX);
  EXPECT_EQ(FloatFrom("1e-999"), 0.0f);
}

TEST(CVarParseTest, StringKeepsTextAsGiven) {
  CVarString s("s", "hw");
  s.SetFromString("  two words ");
  EXPECT_EQ(s.ToString(), "  two words ");
}

TEST(CVarDynamicTest, InfersTypeFromText) {
  CVarDynamic d("d", 0);
  EXPECT_EQ(d.GetValueType(), CVarType::Int);
  EXPECT_EQ(d.ToString(), "0");

  d.SetFromString("3");
  EXPECT_EQ(d.GetValueType(), CVarType::Int);
  EXPECT_EQ(d.ToString(), "3");
  d.SetFromString("3.5");
  EXPECT_EQ(d.GetValueType(), CVarType::Float);
  EXPECT_EQ(d.ToString(), "3.500000");
  d.SetFromString("\"3\"");
  EXPECT_EQ(d.GetValueType(), CVarType::String);
  EXPECT_EQ(d.ToString(), "3");
  d.SetFromString("-3");
  EXPECT_EQ(d.GetValueType(), CVarType::String);
  EXPECT_EQ(d.ToString(), "-3");
  d.SetFromString(" true ");
  EXPECT_EQ(d.GetValueType(), CVarType::Bool);
  EXPECT_EQ(d.ToString(), "true");
  d.SetFromString("FALSE");
  EXPECT_EQ(d.ToString(), "false");
  d.SetFromString("1.2.3");
  EXPECT_EQ(d.GetValueType(), CVarType::String);
  d.SetFromString("  abc ");
  EXPECT_EQ(d.ToString(), "  abc ");  // the untrimmed text
  d.SetFromString("   ");
  EXPECT_EQ(d.GetValueType(), CVarType::Int);
  EXPECT_EQ(d.ToString(), "0");
  d.SetFromString("99999999999");
  EXPECT_EQ(d.ToString(), "2147483647");
}

TEST(CVarDynamicTest, LoneQuoteGivesEmptyString) {
  CVarDynamic d("d", 0);
  d.SetFromString("\"");
  EXPECT_EQ(d.GetValueType(), CVarType::String);
  EXPECT_EQ(d.ToString(), "");
  d.SetFromString("  \"  ");
  EXPECT_EQ(d.ToString(), "");
  d.SetFromString("\"\"");
  EXPECT_EQ(d.ToString(), "");
}

TEST(CVarDynamicTest, InnerValueIsUnnamedAndFollowsTypedSetters) {
  CVarDynamic d("d", CVarFlag_NoSave);
  d.SetFloat(2.0f);
  EXPECT_EQ(d.GetValue().GetName(), "");
  EXPECT_EQ(d.GetValueType(), CVarType::Float);
  d.SetString("x");
  EXPECT_EQ(d.ToString(), "x");
  d.SetBool(true);
  EXPECT_EQ(d.ToString(), "true");
  EXPECT_EQ(d.GetType(), CVarType::Dynamic);
  EXPECT_FALSE(d.IsStatic());
  EXPECT_EQ(d.GetFlags(), uint32_t{CVarFlag_NoSave});
}

// Every row of the built-in table: name, type, default text and flags.
// The saved variables are checked entry by entry through the configuration
// file's layout (ConfigTest); here the rest of the table.
TEST(CVarRegistryTest, BuiltinTable) {
  CVarRegistry registry;
  std::vector<CVar*> all;
  registry.ListAll(all);
  EXPECT_EQ(all.size(), 36u);
  int unsaved = 0;
  for (const CVar* cvar : all) {
    EXPECT_TRUE(cvar->IsStatic()) << cvar->GetName();
    if (cvar->HasFlag(CVarFlag_NoSave)) {
      ++unsaved;
      const bool on = cvar->GetName() == "DrawParticles";
      if (cvar->GetType() == CVarType::Bool)
        EXPECT_EQ(cvar->ToString(), on ? "true" : "false") << cvar->GetName();
    }
  }
  EXPECT_EQ(unsaved, 19);
  EXPECT_EQ(registry.TimeWarp.ToString(), "1.000000");
  EXPECT_TRUE(registry.TimeWarp.HasFlag(CVarFlag_NoSave));
  EXPECT_EQ(std::bit_cast<uint32_t>(registry.UniversalFudgeFactor.Get()), 0x40B0BFB1u);
}

TEST(CVarRegistryTest, NamesInAnyCaseAreOneKey) {
  CVarRegistry registry;
  EXPECT_EQ(registry.Find("resx"), &registry.ResX);
  EXPECT_EQ(registry.Find("RESX"), &registry.ResX);
  EXPECT_EQ(registry.Find("ResX"), &registry.ResX);
  EXPECT_EQ(registry.Find("ResX "), nullptr);
  EXPECT_EQ(registry.Find(""), nullptr);

  CVarInt other("RESX", 5);
  EXPECT_FALSE(registry.Register("RESX", &other));
  EXPECT_EQ(registry.Find("resx"), &registry.ResX);
  EXPECT_FALSE(registry.Register("", &other));
  EXPECT_FALSE(registry.Register("Other", nullptr));
  EXPECT_TRUE(registry.Register("Other", &other));
  EXPECT_EQ(registry.Find("OTHER"), &other);
}

TEST(CVarRegistryTest, CreateDynamicRefusesExistingNames) {
  CVarRegistry registry;
  EXPECT_EQ(registry.CreateDynamic("gridsize", 0), nullptr);
  EXPECT_EQ(registry.CreateDynamic("", 0), nullptr);
  CVarDynamic* d = registry.CreateDynamic("MyVar", 7);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(d->IsStatic());
  EXPECT_EQ(d->GetFlags(), 7u);
  EXPECT_EQ(d->ToString(), "0");
  EXPECT_EQ(registry.Find("myvar"), d);
  EXPECT_EQ(registry.CreateDynamic("MYVAR", 0), nullptr);
  EXPECT_EQ(registry.GetCount(), CVarRegistry::kBuiltinCount + 1);
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
  const std::vector<std::string> expected = {
      "DebugAxisLength", "DisplayOGGInfo", "DrawAnimPaths", "DrawAxis",      "DrawBoxes",
      "DrawGlowTexture", "DrawGrid",       "DrawHUD",       "DrawParticles", "DrawSkeletons"};
  EXPECT_EQ(names, expected);

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

TEST(CVarRegistryTest, TypedReadsByName) {
  CVarRegistry registry;
  EXPECT_EQ(registry.GetInt("resx"), 1024);
  EXPECT_FLOAT_EQ(registry.GetFloat("GRIDSIZE"), 64.0f);
  EXPECT_TRUE(registry.GetBool("drawhud"));
  EXPECT_EQ(registry.GetString("sounddevtype"), "hw");
  EXPECT_EQ(registry.GetInt("missing", -9), -9);
  EXPECT_EQ(registry.GetString("missing", "x"), "x");
  CVarDynamic* d = registry.CreateDynamic("dyn", 0);
  d->SetFromString("2.5");
  EXPECT_EQ(registry.GetInt("dyn"), 2);
  EXPECT_FLOAT_EQ(registry.GetFloat("dyn"), 2.5f);
  EXPECT_TRUE(registry.GetBool("dyn"));
}

TEST(CVarRegistryTest, ResetBuiltinsRestoresValuesAndFlags) {
  CVarRegistry registry;
  registry.ResX.Set(5);
  registry.SoundDevType.Set("sw");
  registry.TimeWarp.SetFlags(CVarFlag_ReadOnly);
  registry.ResetBuiltins();
  EXPECT_EQ(registry.ResX.Get(), 1024);
  EXPECT_EQ(registry.SoundDevType.Get(), "hw");
  EXPECT_EQ(registry.TimeWarp.GetFlags(), uint32_t{CVarFlag_NoSave});
}

// A comma-decimal LC_NUMERIC must not change how numbers read or print.
class CVarLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                             "ru_RU.UTF-8", "nl_NL.UTF-8"}) {
      if (setlocale(LC_ALL, name) && localeconv()->decimal_point[0] == ',') {
        m_locale = name;
        return;
      }
    }
    setlocale(LC_ALL, "C");
  }
  void TearDown() override { setlocale(LC_ALL, "C"); }
  const char* m_locale = nullptr;
};

TEST_F(CVarLocaleTest, NumbersUseDotWhateverTheLocale) {
  if (!m_locale) GTEST_SKIP() << "no comma-decimal locale (de_DE.UTF-8 or similar) is installed";
  char buf[32];
  snprintf(buf, sizeof(buf), "%.1f", 1.5);
  ASSERT_STREQ(buf, "1,5") << "locale " << m_locale << " is not in effect";

  EXPECT_EQ(CVarFloat("f", 1.5f).ToString(), "1.500000");
  EXPECT_FLOAT_EQ(FloatFrom("2.25"), 2.25f);
  EXPECT_FLOAT_EQ(FloatFrom("2,25"), 2.0f);
  CVarDynamic d("d", 0);
  d.SetFromString("3.5");
  EXPECT_EQ(d.GetValueType(), CVarType::Float);
  EXPECT_EQ(d.ToString(), "3.500000");
  CVarRegistry registry;
  EXPECT_EQ(registry.GridSize.ToString(), "64.000000");
  // Turkish-style case rules must not touch names either.
  EXPECT_EQ(registry.Find("displayogginfo"), &registry.DisplayOGGInfo);
}
