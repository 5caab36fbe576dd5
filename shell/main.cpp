// main.cpp - the launcher's entry point: binds the engine's exports and runs the launcher.
#include "Shell.h"

int main(int argc, char** argv) {
  ShellEngineApi api;
  api.getVersion = kazGetVersion;
  api.getBuildString = kazGetBuildString;
  api.startup = kazStartup;
  api.shutdown = kazShutdown;
  api.getInterface = kazGetInterface;
  return ShellMain(api, argc, argv);
}
