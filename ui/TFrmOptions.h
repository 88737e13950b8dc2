// The options dialog: the program's work directory, log file and archive type.
#pragma once

#include "engine/RunState.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
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

} // namespace ui
