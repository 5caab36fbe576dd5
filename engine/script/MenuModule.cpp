// MenuModule.cpp - the _Menu script module: scripted menus, the menu stack,
// widgets and message boxes for scripts.
//
// Menu and Widget instances hold one counted reference each; every function
// that returns one makes a new instance. The module remembers its live
// instances so that script-manager shutdown can take their engine objects
// away before the interpreter goes. Menu events reach _Core.HandleEvent
// through the reporter installed here, and only while scripts run.
#include "script/PythonSupport.h"

#include "script/MathBridge.h"
#include "script/MenuModule.h"
#include "script/ScriptFunctions.h"
#include "script/ScriptManager.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

struct PyMenu {
  PyObject_HEAD Menu::BaseMenu* menu;
};

struct PyWidget {
  PyObject_HEAD Widget* widget;
};

PyTypeObject* g_menuType = nullptr;
PyTypeObject* g_widgetType = nullptr;
std::vector<PyMenu*> g_liveMenus;
std::vector<PyWidget*> g_liveWidgets;

const char kNotMenu[] = "first parameter must be a MenuObject";
const char kNotWidget[] = "first parameter must be a Widget";
const char kNotMenuWidget[] = "parameter 1 must be a MenuWidget.";
const char kBadElement[] = "elementType has an invalid value";

void MenuDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  auto* wrapper = reinterpret_cast<PyMenu*>(self);
  std::erase(g_liveMenus, wrapper);
  if (Menu::BaseMenu* menu = std::exchange(wrapper->menu, nullptr)) menu->Release();
  type->tp_free(self);
  Py_DECREF(type);
}

void WidgetDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  auto* wrapper = reinterpret_cast<PyWidget*>(self);
  std::erase(g_liveWidgets, wrapper);
  if (Widget* widget = std::exchange(wrapper->widget, nullptr)) widget->Release();
  type->tp_free(self);
  Py_DECREF(type);
}

PyType_Slot g_menuSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(&MenuDealloc)},
    {Py_tp_doc, const_cast<char*>("Menu object")},
    {0, nullptr},
};
PyType_Spec g_menuSpec = {"_Menu.Menu", sizeof(PyMenu), 0, Py_TPFLAGS_DEFAULT, g_menuSlots};

PyType_Slot g_widgetSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(&WidgetDealloc)},
    {Py_tp_doc, const_cast<char*>("Widget object")},
    {0, nullptr},
};
PyType_Spec g_widgetSpec = {"_Menu.Widget", sizeof(PyWidget), 0, Py_TPFLAGS_DEFAULT, g_widgetSlots};

// A new Menu instance with one more reference to the menu; None for null.
PyObject* WrapMenu(Menu::BaseMenu* menu) {
  if (!menu || !g_menuType) Py_RETURN_NONE;
  auto* wrapper = PyObject_New(PyMenu, g_menuType);
  if (!wrapper) return nullptr;
  menu->AddRef();
  wrapper->menu = menu;
  g_liveMenus.push_back(wrapper);
  return reinterpret_cast<PyObject*>(wrapper);
}

PyObject* WrapWidget(Widget* widget) {
  if (!widget || !g_widgetType) Py_RETURN_NONE;
  auto* wrapper = PyObject_New(PyWidget, g_widgetType);
  if (!wrapper) return nullptr;
  widget->AddRef();
  wrapper->widget = widget;
  g_liveWidgets.push_back(wrapper);
  return reinterpret_cast<PyObject*>(wrapper);
}

Menu::BaseMenu* MenuArg(PyObject* value) {
  if (!value || !g_menuType || !PyObject_TypeCheck(value, g_menuType)) return nullptr;
  return reinterpret_cast<PyMenu*>(value)->menu;
}

Widget* WidgetArg(PyObject* value) {
  if (!value || !g_widgetType || !PyObject_TypeCheck(value, g_widgetType)) return nullptr;
  return reinterpret_cast<PyWidget*>(value)->widget;
}

// The menu or widget behind the argument, or null with the TypeError raised.
Menu::BaseMenu* RequireMenu(PyObject* value) {
  Menu::BaseMenu* menu = MenuArg(value);
  if (!menu) PyErr_SetString(PyExc_TypeError, kNotMenu);
  return menu;
}

Widget* RequireWidget(PyObject* value, const char* message = kNotWidget) {
  Widget* widget = WidgetArg(value);
  if (!widget) PyErr_SetString(PyExc_TypeError, message);
  return widget;
}

bool RequireElement(int element) {
  if (element >= 0 && element < kElementCount) return true;
  PyErr_SetString(PyExc_TypeError, kBadElement);
  return false;
}

// The widget of a one-argument getter ("O").
Widget* GetterWidget(PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O", &value)) return nullptr;
  return RequireWidget(value, kNotMenuWidget);
}

Vector4D ColourArg(PyObject* value) {
  Vector4D colour;
  if (!KazMath_ToVector4D(value, &colour)) colour = Vector4D();
  return colour;
}

// ---------------------------------------------------------------------------
// Engine to scripts
// ---------------------------------------------------------------------------

void ReportToScripts(int eventId, PyObject* value) {
  ScriptManager* scripts = GetScriptManager();
  if (!value) {
    PrintPythonError();
    return;
  }
  scripts->HandleEvent(eventId, value);
  Py_DECREF(value);
}

void ReportMenuEvent(int eventId, int occasion, Menu::BaseMenu* menu, int a, int b) {
  if (!ScriptsRunning()) return;
  switch (occasion) {
    case Menu::MenuOccasion_Activate: {
      PyObject* previous = WrapMenu(menu);
      ReportToScripts(eventId, previous ? Py_BuildValue("(iN)", 0, previous) : nullptr);
      break;
    }
    case Menu::MenuOccasion_Deactivate:
      ReportToScripts(eventId, Py_BuildValue("(iO)", 1, Py_None));
      break;
    default:
      ReportToScripts(eventId, Py_BuildValue("(iii)", occasion, a, b));
      break;
  }
}

void MessageBoxResult(int result, void* userData) {
  if (!ScriptsRunning()) return;
  const int eventId = static_cast<int>(reinterpret_cast<intptr_t>(userData));
  ReportToScripts(eventId, PyLong_FromLong(result));
}

// ---------------------------------------------------------------------------
// Menus and the stack
// ---------------------------------------------------------------------------

PyObject* CreateMenu(PyObject*, PyObject* args) {
  int eventId;
  if (!PyArg_ParseTuple(args, "i:_Menu.CreateMenu", &eventId)) return nullptr;
  Ref<Menu::ScriptedMenu> menu =
      Ref<Menu::ScriptedMenu>::Adopt(Menu::ScriptedMenu::Create(&GetMenuManager(), eventId));
  if (!menu || !menu->Init()) Py_RETURN_NONE;
  return WrapMenu(menu.Get());
}

PyObject* PushMenu(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_Menu.PushMenu", &value)) return nullptr;
  Menu::BaseMenu* menu = RequireMenu(value);
  if (!menu) return nullptr;
  return PyBool_FromLong(GetMenuManager().PushMenu(menu));
}

PyObject* PopMenu(PyObject*, PyObject*) {
  GetMenuManager().PopMenu();
  Py_RETURN_NONE;
}

PyObject* ClearMenuStack(PyObject*, PyObject*) {
  GetMenuManager().ClearMenuStack();
  Py_RETURN_NONE;
}

PyObject* GetActiveMenu(PyObject*, PyObject*) {
  return WrapMenu(GetMenuManager().GetActiveMenu());
}

PyObject* GetScreenSize(PyObject*, PyObject*) {
  int width, height;
  GetMenuManager().GetScreenSize(&width, &height);
  return Py_BuildValue("(ii)", width, height);
}

PyObject* ShowMessageBox(PyObject*, PyObject* args) {
  const char* text;
  int style, timeoutResult, eventId;
  float timeout;
  if (!PyArg_ParseTuple(args, "sifii:_Menu.MessageBox", &text, &style, &timeout, &timeoutResult,
                        &eventId))
    return nullptr;
  return PyBool_FromLong(GetMenuManager().MessageBox(text, style, &MessageBoxResult,
                                                     reinterpret_cast<void*>(intptr_t{eventId}),
                                                     timeout, timeoutResult));
}

PyObject* MenuGetEventListener(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_Menu.menuGetEventListener", &value)) return nullptr;
  Menu::BaseMenu* menu = RequireMenu(value);
  if (!menu) return nullptr;
  if (!menu->IsScripted()) Py_RETURN_NONE;
  return PyLong_FromLong(static_cast<Menu::ScriptedMenu*>(menu)->GetEventId());
}

PyObject* MenuAddWidget(PyObject*, PyObject* args) {
  PyObject* value;
  int type, id, x, y, width, height;
  const char* text;
  if (!PyArg_ParseTuple(args, "Oiisiiii:_Menu.menuAddWidget", &value, &type, &id, &text, &x, &y,
                        &width, &height))
    return nullptr;
  Menu::BaseMenu* menu = RequireMenu(value);
  if (!menu) return nullptr;
  return WrapWidget(menu->AddWidget(type, id, text, x, y, width, height));
}

PyObject* MenuSetFocusWidget(PyObject*, PyObject* args) {
  PyObject *value, *widget;
  if (!PyArg_ParseTuple(args, "OO:_Menu.menuSetFocusWidget", &value, &widget)) return nullptr;
  Menu::BaseMenu* menu = RequireMenu(value);
  if (!menu) return nullptr;
  menu->SetFocusWidget(WidgetArg(widget));
  Py_RETURN_NONE;
}

PyObject* MenuSetBgColor(PyObject*, PyObject* args) {
  PyObject *value, *colour;
  if (!PyArg_ParseTuple(args, "OO:_Menu.menuSetBgColor", &value, &colour)) return nullptr;
  Menu::BaseMenu* menu = RequireMenu(value);
  if (!menu) return nullptr;
  menu->SetBgColor(ColourArg(colour));
  Py_RETURN_NONE;
}

PyObject* MenuGetBgColor(PyObject*, PyObject* args) {
  PyObject* value;
  if (!PyArg_ParseTuple(args, "O:_Menu.menuGetBgColor", &value)) return nullptr;
  Menu::BaseMenu* menu = RequireMenu(value);
  if (!menu) return nullptr;
  return KazMath_FromVector4D(menu->GetBgColor());
}

// ---------------------------------------------------------------------------
// Every widget
// ---------------------------------------------------------------------------

PyObject* WidgetGetID(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? PyLong_FromLong(widget->GetID()) : nullptr;
}

PyObject* WidgetGetMenu(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? WrapMenu(widget->GetMenu()) : nullptr;
}

PyObject* WidgetSetText(PyObject*, PyObject* args) {
  PyObject* value;
  const char* text;
  if (!PyArg_ParseTuple(args, "Os:_Menu.widgetSetText", &value, &text)) return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget) return nullptr;
  widget->SetText(text);
  Py_RETURN_NONE;
}

PyObject* WidgetGetText(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? PyUnicode_FromString(widget->GetText().c_str()) : nullptr;
}

// Functions of a widget and two ints ("Oii").
PyObject* WidgetTwoInts(PyObject* args, const char* format, void (*apply)(Widget*, int, int)) {
  PyObject* value;
  int a, b;
  if (!PyArg_ParseTuple(args, format, &value, &a, &b)) return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget) return nullptr;
  apply(widget, a, b);
  Py_RETURN_NONE;
}

// Functions of a widget and one int ("Oi").
PyObject* WidgetOneInt(PyObject* args, const char* format, void (*apply)(Widget*, int)) {
  PyObject* value;
  int a;
  if (!PyArg_ParseTuple(args, format, &value, &a)) return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget) return nullptr;
  apply(widget, a);
  Py_RETURN_NONE;
}

PyObject* WidgetSetPos(PyObject*, PyObject* args) {
  return WidgetTwoInts(args, "Oii:_Menu.widgetSetPos",
                       [](Widget* w, int x, int y) { w->SetPos(x, y); });
}

PyObject* WidgetGetPos(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? Py_BuildValue("(ii)", widget->GetX(), widget->GetY()) : nullptr;
}

PyObject* WidgetSetSize(PyObject*, PyObject* args) {
  return WidgetTwoInts(args, "Oii:_Menu.widgetSetSize",
                       [](Widget* w, int width, int height) { w->SetSize(width, height); });
}

PyObject* WidgetGetSize(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? Py_BuildValue("(ii)", widget->GetWidth(), widget->GetHeight()) : nullptr;
}

PyObject* WidgetShow(PyObject*, PyObject* args) {
  return WidgetOneInt(args, "Oi:_Menu.widgetShow", [](Widget* w, int on) { w->Show(on != 0); });
}

PyObject* WidgetIsVisible(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? PyBool_FromLong(widget->IsVisible()) : nullptr;
}

PyObject* WidgetEnable(PyObject*, PyObject* args) {
  return WidgetOneInt(args, "Oi:_Menu.widgetEnable", [](Widget* w, int on) { w->Enable(on != 0); });
}

PyObject* WidgetIsEnabled(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? PyBool_FromLong(widget->IsEnabled()) : nullptr;
}

PyObject* WidgetSetStatic(PyObject*, PyObject* args) {
  return WidgetOneInt(args, "Oi:_Menu.widgetSetStatic",
                      [](Widget* w, int on) { w->SetStatic(on != 0); });
}

PyObject* WidgetIsStatic(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? PyBool_FromLong(widget->IsStatic()) : nullptr;
}

PyObject* WidgetSetFont(PyObject*, PyObject* args) {
  PyObject* value;
  const char* name;
  if (!PyArg_ParseTuple(args, "Os:_Menu.widgetSetFont", &value, &name)) return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget) return nullptr;
  return PyBool_FromLong(widget->SetFont(name));
}

PyObject* WidgetSetColor(PyObject*, PyObject* args) {
  PyObject *value, *colour;
  int element;
  if (!PyArg_ParseTuple(args, "OiO:_Menu.widgetSetColor", &value, &element, &colour))
    return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget || !RequireElement(element)) return nullptr;
  widget->SetColor(element, ColourArg(colour));
  Py_RETURN_NONE;
}

PyObject* WidgetGetColor(PyObject*, PyObject* args) {
  PyObject* value;
  int element;
  if (!PyArg_ParseTuple(args, "Oi:_Menu.widgetGetColor", &value, &element)) return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget || !RequireElement(element)) return nullptr;
  return KazMath_FromVector4D(widget->GetColor(element));
}

PyObject* WidgetSetTexture(PyObject*, PyObject* args) {
  PyObject* value;
  int element;
  const char* name;
  if (!PyArg_ParseTuple(args, "Ois:_Menu.widgetSetTexture", &value, &element, &name))
    return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget || !RequireElement(element)) return nullptr;
  return PyBool_FromLong(widget->SetTexture(element, name));
}

PyObject* WidgetGetFontHeight(PyObject*, PyObject* args) {
  Widget* widget = GetterWidget(args);
  return widget ? PyLong_FromLong(widget->GetFontHeight()) : nullptr;
}

PyObject* WidgetGetFontWidth(PyObject*, PyObject* args) {
  PyObject* value;
  const char* text;
  Py_ssize_t length;
  if (!PyArg_ParseTuple(args, "Os#:_Menu.widgetGetFontWidth", &value, &text, &length))
    return nullptr;
  Widget* widget = RequireWidget(value);
  if (!widget) return nullptr;
  return PyLong_FromLong(widget->GetTextWidth(text, static_cast<size_t>(length)));
}

const char kNone[] = "";
const char kMenu[] = "TypeError \"first parameter must be a MenuObject\"";
const char kWidget[] = "TypeError \"first parameter must be a Widget\"";
const char kGetter[] = "TypeError \"parameter 1 must be a MenuWidget.\"";
const char kElement[] =
    "TypeError \"first parameter must be a Widget\", \"elementType has an invalid value\"";

const ScriptFunction kFunctions[] = {
    {"CreateMenu", CreateMenu, "Creates a new menu and binds it to the given PyObject.",
     "eventId (int)",
     "a new scripted menu (MenuObject); its events arrive at _Core.HandleEvent(eventId, value) as "
     "(0, previous menu or None) activated, (1, None) deactivated, (2, width, height) resized, (3, "
     "widgetId, code) widget event (2 activated, 3 value changed, 4 focus next, 5 focus previous, "
     "6 left, 7 right)",
     kNone},
    {"PushMenu", PushMenu, "Pushes a menu onto the menu stack, setting it as the active menu.",
     "menu", "True; the menu becomes the active one", kMenu},
    {"PopMenu", PopMenu, "Pops the active menu off the stack.", "none",
     "None; the menu below becomes active", kNone},
    {"ClearMenuStack", ClearMenuStack, "Pops all the menus off the stack.", "none",
     "None; only the active menu hears it is left", kNone},
    {"GetActiveMenu", GetActiveMenu, "Gets the currently active menu.", "none",
     "the active menu (a new MenuObject), or None", kNone},
    {"GetScreenSize", GetScreenSize, "Gets the width/height of the screen in pixels.", "none",
     "(width, height) in pixels", kNone},
    {"MessageBox", ShowMessageBox, "Displays a message box",
     "text (str), style (1 Okay, 2 Okay/Cancel, 3 Yes/No, 4 Yes/No/Cancel), timeout seconds "
     "(float, 0 for none), timeout result (int), eventId (int)",
     "True; the pressed button (1 Okay, 2 Cancel, 3 Yes, 4 No) or, when the timeout runs out, the "
     "timeout result arrives once at _Core.HandleEvent(eventId, result)",
     kNone},
    {"menuGetEventListener", MenuGetEventListener,
     "Gets the event listener for this menu, if it is scripted.", "menu",
     "the event id of a scripted menu, None for others", kMenu},
    {"menuAddWidget", MenuAddWidget, "Adds a widget to the menu.",
     "menu, type (0 static text, 1 static image, 2 button, 3 switch, 4 list, 5 edit box), id, text "
     "(str), x, y, width, height (ints)",
     "the new Widget, or None for a duplicate id or an unknown type", kMenu},
    {"menuSetFocusWidget", MenuSetFocusWidget,
     "Sets the focus to the given widget (must belong to this menu!).", "menu, widget",
     "None; a widget of another menu leaves the focus as it is", kMenu},
    {"menuSetBgColor", MenuSetBgColor, "",
     "menu, colour (Engine.Vector4D; anything else is black, transparent)", "None", kMenu},
    {"menuGetBgColor", MenuGetBgColor, "", "menu", "the background colour (Vector4D)", kMenu},
    {"widgetGetID", WidgetGetID, "", "widget", "the id", kGetter},
    {"widgetGetMenu", WidgetGetMenu, "", "widget",
     "the owning menu (MenuObject), or None once it is gone", kGetter},
    {"widgetSetText", WidgetSetText, "", "widget, text (str)",
     "None; word-wrapped texts wrap again", kWidget},
    {"widgetGetText", WidgetGetText, "", "widget", "the text", kGetter},
    {"widgetSetPos", WidgetSetPos, "", "widget, x, y (ints, relative to the menu)", "None",
     kWidget},
    {"widgetGetPos", WidgetGetPos, "", "widget", "(x, y)", kGetter},
    {"widgetSetSize", WidgetSetSize, "", "widget, width, height (ints)", "None", kWidget},
    {"widgetGetSize", WidgetGetSize, "", "widget", "(width, height)", kGetter},
    {"widgetShow", WidgetShow, "", "widget, visible (int)", "None", kWidget},
    {"widgetIsVisible", WidgetIsVisible, "", "widget", "True or False", kGetter},
    {"widgetEnable", WidgetEnable, "", "widget, enabled (int)", "None", kWidget},
    {"widgetIsEnabled", WidgetIsEnabled, "", "widget", "True or False", kGetter},
    {"widgetSetStatic", WidgetSetStatic, "",
     "widget, static (int; static widgets never take the focus)", "None", kWidget},
    {"widgetIsStatic", WidgetIsStatic, "", "widget", "True or False", kGetter},
    {"widgetSetFont", WidgetSetFont, "", "widget, font file (str; empty drops the font)",
     "True, or False when the font cannot be loaded (the old one stays)", kWidget},
    {"widgetSetColor", WidgetSetColor, "",
     "widget, element (0 to 4: 1 text, 2 focused text, 3 disabled text, 4 values, static text and "
     "image tint), colour (Vector4D)",
     "None", kElement},
    {"widgetGetColor", WidgetGetColor, "", "widget, element (0 to 4)", "the colour (Vector4D)",
     kElement},
    {"widgetSetTexture", WidgetSetTexture, "",
     "widget, element (0 to 4; 0 is a static image's picture), texture (str)",
     "True, or False when it cannot be loaded (the old one stays); empty drops it", kElement},
    {"widgetGetFontHeight", WidgetGetFontHeight, "", "widget",
     "the font's height in pixels, 0 without a font", kGetter},
    {"widgetGetFontWidth", WidgetGetFontWidth, "", "widget, text (str)",
     "the text's width in pixels, 0 without a font", kWidget},
    {"widgetStaticImgSetRect", WidgetStaticImgSetRect, "",
     "widget, uMin, vMin, uMax, vMax (floats)", "None; static images only", kWidget},
    {"widgetBooleanGetValue", WidgetBooleanGetValue, "", "widget",
     "the switch's value; False for other widgets", kGetter},
    {"widgetBooleanSetValue", WidgetBooleanSetValue, "", "widget, value (int)",
     "None; switches only, no event", kWidget},
    {"widgetListAddString", WidgetListAddString, "", "widget, text (str)",
     "the new item's index (the first item becomes current); -1 for other widgets", kWidget},
    {"widgetListRemoveString", WidgetListRemoveString, "", "widget, index (int)", "None", kWidget},
    {"widgetListClear", WidgetListClear, "", "widget", "None; False for other widgets", kGetter},
    {"widgetListGetCount", WidgetListGetCount, "", "widget",
     "the number of items; False for other widgets", kGetter},
    {"widgetListGetCurSel", WidgetListGetCurSel, "", "widget",
     "the current index (-1 for none); False for other widgets", kGetter},
    {"widgetListSetCurSel", WidgetListSetCurSel, "", "widget, index (int)",
     "None; an index out of range is ignored", kWidget},
    {"widgetListFindString", WidgetListFindString, "", "widget, text (str)",
     "the index of the first equal item (case-sensitive), or -1", kWidget},
    {"widgetListReverse", WidgetListReverse, "", "widget", "None; False for other widgets",
     kGetter},
    {"widgetListGetString", WidgetListGetString, "", "widget, index (int)",
     "the item (empty out of range); None for other widgets", kWidget},
};

PyModuleDef g_module = {
    PyModuleDef_HEAD_INIT, "_Menu", nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

Widget* MenuRequireWidget(PyObject* value) {
  return RequireWidget(value);
}

Widget* MenuGetterWidget(PyObject* args) {
  return GetterWidget(args);
}

PyObject* MenuWidgetOneInt(PyObject* args, const char* format, void (*apply)(Widget*, int)) {
  return WidgetOneInt(args, format, apply);
}

PyObject* PyInit__Menu() {
  static MethodTable methods(kFunctions);
  g_module.m_methods = methods.Get();
  PyObject* module = PyModule_Create2(&g_module, PYTHON_API_VERSION);
  if (!module) return nullptr;
  g_menuType = AddModuleType(module, &g_menuSpec, "MenuObject");
  g_widgetType = AddModuleType(module, &g_widgetSpec, "Widget");
  if (!g_menuType || !g_widgetType) {
    Py_DECREF(module);
    return nullptr;
  }
  Menu::SetScriptedMenuReporter(&ReportMenuEvent);
  return module;
}

void ReleaseScriptMenus() {
  Menu::SetScriptedMenuReporter(nullptr);
  for (PyMenu* wrapper : g_liveMenus)
    if (Menu::BaseMenu* menu = std::exchange(wrapper->menu, nullptr)) menu->Release();
  for (PyWidget* wrapper : g_liveWidgets)
    if (Widget* widget = std::exchange(wrapper->widget, nullptr)) widget->Release();
}

std::span<const ScriptFunction> GetMenuModuleFunctions() {
  return kFunctions;
}
