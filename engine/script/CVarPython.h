// CVarPython.h - console variables as Python values.
//
// The conversions the _Engine module uses for GetCVar and SetCVar: a bool
// variable takes only the True object as true; int and float variables take
// any number (0 for anything else, floats truncated, out-of-range integers
// clamped); string variables take str() of the object; dynamic variables take
// the type of the value (int subclasses, bools included, become integers).
//
// Builds on console/CVar.h and the Python C API (include PythonSupport.h first).
#pragma once

#include "script/PythonSupport.h"

#include "console/CVar.h"

void CVarSetFromPython(CVar& cvar, PyObject* value);
// A new reference; never null unless Python itself fails.
PyObject* CVarToPython(const CVar& cvar);
