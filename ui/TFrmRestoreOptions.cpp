#include "ui/TFrmRestoreOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace ui {

TFrmRestoreOptions::TFrmRestoreOptions(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ファイル復元の確認"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("バックアップしたアーカイブからファイルを復元します。"), this));
    layout->addWidget(new QLabel(
        QStringLiteral("復元方法のオプションを選択して[OK]ボタンを押してください。"), this));
    ChkOverwriteLatestFile =
        new QCheckBox(QStringLiteral("バックアップより新しいファイルも上書きする(&O)。"), this);
    ChkOverwriteLatestFile->setToolTip(
        QStringLiteral("チェックすると、最新のファイルをバックアップファイルで上書きします。"));
    ChkDeleteNotContained =
        new QCheckBox(QStringLiteral("バックアップに無いファイルは削除する(&D)。"), this);
    ChkDeleteNotContained->setToolTip(
        QStringLiteral("チェックするとバックアップ時に存在しなかったファイルを削除します。"));
    layout->addWidget(ChkOverwriteLatestFile);
    layout->addWidget(ChkDeleteNotContained);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFrmRestoreOptions::Execute() {
    ChkOverwriteLatestFile->setChecked(OverwriteLatestFile);
    ChkDeleteNotContained->setChecked(DeleteNotContained);
    if (exec() != QDialog::Accepted)
        return false;
    OverwriteLatestFile = ChkOverwriteLatestFile->isChecked();
    DeleteNotContained = ChkDeleteNotContained->isChecked();
    return true;
}

} // namespace ui
