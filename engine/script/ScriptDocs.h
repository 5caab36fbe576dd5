// ScriptDocs.h - the script modules' function tables, for the reference the
// build generates (docs/scripting.md).
//
// Each module's PyMethodDef table gives the names and doc strings; the
// ScriptFunctionDoc table beside it gives what a doc string does not say:
// arguments, result and the errors raised. Include PythonSupport.h first.
#pragma once

struct ScriptFunctionDoc {
  const char* name;
  const char* arguments;
  const char* result;
  const char* errors;
};

const PyMethodDef* GetEngineModuleMethods();
const PyMethodDef* GetWorldModuleMethods();
const PyMethodDef* GetMenuModuleMethods();
// Terminated by an entry with a null name.
const ScriptFunctionDoc* GetEngineModuleDocs();
const ScriptFunctionDoc* GetWorldModuleDocs();
const ScriptFunctionDoc* GetMenuModuleDocs();
