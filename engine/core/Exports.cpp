// Exports.cpp - the library's exported entry points and the process-wide engine pointer.
#include "core/KazEngine.h"

#include <atomic>

namespace {
std::atomic<IKazEngine*> g_engine{nullptr};
}

void SetEngineInterface(IKazEngine* engine) { g_engine.store(engine); }

extern "C" {

KAZ_API uint32_t kazGetVersion() { return kKazEngineVersion; }

// __DATE__ is "Mmm dd yyyy" (day padded with a blank); __TIME__ is "hh:mm:ss".
KAZ_API const char* kazGetBuildString() { return __DATE__ ", " __TIME__; }

KAZ_API IKazEngine* kazGetInterface() { return g_engine.load(); }

}  // extern "C"
