// The delete-history dialog: all history backups, those older than some days, or older than a
// date and time.
#pragma once

#include <QDialog>

#include <cstdint>

class QDateEdit;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace ui {

class TFrmDeleteHistory : public QDialog {
    Q_OBJECT

public:
    explicit TFrmDeleteHistory(QWidget* parent = nullptr);

    std::int32_t Mode = 1; // 0 all, 1 older than Days, 2 older than DeleteBefore
    std::int32_t Days = 7;
    double DeleteBefore = 0;

    // Shows the dialog with the values; on OK stores the choices back and returns true.
    bool Execute();

    QRadioButton* RBtnDeleteAll = nullptr;
    QRadioButton* RBtnDeleteDaysBefore = nullptr;
    QRadioButton* RBtnDeleteBefore = nullptr;
    QSpinBox* EditDaysBefore = nullptr;
    QDateEdit* DatePicker = nullptr;
    QTimeEdit* TimePicker = nullptr;
};

} // namespace ui
