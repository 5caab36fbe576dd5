// ScriptHost.cpp - the engine operations installed for the script modules.
#include "script/ScriptHost.h"

namespace {
ScriptHost g_host;
}

void SetScriptHost(const ScriptHost& host) {
  g_host = host;
}

const ScriptHost& GetScriptHost() {
  return g_host;
}
