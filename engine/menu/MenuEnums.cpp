// MenuEnums.cpp - the tables of MenuEnums.h.
#include "menu/MenuEnums.h"

#include "menu/Menu.h"
#include "menu/Widget.h"

namespace {

constexpr EnumValue kWidgetTypes[] = {
    {WidgetType_StaticText, "StaticText", "A text, word-wrapped to the widget's width."},
    {WidgetType_StaticImage, "StaticImage", "A texture (widgetSetTexture), tinted by Value."},
    {WidgetType_Button, "Button", "Sends an event when Enter activates it."},
    {WidgetType_Boolean, "Boolean", "A switch that Enter flips."},
    {WidgetType_List, "List", "A list of texts; Left and Right change the selection."},
    {WidgetType_EditBox, "EditBox", "A line of text the script sets."},
};

constexpr EnumValue kElementTypes[] = {
    {Element_Default, "Default", "The widget's background."},
    {Element_Normal, "Normal", "Text of an enabled widget without the focus."},
    {Element_Focused, "Focused", "Text of the focused widget."},
    {Element_Disabled, "Disabled", "Text of a disabled widget."},
    {Element_Value, "Value", "Switch and list values, static texts, an image's tint."},
};

constexpr EnumValue kMessageBoxStyles[] = {
    {0, "NoButtons", "No buttons: the box closes when its timeout runs out."},
    {1, "Okay", "An Okay button."},
    {2, "OkayCancel", "Okay and Cancel."},
    {3, "YesNo", "Yes and No."},
    {4, "YesNoCancel", "Yes, No and Cancel."},
};

constexpr EnumValue kMessageBoxButtons[] = {
    {Menu::MessageBoxButton_Okay, "Okay", "Okay was pressed."},
    {Menu::MessageBoxButton_Cancel, "Cancel", "Cancel was pressed."},
    {Menu::MessageBoxButton_Yes, "Yes", "Yes was pressed."},
    {Menu::MessageBoxButton_No, "No", "No was pressed."},
};

}  // namespace

const EnumTable& WidgetTypeTable() {
  static const EnumTable table{"Widget types", "_Menu.menuAddWidget's second argument",
                               kWidgetTypes};
  return table;
}

const EnumTable& ElementTypeTable() {
  static const EnumTable table{"Widget colour elements",
                               "_Menu.widgetSetColor, widgetGetColor and widgetSetTexture",
                               kElementTypes};
  return table;
}

const EnumTable& MessageBoxStyleTable() {
  static const EnumTable table{"Message box styles", "_Menu.MessageBox's second argument",
                               kMessageBoxStyles};
  return table;
}

const EnumTable& MessageBoxButtonTable() {
  static const EnumTable table{"Message box buttons",
                               "the value _Core.HandleEvent gets when a button is pressed",
                               kMessageBoxButtons};
  return table;
}
