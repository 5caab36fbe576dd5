# Post-processing of SWIG 4.1's Python wrapper. Each edit must apply; a SWIG
# that generates different text stops the build here rather than silently.
file(READ ${IN} text)

# A failed overload choice: the engine's own NotImplementedError text instead
# of a TypeError listing every C++ prototype.
string(REGEX REPLACE
  "SWIG_Python_RaiseOrModifyTypeError\\(\"Wrong number or type of arguments for overloaded function '([A-Za-z0-9_]+)'\\.[^;]*;"
  "KazSwig_OverloadError(\"\\1\");" patched "${text}")
if(patched STREQUAL text)
  message(FATAL_ERROR "KazSwigPatch: no overload dispatcher found in ${IN}")
endif()
set(text "${patched}")

# Every wrapped pointer holds the module-information capsule for as long as it
# lives. SWIG takes that reference only for owning pointers and gives it back
# only if the pointer still owns at the end, so disowning (in-place operators,
# delete_*, thisown = 0) kept the capsule, and with it the module's type data,
# alive past the interpreter: a leak on every restart.
macro(kaz_swig_replace from to what)
  string(FIND "${text}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "KazSwigPatch: ${what} not found in ${IN}")
  endif()
  string(REPLACE "${from}" "${to}" text "${text}")
endmacro()
kaz_swig_replace(
  "    if (own == SWIG_POINTER_OWN) {\n      /* Obtain a reference to the Python capsule wrapping the module information, so that the\n       * module information is correctly destroyed after all SWIG python objects have been freed\n       * by the GC (and corresponding destructors invoked) */\n      Py_XINCREF(Swig_Capsule_global);\n    }"
  "    Py_XINCREF(Swig_Capsule_global);"
  "the capsule reference of new pointers")
kaz_swig_replace(
  "    Py_XDECREF(Swig_Capsule_global);\n  }\n  Py_XDECREF(next);"
  "  }\n  Py_XDECREF(Swig_Capsule_global);\n  Py_XDECREF(next);"
  "the capsule release of freed pointers")

file(WRITE ${OUT} "${text}")
