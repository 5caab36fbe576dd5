// ScriptHost.cpp - the engine installed for the script modules.
#include "script/ScriptHost.h"

namespace {
ScriptHost* g_host = nullptr;
}

void SetScriptHost(ScriptHost* host) {
  g_host = host;
}

ScriptHost* GetScriptHost() {
  return g_host;
}
