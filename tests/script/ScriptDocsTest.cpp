// ScriptDocsTest.cpp - the reference tables beside the modules' method tables: one entry per
// function, in the same order, with what a doc string does not say.
#include "script/PythonSupport.h"

#include "script/ScriptDocs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void ExpectSameOrder(const PyMethodDef* methods, const ScriptFunctionDoc* docs, size_t count) {
  size_t n = 0;
  for (; methods->ml_name; ++methods, ++docs, ++n) {
    ASSERT_NE(docs->name, nullptr) << "no reference entry for " << methods->ml_name;
    EXPECT_EQ(std::string(docs->name), methods->ml_name);
    EXPECT_NE(std::string(docs->arguments), "") << docs->name;
    EXPECT_NE(std::string(docs->result), "") << docs->name;
  }
  EXPECT_EQ(docs->name, nullptr) << "reference entry without a function: " << docs->name;
  EXPECT_EQ(n, count);
}

TEST(ScriptDocsTest, EveryFunctionHasItsReferenceEntryInTableOrder) {
  ExpectSameOrder(GetEngineModuleMethods(), GetEngineModuleDocs(), 18);
  ExpectSameOrder(GetWorldModuleMethods(), GetWorldModuleDocs(), 51);
  ExpectSameOrder(GetMenuModuleMethods(), GetMenuModuleDocs(), 44);
}

}  // namespace
