// ScriptDocsTest.cpp - every function of the script modules says in its row what the reference
// needs beyond its doc string: its arguments and its result.
#include "script/PythonSupport.h"

#include "script/ScriptFunctions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void ExpectDocumented(std::span<const ScriptFunction> functions, size_t count) {
  for (const ScriptFunction& f : functions) {
    ASSERT_NE(f.name, nullptr);
    ASSERT_NE(f.function, nullptr) << f.name;
    EXPECT_NE(std::string(f.arguments), "") << f.name;
    EXPECT_NE(std::string(f.result), "") << f.name;
    EXPECT_NE(f.errors, nullptr) << f.name;
  }
  EXPECT_EQ(functions.size(), count);
}

TEST(ScriptDocsTest, EveryFunctionHasItsReferenceEntry) {
  ExpectDocumented(GetEngineModuleFunctions(), 18);
  ExpectDocumented(GetWorldModuleFunctions(), 51);
  ExpectDocumented(GetMenuModuleFunctions(), 44);
}

}  // namespace
