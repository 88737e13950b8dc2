// The icons of the main window's actions and of the program: the desktop's icon theme first,
// the program's own drawings where the theme has none (a bare machine has no theme).
#pragma once

#include "host/RunHost.h"

#include <QIcon>

namespace ui {

// The freedesktop icon name of an action.
const char* ActionIconName(host::TAction action);
// The theme's icon of that name, or the program's own.
QIcon ActionIcon(host::TAction action);
// The program's own icon of an action, whatever the theme holds.
QIcon BuiltInActionIcon(host::TAction action);
// The program's icon (a disk with the history arrow), drawn at the usual sizes.
QIcon ProgramIcon();

} // namespace ui
