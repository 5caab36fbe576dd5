// TestEngine.h - starts the engine in a test as the launcher would.
//
// StartTestEngine resets the console variables, puts the launcher's path in
// front of `args`, opens the engine on the hidden test window over the "cove"
// base package and collects every line it prints. The test shuts it down
// (kazShutdown) and resets the variables again before the configuration is
// saved. Builds on TestWindow.h and the engine's exported interface.
#pragma once

#include "console/CVarRegistry.h"
#include "core/Engine.h"
#include "core/KazEngine.h"
#include "core/TestWindow.h"

#include <string>
#include <vector>

// The lines an engine printed, one entry a print.
struct EngineOutput {
  std::vector<std::string> lines;
  // How many lines hold `needle`.
  int Count(const std::string& needle) const {
    int n = 0;
    for (const std::string& line : lines)
      if (line.find(needle) != std::string::npos) ++n;
    return n;
  }
  std::string All() const {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
  }
  static void Collect(const char* text, bool, void* self) {
    static_cast<EngineOutput*>(self)->lines.emplace_back(text);
  }
};

// Null when start-up fails (its lines are then in *output).
inline KazEngine* StartTestEngine(std::vector<std::string> args, EngineOutput* output,
                                  const char* title = "t") {
  CVarRegistry::Instance().ResetBuiltins();
  args.insert(args.begin(), KAZ_BIN_DIR "/shell");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return static_cast<KazEngine*>(kazStartup(static_cast<int>(args.size()), argv.data(),
                                            TestWindow(), title, "cove", &EngineOutput::Collect,
                                            output));
}
