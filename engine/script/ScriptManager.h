// ScriptManager.h - the embedded Python interpreter and the game's
// application object.
//
// CreateScriptManager starts the interpreter (isolated from the user's
// Python set-up), registers the engine's modules (_Engine, _World, the
// math module _Engine_SWIG and _Menu), sends sys.stdout and sys.stderr to the console,
// points sys.path at the scripts folders of the mounted packages and asks the
// scripts' _Core.GetApplicationClass for the application object. From then on
// the manager turns engine events into the application's callbacks and runs
// the one-shot timers scripts register. DestroyScriptManager releases the
// application, script commands, script menus and the interpreter; the engine can start
// again in the same process afterwards.
//
// A callback that raises has its traceback printed to the console and counts
// as failed; nothing propagates into the engine. The same exception from the
// same callback, call after call, is printed once and then counted.
// A script that fails to import is named with its file. After the interpreter is
// gone every entry from the engine does nothing.
//
// Builds on base/EngineEvents.h (the listener), tier0/FileSystem.h (the
// search path) and the Python C API (only inside engine/script). Main thread
// only.
#pragma once

#include "base/EngineEvents.h"
#include "script/ScriptErrors.h"

#include <string>
#include <vector>

struct _object;

class ScriptManager : public IEngineEventListener {
 public:
  ScriptManager() = default;
  ~ScriptManager() override;
  ScriptManager(const ScriptManager&) = delete;
  ScriptManager& operator=(const ScriptManager&) = delete;

  // Fires _Core.HandleEvent(eventId, None) once, after more than `seconds`
  // of unpaused game time. Always true.
  virtual bool RegisterTimerEvent(int eventId, float seconds);
  // Adds delta to every timer and fires those past their interval. Timers
  // registered while this runs start counting at the next call.
  virtual void UpdateTimers(float deltaSeconds);

  // True only when the application's method returned the True object.
  virtual bool OnPreStartup();
  virtual bool OnStartup();
  virtual bool OnShutdown();
  // True unless the method raised (or is missing, or there is no application).
  virtual bool OnUpdate();
  virtual bool OnMouseMove(int x, int y);
  virtual bool OnButtonPress(int key);
  virtual bool OnButtonHold(int key);
  virtual bool OnButtonRelease(int key);
  virtual bool OnCharPress(int character);

  void OnEvent(const EngineEvent& event) override;

  // _Core.HandleEvent(eventId, value); value null passes None. True unless
  // the call raised or could not be made.
  bool HandleEvent(int eventId, _object* value);

  bool IsInitialised() const { return m_initialised; }
  // Borrowed; null when there is none.
  _object* GetApplication() const { return m_application; }
  size_t GetTimerCount() const { return m_timers.size() + m_newTimers.size(); }

  // Where scripts live in a package, and the module the engine calls.
  static constexpr const char* kScriptFolder = "scripts";
  static constexpr const char* kScriptLibFolder = "scripts/Lib";
  static constexpr const char* kCoreModule = "_Core";

  // sys.path for these file-system search-path entries: the scripts folders
  // of every package directory (archives are skipped), in search order.
  static std::vector<std::string> ScriptPaths(const std::vector<std::string>& searchPaths);
  // The same as the statement "sys.path = [r'...', ...]".
  static std::string BuildPathStatement(const std::vector<std::string>& searchPaths);

 private:
  friend ScriptManager* CreateScriptManager(EngineEventListenerList* events, const char* className);
  friend void DestroyScriptManager();

  struct Timer {
    int eventId;
    float interval;
    float elapsed;
  };

  bool Initialise(EngineEventListenerList* events, const std::string& className);
  bool CreateApplication(const std::string& className);
  void Shutdown();
  bool CallStartupMethod(const char* name);
  bool CallMethod(_object* name, const char* format = nullptr, int a = 0, int b = 0);

  EngineEventListenerList* m_events = nullptr;
  bool m_initialised = false;
  _object* m_application = nullptr;
  std::vector<Timer> m_timers;
  std::vector<Timer> m_newTimers;  // registered during UpdateTimers
  bool m_updatingTimers = false;
  // Interned method names, made once per interpreter.
  _object* m_onUpdateName = nullptr;
  RepeatedErrorFilter m_errors;
};

// Creates the global manager; null (nothing left behind) when initialisation
// failed.
ScriptManager* CreateScriptManager(EngineEventListenerList* events, const char* className);
void DestroyScriptManager();
ScriptManager* GetScriptManager();
