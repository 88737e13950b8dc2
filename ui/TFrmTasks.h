// The definition settings dialog: the message before a run, closing when done, showing the log.
#pragma once

#include "definition/TVMDefinition.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace ui {

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
