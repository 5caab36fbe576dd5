// ReferenceTest.cpp - the engine reference (docs/reference.md) against a
// running engine: every console command and built-in variable that exists
// once a mod has started, wherever it was registered, has its entry. (The
// CTest test ReferenceDocsUpToDate checks the file against its generator.)
#include "core/TestEngine.h"

#include "console/CVarRegistry.h"
#include "console/CommandRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ReferenceTest : public EngineTest {};

TEST_F(ReferenceTest, EveryCommandAndVariableOfARunningEngineIsDocumented) {
  std::ifstream file(KAZ_SOURCE_DIR "/docs/reference.md");
  std::stringstream text;
  text << file.rdbuf();
  const std::string reference = text.str();
  ASSERT_FALSE(reference.empty());

  // The gallery registers no commands of its own: every one is the engine's.
  ASSERT_NE(Start({"-mod", "gallery", "-ResX", "160", "-ResY", "120"}), nullptr) << m_out.All();
  std::vector<std::string> commands;
  CommandRegistry::Instance().ListNames(commands);
  EXPECT_GE(commands.size(), 7u);
  for (const std::string& name : commands)
    EXPECT_NE(reference.find("| `" + name + "` |"), std::string::npos)
        << "console command '" << name
        << "' is not in docs/reference.md: register it with RegisterBuiltinCommands "
           "(core/BuiltinCommands.cpp) and run the update_reference_docs target";
  std::vector<CVar*> cvars;
  CVarRegistry::Instance().ListAll(cvars);
  for (const CVar* cvar : cvars)
    if (cvar->IsStatic())
      EXPECT_NE(reference.find("| `" + cvar->GetName() + "` |"), std::string::npos)
          << "console variable " << cvar->GetName() << " is not in docs/reference.md";
}

}  // namespace
