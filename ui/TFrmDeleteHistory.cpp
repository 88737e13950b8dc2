#include "ui/TFrmDeleteHistory.h"

#include "platform/DateTime.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>

namespace ui {

TFrmDeleteHistory::TFrmDeleteHistory(QWidget* parent)
    : QDialog(parent), DeleteBefore(platform::Now() - 7) {
    setWindowTitle(QStringLiteral("Delete History Back-up files"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("※注意：最新のバックアップ以前の情報は失われます。"), this), 0, 0,
        1, 3);
    RBtnDeleteAll = new QRadioButton(QStringLiteral("全履歴バックアップファイルの削除(&A)"), this);
    RBtnDeleteAll->setToolTip(
        QStringLiteral("選択すると、履歴バックアップが削除され、ディスク空き容量は増えますが古いフ"
                       "ァイルの復活は出来なくなります。"));
    RBtnDeleteDaysBefore = new QRadioButton(
        QStringLiteral("指定日数より以前の履歴バックアップファイルの削除(&N)"), this);
    RBtnDeleteDaysBefore->setToolTip(
        QStringLiteral("選択すと今日から指定日数前よりも古い履歴バックアップファイルを削除してディ"
                       "スク空き容量を増やします。"));
    RBtnDeleteBefore = new QRadioButton(
        QStringLiteral("指定日より以前の履歴バックアップファイルの削除(&B)"), this);
    RBtnDeleteBefore->setToolTip(QStringLiteral(
        "指定日時よりも古い履歴バックアップファイルを削除してディスクの空き容量を増やします。"));
    EditDaysBefore = new QSpinBox(this);
    EditDaysBefore->setRange(0, 1000);
    EditDaysBefore->setValue(7);
    EditDaysBefore->setToolTip(
        QStringLiteral("何日以上前の履歴バックアップファイルを削除するかを指定します。"));
    DatePicker = new QDateEdit(this);
    DatePicker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    TimePicker = new QTimeEdit(this);
    TimePicker->setDisplayFormat(QStringLiteral("H:mm:ss"));
    const QString pickerHint =
        QStringLiteral("この日時よりも古い履歴バックアップファイルを削除します。");
    DatePicker->setToolTip(pickerHint);
    TimePicker->setToolTip(pickerHint);
    layout->addWidget(RBtnDeleteAll, 1, 0, 1, 3);
    layout->addWidget(RBtnDeleteDaysBefore, 2, 0);
    layout->addWidget(EditDaysBefore, 2, 1);
    layout->addWidget(RBtnDeleteBefore, 3, 0);
    layout->addWidget(DatePicker, 3, 1);
    layout->addWidget(TimePicker, 3, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 4, 0, 1, 3);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFrmDeleteHistory::Execute() {
    if (Days > 1000 || Days < 1)
        Days = 7;
    EditDaysBefore->setValue(Days);
    const platform::DateParts p = platform::DecodeDateTime(DeleteBefore);
    DatePicker->setDate(QDate(p.year, p.month, p.day));
    TimePicker->setTime(QTime(p.hour, p.minute, p.second));
    (Mode == 0   ? RBtnDeleteAll
     : Mode == 1 ? RBtnDeleteDaysBefore
                 : RBtnDeleteBefore)
        ->setChecked(true);
    if (exec() != QDialog::Accepted)
        return false;
    Mode = RBtnDeleteAll->isChecked() ? 0 : RBtnDeleteDaysBefore->isChecked() ? 1 : 2;
    Days = EditDaysBefore->value();
    const QDate d = DatePicker->date();
    const QTime t = TimePicker->time();
    DeleteBefore = platform::EncodeDate(d.year(), d.month(), d.day()) +
                   platform::EncodeTime(t.hour(), t.minute(), t.second(), 0);
    return true;
}

} // namespace ui
