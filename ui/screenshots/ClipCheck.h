// Finds the texts of a window that do not fit their widgets (cut off, or elided).
#pragma once

#include <QStringList>

class QWidget;

namespace ui {

// "ClassName 'text' needs W px, has H px" for each visible label, button, check box, radio
// button, group box title and combo box of `window` whose text is wider or taller than the
// widget gives it.
QStringList ClippedWidgets(QWidget* window);

} // namespace ui
