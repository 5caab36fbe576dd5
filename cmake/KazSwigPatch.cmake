# SWIG 4.1 reports a failed overload choice as a TypeError listing every C++
# prototype; scripts get the engine's own NotImplementedError text instead.
file(READ ${IN} text)
string(REGEX REPLACE
  "SWIG_Python_RaiseOrModifyTypeError\\(\"Wrong number or type of arguments for overloaded function '([A-Za-z0-9_]+)'\\.[^;]*;"
  "KazSwig_OverloadError(\"\\1\");" text "${text}")
file(WRITE ${OUT} "${text}")
