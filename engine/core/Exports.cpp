// Exports.cpp - the library's exported entry points and the process-wide engine pointer.
#include "base/KazEngine.h"

#include "core/Engine.h"

#include <atomic>

namespace {
std::atomic<IKazEngine*> g_engine{nullptr};
}

void SetEngineInterface(IKazEngine* engine) {
  g_engine.store(engine);
}

extern "C" {

KAZ_API uint32_t kazGetVersion() {
  return kKazEngineVersion;
}

// __DATE__ is "Mmm dd yyyy" (day padded with a blank); __TIME__ is "hh:mm:ss".
KAZ_API const char* kazGetBuildString() {
  return __DATE__ ", " __TIME__;
}

KAZ_API IKazEngine* kazGetInterface() {
  return g_engine.load();
}

KAZ_API IKazEngine* kazStartup(int argc, char** argv, void* window, const char* title,
                               const char* mainModName, KazOutputCallback output, void* userData) {
  // A null window fails before anything is written or installed.
  if (!window || g_engine.load()) return nullptr;
  auto* engine = new KazEngine();
  // Published first: the log handler and kazGetInterface work during start-up.
  SetEngineInterface(engine);
  if (!engine->Startup(argc, argv, window, title, mainModName, output, userData)) {
    SetEngineInterface(nullptr);
    delete static_cast<IKazEngine*>(engine);
    return nullptr;
  }
  return engine;
}

KAZ_API void kazShutdown() {
  IKazEngine* engine = g_engine.load();
  if (!engine) return;
  static_cast<KazEngine*>(engine)->Shutdown();
  // Unpublished before destruction, so late log lines from other threads are dropped.
  SetEngineInterface(nullptr);
  delete engine;
}

}  // extern "C"
