// When a work item runs: once, every N days, on weekdays every N weeks, or on dates of chosen
// months, from a begin date at a start time; and whether it runs at all.
#pragma once

#include "schedule/TaskTrigger.h"
#include "ui/MessageBox.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;

namespace schedule {
class TTask;
}

namespace ui {

class TFrmTaskTrigger : public QDialog {
    Q_OBJECT

public:
    explicit TFrmTaskTrigger(QWidget* parent = nullptr);

    // Edits the work item's first trigger (adding one when it has none) and saves the work item
    // on OK. `prepare` lets tests reach the dialog before it shows.
    static bool Execute(schedule::TTask& task, QWidget* parent,
                        const std::function<void(TFrmTaskTrigger&)>& prepare = {});

    void Load(const schedule::TTaskTrigger& trigger);
    // The trigger the controls describe; nothing (after a box that says why) when they describe
    // none that ever runs.
    std::optional<schedule::TTaskTrigger> Store();

    TMessageHook MessageHook;

    QComboBox* CboType = nullptr;
    QDateEdit* DateBegin = nullptr;
    QTimeEdit* TimeStart = nullptr;
    QStackedWidget* Pages = nullptr;
    QSpinBox* EditDays = nullptr;
    QSpinBox* EditWeeks = nullptr;
    std::array<QCheckBox*, 7> ChkWeekDays{};
    QLineEdit* EditMonthDays = nullptr;
    std::array<QCheckBox*, 12> ChkMonths{};
    QCheckBox* ChkEnabled = nullptr;
    QPushButton* BtnOk = nullptr;

private:
    schedule::TTaskTrigger loaded_;
};

// The dates of a list such as "1,15" or "1-5, 20" as day bits; nothing for a list that holds
// anything but dates 1 to 31.
std::optional<std::uint32_t> ParseMonthDays(const std::string& text);
// The list of the dates of day bits, ranges of three or more joined with "-".
std::string FormatMonthDays(std::uint32_t days);

// Makes the trigger dialog the editor of work items (the schedule dialog opens it after saving).
void UseTriggerDialogAsTaskEditor();

} // namespace ui
