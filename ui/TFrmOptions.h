// The settings dialogs: the program's options (work directory, log file, archive type) and the
// settings of the open definition (message before a run, closing, showing the log).
#pragma once

#include "definition/TVMDefinition.h"
#include "engine/RunState.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ui {

class TFrmOptions : public QDialog {
    Q_OBJECT

public:
    explicit TFrmOptions(QWidget* parent = nullptr);

    // Loads the five controls from the settings, shows the dialog, on OK stores them (true).
    static bool EditOptions(engine::TRunState& settings, QWidget* parent,
                            const std::function<void(TFrmOptions&)>& prepare = {});

    // Tests answer the browsers through these (folder: true for the work directory).
    std::function<std::optional<std::string>(bool folder, const std::string& start)> BrowseHook;

    QLineEdit* EditWorkDir = nullptr;
    QPushButton* BtnReferWork = nullptr;
    QLineEdit* EditLogFile = nullptr;
    QPushButton* BtnReferLog = nullptr;
    QCheckBox* ChkOverwriteLog = nullptr;
    QCheckBox* ChkRecallLastSettings = nullptr;
    QComboBox* CboArchiveType = nullptr;
    QPushButton* BtnOk = nullptr;

    void BtnReferWorkClick();
    void BtnReferLogClick();
};

class TFrmTasks : public QDialog {
    Q_OBJECT

public:
    explicit TFrmTasks(QWidget* parent = nullptr);

    // The same for the four settings of the definition.
    static bool EditDefinitionSettings(definition::TVMDefinition& definition, QWidget* parent,
                                       const std::function<void(TFrmTasks&)>& prepare = {});

    QCheckBox* ChkMsgBeforeExec = nullptr;
    QPlainTextEdit* MemoMsg = nullptr;
    QCheckBox* ChkCloseWhenFinished = nullptr;
    QCheckBox* ChkShowLog = nullptr;
    QPushButton* BtnOk = nullptr;
};

} // namespace ui
