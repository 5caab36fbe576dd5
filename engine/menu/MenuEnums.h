// MenuEnums.h - the numbers scripts give the menus: widget types, colour
// element types, message-box styles and the buttons a box answers with.
//
// _Menu checks its arguments against these tables and the generated reference
// lists them. Builds on base/EnumTable.h, menu/Widget.h and menu/Menu.h.
#pragma once

#include "base/EnumTable.h"

const EnumTable& WidgetTypeTable();        // Widget.h: WidgetType
const EnumTable& ElementTypeTable();       // Widget.h: ElementType
const EnumTable& MessageBoxStyleTable();   // the style argument of _Menu.MessageBox
const EnumTable& MessageBoxButtonTable();  // Menu.h: MessageBoxButton
