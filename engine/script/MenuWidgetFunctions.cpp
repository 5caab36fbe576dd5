// MenuWidgetFunctions.cpp - the _Menu functions of static images, switches
// and lists; on other widgets they do nothing and answer as documented.
#include "script/PythonSupport.h"

#include "script/MenuModule.h"

PyObject* WidgetStaticImgSetRect(PyObject*, PyObject* args) {
  PyObject* value;
  float uMin, vMin, uMax, vMax;
  if (!PyArg_ParseTuple(args, "Offff:_Menu.widgetStaticImgSetRect", &value, &uMin, &vMin, &uMax,
                        &vMax))
    return nullptr;
  Widget* widget = MenuRequireWidget(value);
  if (!widget) return nullptr;
  if (auto* image = WidgetAs<StaticImageWidget>(widget, WidgetType_StaticImage))
    image->SetTextureRect(uMin, vMin, uMax, vMax);
  Py_RETURN_NONE;
}

PyObject* WidgetBooleanGetValue(PyObject*, PyObject* args) {
  Widget* widget = MenuGetterWidget(args);
  if (!widget) return nullptr;
  auto* flag = WidgetAs<BooleanWidget>(widget, WidgetType_Boolean);
  return PyBool_FromLong(flag && flag->GetValue());
}

PyObject* WidgetBooleanSetValue(PyObject*, PyObject* args) {
  return MenuWidgetOneInt(args, "Oi:_Menu.widgetBooleanSetValue", [](Widget* w, int on) {
    if (auto* flag = WidgetAs<BooleanWidget>(w, WidgetType_Boolean)) flag->SetValue(on != 0);
  });
}

PyObject* WidgetListAddString(PyObject*, PyObject* args) {
  PyObject* value;
  const char* text;
  if (!PyArg_ParseTuple(args, "Os:_Menu.widgetListAddString", &value, &text)) return nullptr;
  Widget* widget = MenuRequireWidget(value);
  if (!widget) return nullptr;
  auto* list = WidgetAs<ListWidget>(widget, WidgetType_List);
  return PyLong_FromLong(list ? list->AddString(text) : -1);
}

PyObject* WidgetListRemoveString(PyObject*, PyObject* args) {
  return MenuWidgetOneInt(args, "Oi:_Menu.widgetListRemoveString", [](Widget* w, int index) {
    if (auto* list = WidgetAs<ListWidget>(w, WidgetType_List)) list->RemoveString(index);
  });
}

namespace {
// A list getter: the list's answer, or False for other widgets.
PyObject* ListGetter(PyObject* args, PyObject* (*answer)(ListWidget*)) {
  Widget* widget = MenuGetterWidget(args);
  if (!widget) return nullptr;
  auto* list = WidgetAs<ListWidget>(widget, WidgetType_List);
  if (!list) Py_RETURN_FALSE;
  return answer(list);
}
}  // namespace

PyObject* WidgetListClear(PyObject*, PyObject* args) {
  return ListGetter(args, [](ListWidget* list) -> PyObject* {
    list->Clear();
    Py_RETURN_NONE;
  });
}

PyObject* WidgetListGetCount(PyObject*, PyObject* args) {
  return ListGetter(args, [](ListWidget* list) { return PyLong_FromLong(list->GetCount()); });
}

PyObject* WidgetListGetCurSel(PyObject*, PyObject* args) {
  return ListGetter(args, [](ListWidget* list) { return PyLong_FromLong(list->GetCurSel()); });
}

PyObject* WidgetListSetCurSel(PyObject*, PyObject* args) {
  return MenuWidgetOneInt(args, "Oi:_Menu.widgetListSetCurSel", [](Widget* w, int index) {
    if (auto* list = WidgetAs<ListWidget>(w, WidgetType_List)) list->SetCurSel(index);
  });
}

PyObject* WidgetListFindString(PyObject*, PyObject* args) {
  PyObject* value;
  const char* text;
  if (!PyArg_ParseTuple(args, "Os:_Menu.widgetListFindString", &value, &text)) return nullptr;
  Widget* widget = MenuRequireWidget(value);
  if (!widget) return nullptr;
  auto* list = WidgetAs<ListWidget>(widget, WidgetType_List);
  return PyLong_FromLong(list ? list->FindString(text) : -1);
}

PyObject* WidgetListReverse(PyObject*, PyObject* args) {
  return ListGetter(args, [](ListWidget* list) -> PyObject* {
    list->Reverse();
    Py_RETURN_NONE;
  });
}

PyObject* WidgetListGetString(PyObject*, PyObject* args) {
  PyObject* value;
  int index;
  if (!PyArg_ParseTuple(args, "Oi:_Menu.widgetListGetString", &value, &index)) return nullptr;
  Widget* widget = MenuRequireWidget(value);
  if (!widget) return nullptr;
  auto* list = WidgetAs<ListWidget>(widget, WidgetType_List);
  if (!list) Py_RETURN_NONE;
  return PyUnicode_FromString(list->GetString(index).c_str());
}
