// script.cpp - frame events reaching the application's OnUpdate through the script
// manager (the engine's event broadcast, the manager's listener and its
// method call) against the baseline: a plain PyObject_CallMethod loop on the
// same application object. Goal: at most 1.2 times the baseline.
//
// The application is a scratch package's class whose OnUpdate adds one to a
// counter; the base package (for _Core) is the one beside the program.
#include "script/PythonSupport.h"

#include "script/ScriptManager.h"

#include "tier0/FileSystem.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const char kApplication[] =
    "class App:\n"
    "    def __init__(self): self.frames = 0\n"
    "    def OnUpdate(self):\n"
    "        self.frames += 1\n"
    "        return True\n";

EngineEventListenerList g_events;
std::filesystem::path g_package;

bool StartScripts(const char* argv0) {
  g_package = std::filesystem::temp_directory_path() / "kaz_bench_script";
  std::filesystem::create_directories(g_package / "scripts");
  std::ofstream(g_package / "scripts" / "BenchApp.py") << kApplication;
  FileSystem::Init(argv0);
  FileSystem::AddToSearchPath(g_package.string(), true);
  FileSystem::AddToSearchPath(FileSystem::GetBaseDir() + "base", true);
  return CreateScriptManager(&g_events, "BenchApp.App") != nullptr;
}

void BM_BaselineCallMethod(benchmark::State& state) {
  PyObject* application = GetScriptManager()->GetApplication();
  for (auto _ : state) {
    PyObject* result = PyObject_CallMethod(application, "OnUpdate", nullptr);
    Py_XDECREF(result);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BaselineCallMethod);

void BM_FrameEventToOnUpdate(benchmark::State& state) {
  EngineEvent frame;
  frame.code = EngineEvent_Frame;
  frame.category = EngineEvent::CategoryOf(EngineEvent_Frame);
  for (auto _ : state) g_events.Broadcast(frame);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameEventToOnUpdate);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!StartScripts(argv[0])) {
    std::fprintf(stderr, "The script manager did not start.\n");
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  DestroyScriptManager();
  FileSystem::Uninit();
  std::filesystem::remove_all(g_package);
  return 0;
}
