// ScriptFunctions.cpp - method tables from the modules' function rows.
#include "script/PythonSupport.h"

#include "script/ScriptFunctions.h"

MethodTable::MethodTable(std::span<const ScriptFunction> functions) {
  m_methods.reserve(functions.size() + 1);
  for (const ScriptFunction& f : functions)
    m_methods.push_back({f.name, f.function, METH_VARARGS, f.doc});
  m_methods.push_back({nullptr, nullptr, 0, nullptr});
}
