// Pieces every dialog of the program is built from.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace ui {

// OK (the default button, Enter) and キャンセル (Escape), wired to accept and reject; with
// `mayAccept`, OK closes the dialog only when it answers true.
QDialogButtonBox* OkCancel(QDialog* dialog, QPushButton*& ok,
                           const std::function<bool()>& mayAccept = {});
// A label whose mnemonic moves the focus to `buddy`.
QLabel* Buddy(const QString& text, QWidget* buddy, QWidget* parent);

// Lets the user choose a folder starting from the edit's text (`ask` answers instead of the
// folder dialog when set) and puts the choice into the edit.
using TFolderChooser = std::function<std::optional<std::string>(const std::string& start)>;
void ChooseFolderInto(QLineEdit* edit, const QString& title, const TFolderChooser& ask = {});

} // namespace ui
