#include "ui/TFrmOptions.h"

#include "ui/DialogParts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

TFrmOptions::TFrmOptions(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("環境設定"));
    auto* layout = new QGridLayout(this);
    EditWorkDir = new QLineEdit(this);
    EditWorkDir->setToolTip(
        QStringLiteral("Velmoranが作業ファイルを一時的に格納するディレクトリを指定します。"));
    EditWorkDir->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 28);
    BtnReferWork = new QPushButton(QStringLiteral("参照(&B)..."), this);
    EditLogFile = new QLineEdit(this);
    EditLogFile->setToolTip(
        QStringLiteral("Velmoranの処理結果を保存するログファイルを指定します。"));
    BtnReferLog = new QPushButton(QStringLiteral("参照(&R)..."), this);
    for (QPushButton* b : {BtnReferWork, BtnReferLog})
        b->setAutoDefault(false);
    ChkOverwriteLog = new QCheckBox(QStringLiteral("ログファイルを上書きする(&O)．"), this);
    ChkOverwriteLog->setToolTip(QStringLiteral("チェックするとログファイルを毎回上書きします。"));
    ChkRecallLastSettings =
        new QCheckBox(QStringLiteral("起動時に前回終了時の状態を回復する(&S)。"), this);
    CboArchiveType = new QComboBox(this);
    CboArchiveType->addItems({QStringLiteral("\".lzh\" file"), QStringLiteral("\".zip\" file")});
    layout->addWidget(Buddy(QStringLiteral("作業ディレクトリ(&W)："), EditWorkDir, this), 0, 0);
    layout->addWidget(EditWorkDir, 0, 1);
    layout->addWidget(BtnReferWork, 0, 2);
    layout->addWidget(Buddy(QStringLiteral("ログファイル(&L)："), EditLogFile, this), 1, 0);
    layout->addWidget(EditLogFile, 1, 1);
    layout->addWidget(BtnReferLog, 1, 2);
    layout->addWidget(ChkOverwriteLog, 2, 0, 1, 3);
    layout->addWidget(ChkRecallLastSettings, 3, 0, 1, 3);
    layout->addWidget(Buddy(QStringLiteral("アーカイブタイプ(&A)："), CboArchiveType, this), 4, 0);
    layout->addWidget(CboArchiveType, 4, 1, 1, 2);
    layout->addWidget(OkCancel(this, BtnOk), 5, 0, 1, 3);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(BtnReferWork, &QPushButton::clicked, this, &TFrmOptions::BtnReferWorkClick);
    connect(BtnReferLog, &QPushButton::clicked, this, &TFrmOptions::BtnReferLogClick);
}

void TFrmOptions::BtnReferWorkClick() {
    TFolderChooser ask;
    if (BrowseHook)
        ask = [this](const std::string& start) { return BrowseHook(true, start); };
    ChooseFolderInto(EditWorkDir, QStringLiteral("作業ディレクトリの選択"), ask);
}

void TFrmOptions::BtnReferLogClick() {
    std::optional<std::string> chosen;
    if (BrowseHook) {
        chosen = BrowseHook(false, FileNameFromQ(EditLogFile->text()));
    } else {
        QFileDialog dialog(this, QStringLiteral("ログファイルの指定"));
        dialog.setNameFilters({QStringLiteral("ログ(*.LOG *.log)"),
                               QStringLiteral("テキストファイル(*.TXT *.txt)"),
                               QStringLiteral("全てのファイル(*)")});
        dialog.setDefaultSuffix(QStringLiteral("LOG"));
        dialog.selectFile(EditLogFile->text());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = FileNameFromQ(dialog.selectedFiles().front());
    }
    if (chosen)
        EditLogFile->setText(QFromFileName(*chosen));
}

bool TFrmOptions::EditOptions(engine::TRunState& settings, QWidget* parent,
                              const std::function<void(TFrmOptions&)>& prepare) {
    TFrmOptions dialog(parent);
    dialog.EditWorkDir->setText(QFromFileName(settings.TempDir));
    dialog.EditLogFile->setText(QFromFileName(settings.LogFile));
    dialog.ChkOverwriteLog->setChecked(settings.OverwriteLog);
    dialog.ChkRecallLastSettings->setChecked(settings.RecallLastSettings);
    dialog.CboArchiveType->setCurrentIndex(settings.ArchiverType == engine::atZip ? 1 : 0);
    if (prepare)
        prepare(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings.TempDir = FileNameFromQ(dialog.EditWorkDir->text());
    settings.LogFile = FileNameFromQ(dialog.EditLogFile->text());
    settings.OverwriteLog = dialog.ChkOverwriteLog->isChecked();
    settings.RecallLastSettings = dialog.ChkRecallLastSettings->isChecked();
    settings.ArchiverType =
        dialog.CboArchiveType->currentIndex() == 1 ? engine::atZip : engine::atLzh;
    return true;
}

} // namespace ui
