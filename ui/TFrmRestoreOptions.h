// The restore options dialog: overwrite newer files, delete files the backup does not hold.
#pragma once

#include <QDialog>

class QCheckBox;

namespace ui {

class TFrmRestoreOptions : public QDialog {
    Q_OBJECT

public:
    explicit TFrmRestoreOptions(QWidget* parent = nullptr);

    bool OverwriteLatestFile = false;
    bool DeleteNotContained = false;

    // Shows the dialog with the values; on OK stores the check boxes back and returns true.
    bool Execute();

    QCheckBox* ChkOverwriteLatestFile = nullptr;
    QCheckBox* ChkDeleteNotContained = nullptr;
};

} // namespace ui
