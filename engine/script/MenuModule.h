// MenuModule.h - what the _Menu module's source files share.
//
// The argument helpers raise the module's TypeErrors: "first parameter must
// be a Widget" for functions whose format names them, "parameter 1 must be a
// MenuWidget." for the one-argument getters. Include PythonSupport.h first.
#pragma once

#include "menu/MenuManager.h"

// The widget behind the argument, or null with the TypeError raised.
Widget* MenuRequireWidget(PyObject* value);
// The widget of a one-argument getter ("O"), or null with the TypeError raised.
Widget* MenuGetterWidget(PyObject* args);
// A widget and an int ("Oi" and the function's name): applies, returns None.
PyObject* MenuWidgetOneInt(PyObject* args, const char* format, void (*apply)(Widget*, int));

// The widget as its class when it is of that type; null otherwise.
template <class T>
T* WidgetAs(Widget* widget, int type) {
  return widget->GetType() == type ? static_cast<T*>(widget) : nullptr;
}

// The functions of images, switches and lists, in table order.
PyObject* WidgetStaticImgSetRect(PyObject*, PyObject* args);
PyObject* WidgetBooleanGetValue(PyObject*, PyObject* args);
PyObject* WidgetBooleanSetValue(PyObject*, PyObject* args);
PyObject* WidgetListAddString(PyObject*, PyObject* args);
PyObject* WidgetListRemoveString(PyObject*, PyObject* args);
PyObject* WidgetListClear(PyObject*, PyObject* args);
PyObject* WidgetListGetCount(PyObject*, PyObject* args);
PyObject* WidgetListGetCurSel(PyObject*, PyObject* args);
PyObject* WidgetListSetCurSel(PyObject*, PyObject* args);
PyObject* WidgetListFindString(PyObject*, PyObject* args);
PyObject* WidgetListReverse(PyObject*, PyObject* args);
PyObject* WidgetListGetString(PyObject*, PyObject* args);
