// ScriptManager.cpp - interpreter start and stop, the application's callbacks
// and the timer events.
#include "script/PythonSupport.h"

#include "script/MathBridge.h"
#include "script/ScriptErrors.h"
#include "script/ScriptManager.h"

#include "base/Log.h"
#include "tier0/FileSystem.h"

namespace {

ScriptManager* g_manager = nullptr;

// Everything scripts print goes to the console. flush() is there because the
// interpreter flushes both streams when it finishes.
const char kRedirectScript[] =
    "import sys\n"
    "import _Engine\n"
    "class ConRedirect:\n"
    "    def write(self, s):\n"
    "            _Engine.ConPrint(s)\n"
    "    def flush(self):\n"
    "            pass\n"
    "sys.stdout = ConRedirect()\n"
    "sys.stderr = ConRedirect()\n";

// The modules are imported at once, in this order: the math module's type
// lookups need its types registered before the other modules run.
const char* const kEngineModules[] = {"_Engine", "_World", "_Engine_SWIG", "_Menu"};

bool RunStatements(const char* text) {
  PyObject* main = PyImport_AddModule("__main__");  // borrowed
  if (!main) {
    PrintPythonError();
    return false;
  }
  PyObject* globals = PyModule_GetDict(main);
  PyObject* result = PyRun_String(text, Py_file_input, globals, globals);
  if (!result) {
    PrintPythonError();
    return false;
  }
  Py_DECREF(result);
  return true;
}

bool ImportModule(const char* name) {
  PyObject* module = PyImport_ImportModule(name);
  if (!module) {
    PrintPythonError();
    return false;
  }
  Py_DECREF(module);
  return true;
}

bool StartInterpreter() {
  if (Py_IsInitialized()) {
    LogError("Failed to start the Python interpreter: one is running already.");
    return false;
  }
  PyImport_AppendInittab("_Engine", &PyInit__Engine);
  PyImport_AppendInittab("_World", &PyInit__World);
  PyImport_AppendInittab("_Engine_SWIG", &PyInit__Engine_SWIG);
  PyImport_AppendInittab("_Menu", &PyInit__Menu);

  PyPreConfig preConfig;
  PyPreConfig_InitIsolatedConfig(&preConfig);
  preConfig.utf8_mode = 1;
  PyStatus status = Py_PreInitialize(&preConfig);
  if (PyStatus_Exception(status)) {
    LogError("Failed to start the Python interpreter: %s", status.err_msg ? status.err_msg : "");
    return false;
  }

  PyConfig config;
  PyConfig_InitIsolatedConfig(&config);
  config.site_import = 0;
  config.install_signal_handlers = 0;  // Ctrl+C stays the launcher's
  config.code_debug_ranges = 0;        // no caret lines in tracebacks
  config.write_bytecode = 0;           // packages stay as shipped
  status = PyConfig_SetBytesString(&config, &config.home, KAZ_PYTHON_HOME);
  if (!PyStatus_Exception(status)) status = Py_InitializeFromConfig(&config);
  PyConfig_Clear(&config);
  if (PyStatus_Exception(status)) {
    LogError("Failed to start the Python interpreter: %s", status.err_msg ? status.err_msg : "");
    return false;
  }
  return true;
}

// A new reference to _Core.<name> when it is callable; null otherwise (an
// import failure is printed, a missing function is not).
PyObject* CoreFunction(const char* name) {
  PyObject* core = PyImport_ImportModule("_Core");
  if (!core) {
    PrintPythonError();
    return nullptr;
  }
  PyObject* function = PyObject_GetAttrString(core, name);
  Py_DECREF(core);
  if (!function) {
    PyErr_Clear();
    return nullptr;
  }
  if (!PyCallable_Check(function)) {
    Py_DECREF(function);
    return nullptr;
  }
  return function;
}

}  // namespace

void PrintPythonError() {
  if (!PyErr_Occurred()) return;
  // PyErr_Display, unlike PyErr_Print, neither exits on SystemExit nor keeps
  // the exception in sys.last_*.
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (traceback && value) PyException_SetTraceback(value, traceback);
  PyErr_Display(type, value, traceback);
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  PyErr_Clear();
}

bool ScriptsRunning() {
  return g_manager && g_manager->IsInitialised() && Py_IsInitialized();
}

bool PythonStr(PyObject* object, std::string& out) {
  PyObject* text = object ? PyObject_Str(object) : nullptr;
  const char* utf8 = text ? PyUnicode_AsUTF8(text) : nullptr;
  if (!utf8) {
    Py_XDECREF(text);
    PyErr_Clear();
    return false;
  }
  out = utf8;
  Py_DECREF(text);
  return true;
}

PyTypeObject* AddModuleType(PyObject* module, PyType_Spec* spec, const char* name) {
  PyObject* type = PyType_FromSpec(spec);
  if (!type) return nullptr;
  if (PyModule_AddObjectRef(module, name, type) < 0) {
    Py_DECREF(type);
    return nullptr;
  }
  Py_DECREF(type);
  return reinterpret_cast<PyTypeObject*>(type);
}

// ---------------------------------------------------------------------------
// Creation and shutdown
// ---------------------------------------------------------------------------

ScriptManager* CreateScriptManager(EngineEventListenerList* events, const char* className) {
  if (g_manager) return nullptr;
  g_manager = new ScriptManager();
  if (!g_manager->Initialise(events, className ? className : "")) {
    delete g_manager;
    g_manager = nullptr;
  }
  return g_manager;
}

void DestroyScriptManager() {
  delete g_manager;
  g_manager = nullptr;
}

ScriptManager* GetScriptManager() {
  return g_manager;
}

ScriptManager::~ScriptManager() {
  if (m_initialised) Shutdown();
}

std::vector<std::string> ScriptManager::ScriptPaths(const std::vector<std::string>& searchPaths) {
  std::vector<std::string> paths;
  for (const std::string& entry : searchPaths) {
    if (entry.find(".pak") != std::string::npos) continue;
    for (const char* folder : {kScriptFolder, kScriptLibFolder})
      paths.push_back(entry + "/" + folder);
    paths.push_back(entry);
  }
  return paths;
}

std::string ScriptManager::BuildPathStatement(const std::vector<std::string>& searchPaths) {
  std::string statement = "sys.path = [";
  for (const std::string& path : ScriptPaths(searchPaths))
    statement += (statement.back() == '[' ? "r'" : ", r'") + path + "'";
  return statement + "]";
}

namespace {
// sys.path as BuildPathStatement writes it, set directly: a quote or a final
// backslash in a folder name would end the statement's raw strings early.
void SetScriptPath(const std::vector<std::string>& paths) {
  PyObject* list = PyList_New(0);
  for (const std::string& path : paths) {
    PyObject* text = list ? PyUnicode_DecodeFSDefault(path.c_str()) : nullptr;
    if (!text || PyList_Append(list, text) != 0) {
      Py_XDECREF(text);
      Py_CLEAR(list);
      break;
    }
    Py_DECREF(text);
  }
  if (!list || PySys_SetObject("path", list) != 0) PrintPythonError();
  Py_XDECREF(list);
}
}  // namespace

bool ScriptManager::Initialise(EngineEventListenerList* events, const std::string& className) {
  if (m_initialised || !events) return false;
  m_events = events;
  m_events->Add(this, EngineEventCategory_Engine | EngineEventCategory_Input);
  if (!StartInterpreter()) {
    m_events->Remove(this);
    m_events = nullptr;
    return false;
  }
  for (const char* module : kEngineModules) ImportModule(module);
  RunStatements(kRedirectScript);
  SetScriptPath(ScriptPaths(FileSystem::GetSearchPaths()));
  // The proxy classes of the math module: without them the vectors the
  // modules return would be bare SWIG pointers.
  ImportModule("Engine");
  m_onUpdateName = PyUnicode_InternFromString("OnUpdate");
  m_initialised = true;
  return CreateApplication(className);
}

bool ScriptManager::CreateApplication(const std::string& className) {
  if (m_application) return true;
  LogDetail("Attempting to initialize script class '%s'", className.c_str());
  // A script that does not import is named with its file; anything else
  // gets its traceback and the generic line.
  PyObject* core = PyImport_ImportModule("_Core");
  if (!core && ReportImportFailure("_Core")) return false;
  PyObject* function = core ? PyObject_GetAttrString(core, "GetApplicationClass") : nullptr;
  Py_XDECREF(core);
  PyObject* application = function && PyCallable_Check(function)
                              ? PyObject_CallFunction(function, "(s)", className.c_str())
                              : nullptr;
  Py_XDECREF(function);
  if (!application) {
    // "module.Class", or "Class" in a module of the same name (_Core's rule).
    const size_t dot = className.rfind('.');
    if (ReportImportFailure(dot == std::string::npos ? className : className.substr(0, dot)))
      return false;
    PrintPythonError();
    LogError("Failed to get _Core.GetApplicationClass.");
    return false;
  }
  m_application = application;
  return true;
}

void ScriptManager::Shutdown() {
  if (m_events) m_events->Remove(this);
  m_events = nullptr;
  Py_CLEAR(m_application);
  if (PyObject* function = CoreFunction("PythonShutdown")) {
    PyObject* result = PyObject_CallNoArgs(function);
    Py_DECREF(function);
    if (result)
      Py_DECREF(result);
    else
      PrintPythonError();
  }
  RunStatements("import sys\nsys.last_type = sys.last_value = sys.last_traceback = None\n");
  ReleaseScriptCommands();
  ReleaseScriptMenus();
  m_errors.Flush();
  Py_CLEAR(m_onUpdateName);
  m_timers.clear();
  m_newTimers.clear();
  // Entries from the engine see the interpreter gone from here on.
  m_initialised = false;
  if (Py_FinalizeEx() < 0) LogWarning("The Python interpreter did not finish cleanly.");
}

// ---------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------

bool ScriptManager::RegisterTimerEvent(int eventId, float seconds) {
  (m_updatingTimers ? m_newTimers : m_timers).push_back(Timer{eventId, seconds, 0.0f});
  return true;
}

void ScriptManager::UpdateTimers(float deltaSeconds) {
  if (!m_initialised || m_updatingTimers) return;
  m_updatingTimers = true;
  for (size_t i = 0; i < m_timers.size();) {
    Timer& timer = m_timers[i];
    timer.elapsed += deltaSeconds;
    if (timer.elapsed > timer.interval) {
      const int eventId = timer.eventId;
      m_timers.erase(m_timers.begin() + static_cast<std::ptrdiff_t>(i));
      HandleEvent(eventId, nullptr);
    } else {
      ++i;
    }
  }
  m_timers.insert(m_timers.end(), m_newTimers.begin(), m_newTimers.end());
  m_newTimers.clear();
  m_updatingTimers = false;
}

bool ScriptManager::HandleEvent(int eventId, PyObject* value) {
  if (!m_initialised) return false;
  PyObject* function = CoreFunction("HandleEvent");
  if (!function) return false;
  PyObject* result = PyObject_CallFunction(function, "(iO)", eventId, value ? value : Py_None);
  Py_DECREF(function);
  if (!result) {
    PrintPythonError();
    return false;
  }
  Py_DECREF(result);
  return true;
}

// ---------------------------------------------------------------------------
// Application callbacks
// ---------------------------------------------------------------------------

bool ScriptManager::CallStartupMethod(const char* name) {
  if (!m_initialised || !m_application) return false;
  PyObject* result = PyObject_CallMethod(m_application, name, nullptr);
  if (!result) {
    PrintPythonError();
    return false;
  }
  const bool accepted = result == Py_True;
  Py_DECREF(result);
  return accepted;
}

bool ScriptManager::CallMethod(PyObject* name, const char* format, int a, int b) {
  if (!m_initialised || !m_application) return false;
  const char* text = PyUnicode_AsUTF8(name);
  if (!text) {
    PrintPythonError();
    return false;
  }
  PyObject* result = format ? PyObject_CallMethod(m_application, text, format, a, b)
                            : PyObject_CallMethodNoArgs(m_application, name);
  // Callbacks run every frame: an exception that repeats is printed once.
  if (!result) {
    m_errors.Failed(text);
    return false;
  }
  m_errors.Succeeded(text);
  Py_DECREF(result);
  return true;
}

namespace {
// A method name as a temporary string object for CallMethod.
struct MethodName {
  explicit MethodName(const char* text) : object(PyUnicode_FromString(text)) {}
  ~MethodName() { Py_XDECREF(object); }
  PyObject* object;
};
}  // namespace

bool ScriptManager::OnPreStartup() {
  return CallStartupMethod("OnPreStartup");
}

bool ScriptManager::OnStartup() {
  return CallStartupMethod("OnStartup");
}

bool ScriptManager::OnShutdown() {
  return CallStartupMethod("OnShutdown");
}

bool ScriptManager::OnUpdate() {
  return m_initialised && m_onUpdateName && CallMethod(m_onUpdateName);
}

bool ScriptManager::OnMouseMove(int x, int y) {
  if (!m_initialised) return false;
  MethodName name("OnMouseMove");
  return CallMethod(name.object, "(ii)", x, y);
}

bool ScriptManager::OnButtonPress(int key) {
  if (!m_initialised) return false;
  MethodName name("OnButtonPress");
  return CallMethod(name.object, "(i)", key);
}

bool ScriptManager::OnButtonHold(int key) {
  if (!m_initialised) return false;
  MethodName name("OnButtonHold");
  return CallMethod(name.object, "(i)", key);
}

bool ScriptManager::OnButtonRelease(int key) {
  if (!m_initialised) return false;
  MethodName name("OnButtonRelease");
  return CallMethod(name.object, "(i)", key);
}

bool ScriptManager::OnCharPress(int character) {
  if (!m_initialised) return false;
  MethodName name("OnCharPress");
  return CallMethod(name.object, "(C)", character);
}

void ScriptManager::OnEvent(const EngineEvent& event) {
  if (!m_initialised) return;
  switch (event.code) {
    case EngineEvent_Frame:
      OnUpdate();
      break;
    case EngineEvent_KeyPressed:
      OnButtonPress(event.key);
      break;
    case EngineEvent_KeyReleased:
      OnButtonRelease(event.key);
      break;
    case EngineEvent_KeyHeld:
      OnButtonHold(event.key);
      break;
    case EngineEvent_Char:
      OnCharPress(event.key);
      break;
    case EngineEvent_MouseMoved:
      OnMouseMove(event.dx, event.dy);
      break;
    default:
      break;
  }
}

#ifdef KAZ_ASAN
// Python 3.11 does not free everything it allocates while it starts, so every
// restart of the interpreter leaves a few blocks behind. The interpreter is
// built without frame pointers: the stacks of its allocations end inside the
// library, and telling its start-up blocks from the others would need the
// slow unwinder. So LeakSanitizer excuses blocks the interpreter allocated;
// what the engine allocates (wrapped math values, world objects, commands)
// is still reported. Here because every program that starts Python links it.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libpython3.11.so\n";
}
#endif
