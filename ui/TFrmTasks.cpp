#include "ui/TFrmTasks.h"

#include "ui/DialogParts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

TFrmTasks::TFrmTasks(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バックアップ定義の設定"));
    auto* layout = new QVBoxLayout(this);
    ChkMsgBeforeExec =
        new QCheckBox(QStringLiteral("バックアップ前にメッセージを表示する(&B)．"), this);
    ChkMsgBeforeExec->setToolTip(QStringLiteral(
        "チェックすると、バックアップを始める前に指定したメッセージを表示できます。"));
    MemoMsg = new QPlainTextEdit(this);
    MemoMsg->setToolTip(QStringLiteral("バックアップ前に表示するメッセージを指定します。"));
    MemoMsg->setTabChangesFocus(true);
    MemoMsg->setFixedHeight(fontMetrics().lineSpacing() * 5);
    ChkCloseWhenFinished =
        new QCheckBox(QStringLiteral("実行が完了したらVelmoranを閉じる(&C)．"), this);
    ChkCloseWhenFinished->setToolTip(
        QStringLiteral("チェックすると、バックアップが終了すると自動的にVelmoranを終了します。"));
    ChkShowLog = new QCheckBox(QStringLiteral("異常発生時にはログを表示する(&L)．"), this);
    layout->addWidget(ChkMsgBeforeExec);
    layout->addWidget(Buddy(QStringLiteral("メッセージ(&M)："), MemoMsg, this));
    layout->addWidget(MemoMsg);
    layout->addWidget(ChkCloseWhenFinished);
    layout->addWidget(ChkShowLog);
    layout->addWidget(OkCancel(this, BtnOk));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFrmTasks::EditDefinitionSettings(definition::TVMDefinition& definition, QWidget* parent,
                                       const std::function<void(TFrmTasks&)>& prepare) {
    TFrmTasks dialog(parent);
    dialog.ChkMsgBeforeExec->setChecked(definition.MsgBeforeExec);
    dialog.MemoMsg->setPlainText(MemoText(definition.MsgBeforeExecText));
    dialog.ChkCloseWhenFinished->setChecked(definition.CloseWhenFinished);
    dialog.ChkShowLog->setChecked(definition.ShowLog);
    if (prepare)
        prepare(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    definition.MsgBeforeExec = dialog.ChkMsgBeforeExec->isChecked();
    definition.MsgBeforeExecText = MemoLines(dialog.MemoMsg->toPlainText());
    definition.CloseWhenFinished = dialog.ChkCloseWhenFinished->isChecked();
    definition.ShowLog = dialog.ChkShowLog->isChecked();
    return true;
}

} // namespace ui
