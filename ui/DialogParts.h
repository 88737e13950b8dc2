// Pieces every dialog of the program is built from.
#pragma once

#include <QString>

#include <functional>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QWidget;

namespace ui {

// OK (the default button, Enter) and キャンセル (Escape), wired to accept and reject; with
// `mayAccept`, OK closes the dialog only when it answers true.
QDialogButtonBox* OkCancel(QDialog* dialog, QPushButton*& ok,
                           const std::function<bool()>& mayAccept = {});
// A label whose mnemonic moves the focus to `buddy`.
QLabel* Buddy(const QString& text, QWidget* buddy, QWidget* parent);

} // namespace ui
