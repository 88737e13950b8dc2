// Pieces every dialog of the program is built from.
#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QWidget;

namespace ui {

// OK (the default button, Enter) and キャンセル (Escape), wired to accept and reject.
QDialogButtonBox* OkCancel(QDialog* dialog, QPushButton*& ok);
// A label whose mnemonic moves the focus to `buddy`.
QLabel* Buddy(const QString& text, QWidget* buddy, QWidget* parent);

} // namespace ui
