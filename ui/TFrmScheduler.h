// The schedule dialog: a backup definition and an operation become a work item that runs this
// program with the matching switches; when it runs is set in the trigger dialog that follows.
#pragma once

#include "ui/MessageBox.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace ui {

class TFrmScheduler : public QDialog {
    Q_OBJECT

public:
    explicit TFrmScheduler(QWidget* parent = nullptr);

    // Shows the dialog for the definition file; false when it closed without writing.
    static bool Execute(const std::string& fileName, QWidget* parent,
                        const std::function<void(TFrmScheduler&)>& prepare = {});

    // The program the work item starts (this program's executable).
    std::string ProgramPath;
    // Tests answer the boxes and the file dialog through these.
    TMessageHook MessageHook;
    std::function<std::optional<std::string>(const std::string& current)> FileDialogHook;

    // The parameters for the current choices: the definition in double quotes, then the
    // switches of the chosen operation.
    std::string Parameters() const;
    // The name a new work item of the chosen operation gets.
    std::string NewTaskName() const;

    QLineEdit* LEditFileName = nullptr;
    QPushButton* BtnRefer = nullptr;
    QComboBox* CboCommand = nullptr;
    QGroupBox* GrpRestore = nullptr;
    QCheckBox* ChkOverwriteLatestFile = nullptr;
    QCheckBox* ChkDeleteNotContained = nullptr;
    QGroupBox* GrpDeleteHistory = nullptr;
    QRadioButton* RBtnDeleteAll = nullptr;
    QRadioButton* RBtnDeleteDaysBefore = nullptr;
    QRadioButton* RBtnDeleteBefore = nullptr;
    QSpinBox* EditDaysBefore = nullptr;
    QDateEdit* DatePicker = nullptr;
    QComboBox* CboTask = nullptr;
    QPushButton* BtnOk = nullptr;

    // Fills the work item list; false (after the error box) when the scheduler cannot list.
    bool FormShow();
    void CboCommandClick();
    void BtnReferClick();
    // OK: writes the work item; false when the dialog stays open.
    bool BitBtn2Click();

private:
    host::TMsgAnswer Message(host::TMsgKind kind, const std::string& text,
                             host::TMsgButtons buttons);
};

} // namespace ui
