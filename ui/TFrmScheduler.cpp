#include "ui/TFrmScheduler.h"

#include "platform/CodePage.h"
#include "platform/ProgramPath.h"
#include "schedule/Task.h"
#include "schedule/TaskResult.h"
#include "ui/DialogParts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ui {

namespace {

std::string U(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// The name base of a new work item, by operation.
constexpr const char* kTaskNames[] = {"Velmoranによるバックアップ", "Velmoranによる復元",
                                      "Velmoranの履歴バックアップ削除"};

} // namespace

TFrmScheduler::TFrmScheduler(QWidget* parent)
    : QDialog(parent), ProgramPath(platform::ProgramPath()) {
    setWindowTitle(QStringLiteral("Velmoranのスケジュール"));
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    auto* fileLabel = new QLabel(QStringLiteral("使用するバックアップ定義(&F)："), this);
    LEditFileName = new QLineEdit(this);
    LEditFileName->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
    fileLabel->setBuddy(LEditFileName);
    BtnRefer = new QPushButton(QStringLiteral("参照(&B)..."), this);
    BtnRefer->setAutoDefault(false);
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(LEditFileName, 1);
    fileRow->addWidget(BtnRefer);
    layout->addLayout(fileRow);

    auto* commandRow = new QHBoxLayout;
    auto* commandLabel = new QLabel(QStringLiteral("実行処理(&C)："), this);
    CboCommand = new QComboBox(this);
    CboCommand->addItems({QStringLiteral("バックアップ実行"),
                          QStringLiteral("バックアップからの復元"),
                          QStringLiteral("履歴バックアップファイルの削除")});
    commandLabel->setBuddy(CboCommand);
    commandRow->addWidget(commandLabel);
    commandRow->addWidget(CboCommand, 1);
    layout->addLayout(commandRow);

    // The two option groups share one place; only the chosen operation's group shows.
    auto* options = new QGridLayout;
    GrpRestore = new QGroupBox(QStringLiteral("ファイル復元のオプション"), this);
    auto* restore = new QVBoxLayout(GrpRestore);
    ChkOverwriteLatestFile = new QCheckBox(
        QStringLiteral("バックアップより新しいファイルも上書きする(&O)。"), GrpRestore);
    ChkDeleteNotContained =
        new QCheckBox(QStringLiteral("バックアップに無いファイルは削除する(&D)。"), GrpRestore);
    restore->addWidget(ChkOverwriteLatestFile);
    restore->addWidget(ChkDeleteNotContained);
    options->addWidget(GrpRestore, 0, 0);
    GrpDeleteHistory =
        new QGroupBox(QStringLiteral("履歴バックアップファイル削除のオプション"), this);
    auto* history = new QGridLayout(GrpDeleteHistory);
    RBtnDeleteAll =
        new QRadioButton(QStringLiteral("全履歴バックアップファイルの削除(&A)"), GrpDeleteHistory);
    RBtnDeleteDaysBefore = new QRadioButton(
        QStringLiteral("指定日数より以前の履歴バックアップファイルの削除(&N)"), GrpDeleteHistory);
    RBtnDeleteBefore = new QRadioButton(
        QStringLiteral("指定日より以前の履歴バックアップファイルの削除(&E)"), GrpDeleteHistory);
    RBtnDeleteDaysBefore->setChecked(true);
    EditDaysBefore = new QSpinBox(GrpDeleteHistory);
    EditDaysBefore->setRange(0, 1000);
    EditDaysBefore->setValue(7);
    DatePicker = new QDateEdit(QDate::currentDate(), GrpDeleteHistory);
    DatePicker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    history->addWidget(RBtnDeleteAll, 0, 0, 1, 2);
    history->addWidget(RBtnDeleteDaysBefore, 1, 0);
    history->addWidget(EditDaysBefore, 1, 1);
    history->addWidget(RBtnDeleteBefore, 2, 0);
    history->addWidget(DatePicker, 2, 1);
    options->addWidget(GrpDeleteHistory, 0, 0);
    layout->addLayout(options);
    GrpRestore->hide();
    GrpDeleteHistory->hide();

    auto* taskRow = new QHBoxLayout;
    auto* taskLabel = new QLabel(QStringLiteral("タスク(&T)："), this);
    CboTask = new QComboBox(this);
    taskLabel->setBuddy(CboTask);
    taskRow->addWidget(taskLabel);
    taskRow->addWidget(CboTask, 1);
    layout->addLayout(taskRow);
    layout->addWidget(new QLabel(
        QStringLiteral("※上で選択したタスクは上書きされますので注意してください．"), this));
    layout->addWidget(new QLabel(
        QStringLiteral("※スケジュールはOKの後に開くタスクの実行日時の画面で変更します．"), this));

    auto* buttons = OkCancel(this, BtnOk, [this] { return BitBtn2Click(); });
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CboCommand, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &TFrmScheduler::CboCommandClick);
    connect(BtnRefer, &QPushButton::clicked, this, &TFrmScheduler::BtnReferClick);
}

host::TMsgAnswer TFrmScheduler::Message(host::TMsgKind kind, const std::string& text,
                                        host::TMsgButtons buttons) {
    return ShowMessageBox(this, kind, text, buttons, MessageHook);
}

bool TFrmScheduler::Execute(const std::string& fileName, QWidget* parent,
                            const std::function<void(TFrmScheduler&)>& prepare) {
    TFrmScheduler dialog(parent);
    dialog.LEditFileName->setText(QFromFileName(fileName));
    if (prepare)
        prepare(dialog);
    if (!dialog.FormShow())
        return false;
    return dialog.exec() == QDialog::Accepted;
}

bool TFrmScheduler::FormShow() {
    std::vector<std::string> names;
    try {
        schedule::GetTaskNames(names);
    } catch (const std::exception&) {
        Message(host::TMsgKind::Error,
                U("現在のタスク取得に失敗しました．タスクサービスが初期化されていない可能性があり"
                  "ます．"),
                host::TMsgButtons::Ok);
        return false;
    }
    CboTask->clear();
    CboTask->addItem(QStringLiteral("<新規作成>"));
    for (const auto& name : names)
        CboTask->addItem(Q(name));
    CboTask->setCurrentIndex(0);
    return true;
}

void TFrmScheduler::CboCommandClick() {
    const int index = CboCommand->currentIndex();
    GrpRestore->setVisible(index == 1);
    GrpDeleteHistory->setVisible(index == 2);
}

void TFrmScheduler::BtnReferClick() {
    const std::string current = FileNameFromQ(LEditFileName->text());
    std::optional<std::string> chosen;
    if (FileDialogHook) {
        chosen = FileDialogHook(current);
    } else {
        QFileDialog dialog(this, QStringLiteral("Velmoranバックアップ定義の選択"),
                           LEditFileName->text(),
                           QStringLiteral("Velmoranプログラム(*.VMP *.vmp)"));
        dialog.setDefaultSuffix(QStringLiteral("VMP"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.selectFile(LEditFileName->text());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = FileNameFromQ(dialog.selectedFiles().front());
    }
    if (chosen)
        LEditFileName->setText(QFromFileName(*chosen));
}

std::string TFrmScheduler::Parameters() const {
    std::string parameters = "\"" + FileNameFromQ(LEditFileName->text()) + "\"";
    switch (CboCommand->currentIndex()) {
    case 0:
        parameters += " /backup";
        break;
    case 1:
        parameters += " /restore";
        if (ChkOverwriteLatestFile->isChecked())
            parameters += " /ignoretimestamp";
        if (ChkDeleteNotContained->isChecked())
            parameters += " /permitdeletion";
        break;
    case 2:
        if (RBtnDeleteAll->isChecked())
            parameters += " /clearhistory";
        else if (RBtnDeleteDaysBefore->isChecked())
            parameters += " /clearhistorydays" + EditDaysBefore->text().toStdString();
        else
            parameters += " /clearhistorydate" +
                          DatePicker->date().toString(QStringLiteral("yyyyMMdd")).toStdString();
        break;
    }
    return parameters;
}

std::string TFrmScheduler::NewTaskName() const {
    const std::string base = U(kTaskNames[std::max(0, CboCommand->currentIndex())]);
    if (!schedule::TaskExists(base))
        return base;
    for (int n = 2;; ++n) {
        const std::string name = base + "(" + std::to_string(n) + ")";
        if (!schedule::TaskExists(name))
            return name;
    }
}

bool TFrmScheduler::BitBtn2Click() {
    std::unique_ptr<schedule::TTask> task;
    if (CboTask->currentIndex() > 0) {
        const std::string name = FromQ(CboTask->currentText());
        if (Message(host::TMsgKind::Confirmation,
                    name + U(" は上書きされます．よろしいですか？[Y/N]"),
                    host::TMsgButtons::YesNo) != host::TMsgAnswer::Yes)
            return false;
        try {
            task = schedule::TTask::Create(name, nullptr, true);
        } catch (const std::exception&) {
            Message(host::TMsgKind::Error,
                    U("タスクの読みこみに失敗しました．タスク修正の権限が無い可能性があります．"),
                    host::TMsgButtons::Ok);
            return false;
        }
    } else {
        try {
            task = schedule::TTask::Create(NewTaskName(), nullptr, true);
            if (task->Triggers().Count() < 1)
                task->Triggers().Add();
            task->Triggers().Item(0).SetFlag(schedule::TASK_TRIGGER_FLAG_DISABLED, false);
        } catch (const std::exception&) {
            Message(host::TMsgKind::Error,
                    U("タスクの作成に失敗しました．タスク作成の権限が無い可能性があります．"),
                    host::TMsgButtons::Ok);
            return false;
        }
    }
    // What fails from here on is shown with the scheduler's own message; the dialog stays open.
    try {
        task->SetApplicationName(ProgramPath);
        task->SetParameters(Parameters());
        if (task->Triggers().Count() < 1) {
            task->Triggers().Add();
            task->Triggers().Item(0).SetTriggerType(schedule::TTriggerType::Daily);
        }
        task->Save();
        task->Edit(this);
    } catch (const std::exception& e) {
        Message(host::TMsgKind::Error, e.what(), host::TMsgButtons::Ok);
        return false;
    }
    return true;
}

} // namespace ui
