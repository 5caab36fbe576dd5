// MenuDocs.cpp - arguments, results and errors of the _Menu functions, in the
// order of the module's method table (a test keeps the orders equal).
#include "script/PythonSupport.h"

#include "script/ScriptDocs.h"

namespace {

const char kNone[] = "";
const char kMenu[] = "TypeError \"first parameter must be a MenuObject\"";
const char kWidget[] = "TypeError \"first parameter must be a Widget\"";
const char kGetter[] = "TypeError \"parameter 1 must be a MenuWidget.\"";
const char kElement[] =
    "TypeError \"first parameter must be a Widget\", \"elementType has an invalid value\"";

const ScriptFunctionDoc g_menuDocs[] = {
    {"CreateMenu", "eventId (int)",
     "a new scripted menu (MenuObject); its events arrive at _Core.HandleEvent(eventId, value) "
     "as (0, previous menu or None) activated, (1, None) deactivated, (2, width, height) "
     "resized, (3, widgetId, code) widget event (2 activated, 3 value changed, 4 focus next, "
     "5 focus previous, 6 left, 7 right)",
     kNone},
    {"PushMenu", "menu", "True; the menu becomes the active one", kMenu},
    {"PopMenu", "none", "None; the menu below becomes active", kNone},
    {"ClearMenuStack", "none", "None; only the active menu hears it is left", kNone},
    {"GetActiveMenu", "none", "the active menu (a new MenuObject), or None", kNone},
    {"GetScreenSize", "none", "(width, height) in pixels", kNone},
    {"MessageBox",
     "text (str), style (1 Okay, 2 Okay/Cancel, 3 Yes/No, 4 Yes/No/Cancel), timeout seconds "
     "(float, 0 for none), timeout result (int), eventId (int)",
     "True; the pressed button (1 Okay, 2 Cancel, 3 Yes, 4 No) or, when the timeout runs out, "
     "the timeout result arrives once at _Core.HandleEvent(eventId, result)",
     kNone},
    {"menuGetEventListener", "menu", "the event id of a scripted menu, None for others", kMenu},
    {"menuAddWidget",
     "menu, type (0 static text, 1 static image, 2 button, 3 switch, 4 list, 5 edit box), id, "
     "text (str), x, y, width, height (ints)",
     "the new Widget, or None for a duplicate id or an unknown type", kMenu},
    {"menuSetFocusWidget", "menu, widget",
     "None; a widget of another menu leaves the focus as it is", kMenu},
    {"menuSetBgColor", "menu, colour (Engine.Vector4D; anything else is black, transparent)",
     "None", kMenu},
    {"menuGetBgColor", "menu", "the background colour (Vector4D)", kMenu},
    {"widgetGetID", "widget", "the id", kGetter},
    {"widgetGetMenu", "widget", "the owning menu (MenuObject), or None once it is gone", kGetter},
    {"widgetSetText", "widget, text (str)", "None; word-wrapped texts wrap again", kWidget},
    {"widgetGetText", "widget", "the text", kGetter},
    {"widgetSetPos", "widget, x, y (ints, relative to the menu)", "None", kWidget},
    {"widgetGetPos", "widget", "(x, y)", kGetter},
    {"widgetSetSize", "widget, width, height (ints)", "None", kWidget},
    {"widgetGetSize", "widget", "(width, height)", kGetter},
    {"widgetShow", "widget, visible (int)", "None", kWidget},
    {"widgetIsVisible", "widget", "True or False", kGetter},
    {"widgetEnable", "widget, enabled (int)", "None", kWidget},
    {"widgetIsEnabled", "widget", "True or False", kGetter},
    {"widgetSetStatic", "widget, static (int; static widgets never take the focus)", "None",
     kWidget},
    {"widgetIsStatic", "widget", "True or False", kGetter},
    {"widgetSetFont", "widget, font file (str; empty drops the font)",
     "True, or False when the font cannot be loaded (the old one stays)", kWidget},
    {"widgetSetColor",
     "widget, element (0 to 4: 1 text, 2 focused text, 3 disabled text, 4 values, static text "
     "and image tint), colour (Vector4D)",
     "None", kElement},
    {"widgetGetColor", "widget, element (0 to 4)", "the colour (Vector4D)", kElement},
    {"widgetSetTexture", "widget, element (0 to 4; 0 is a static image's picture), texture (str)",
     "True, or False when it cannot be loaded (the old one stays); empty drops it", kElement},
    {"widgetGetFontHeight", "widget", "the font's height in pixels, 0 without a font", kGetter},
    {"widgetGetFontWidth", "widget, text (str)", "the text's width in pixels, 0 without a font",
     kWidget},
    {"widgetStaticImgSetRect", "widget, uMin, vMin, uMax, vMax (floats)",
     "None; static images only", kWidget},
    {"widgetBooleanGetValue", "widget", "the switch's value; False for other widgets", kGetter},
    {"widgetBooleanSetValue", "widget, value (int)", "None; switches only, no event", kWidget},
    {"widgetListAddString", "widget, text (str)",
     "the new item's index (the first item becomes current); -1 for other widgets", kWidget},
    {"widgetListRemoveString", "widget, index (int)", "None", kWidget},
    {"widgetListClear", "widget", "None; False for other widgets", kGetter},
    {"widgetListGetCount", "widget", "the number of items; False for other widgets", kGetter},
    {"widgetListGetCurSel", "widget", "the current index (-1 for none); False for other widgets",
     kGetter},
    {"widgetListSetCurSel", "widget, index (int)", "None; an index out of range is ignored",
     kWidget},
    {"widgetListFindString", "widget, text (str)",
     "the index of the first equal item (case-sensitive), or -1", kWidget},
    {"widgetListReverse", "widget", "None; False for other widgets", kGetter},
    {"widgetListGetString", "widget, index (int)",
     "the item (empty out of range); None for other widgets", kWidget},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ScriptFunctionDoc* GetMenuModuleDocs() {
  return g_menuDocs;
}
