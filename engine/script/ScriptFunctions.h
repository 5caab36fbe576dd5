// ScriptFunctions.h - a script module's function table: each function beside
// its doc string and what the reference (docs/scripting.md) says of it.
//
// A module lists its functions once, as ScriptFunction rows; the interpreter
// gets a PyMethodDef table made from them (every function takes positional
// arguments), and kaz_scriptdoc writes the reference from the same rows.
// Include PythonSupport.h first.
#pragma once

#include <span>
#include <vector>

struct ScriptFunction {
  const char* name;
  PyCFunction function;
  const char* doc;        // the doc string Python shows; may be null
  const char* arguments;  // what the reference says it takes,
  const char* result;     // returns,
  const char* errors;     // and raises of its own ("" for nothing)
};

// The interpreter's method table for a module's functions; a module keeps its
// one for the process.
class MethodTable {
 public:
  explicit MethodTable(std::span<const ScriptFunction> functions);
  PyMethodDef* Get() { return m_methods.data(); }

 private:
  std::vector<PyMethodDef> m_methods;
};

std::span<const ScriptFunction> GetEngineModuleFunctions();
std::span<const ScriptFunction> GetWorldModuleFunctions();
std::span<const ScriptFunction> GetMenuModuleFunctions();
