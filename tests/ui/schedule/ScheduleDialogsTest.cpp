// The schedule dialog and the trigger dialog over a fake crontab, under Qt's offscreen platform.
#include "schedule/Crontab.h"
#include "schedule/Task.h"
#include "tests/support/FakeCrontab.h"
#include "tests/support/TempDir.h"
#include "ui/TFrmScheduler.h"
#include "ui/TFrmTaskTrigger.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <sys/stat.h>

using namespace schedule;
using testing_support::ReadAll;
using testing_support::TempDir;
using ui::TFrmScheduler;
using ui::TFrmTaskTrigger;

namespace {

const std::string Backup = "Velmoranによるバックアップ";

// The mnemonic letters of the visible buttons and labelled controls of a dialog.
QStringList Mnemonics(QWidget* dialog) {
    QStringList letters;
    auto take = [&](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at >= 0 && at + 1 < text.size())
            letters << text.mid(at + 1, 1).toUpper();
    };
    for (auto* b : dialog->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(dialog))
            take(b->text());
    for (auto* l : dialog->findChildren<QLabel*>())
        if (l->isVisibleTo(dialog) && l->buddy())
            take(l->text());
    return letters;
}

bool Unique(const QStringList& letters) {
    return QSet<QString>(letters.begin(), letters.end()).size() == letters.size();
}

} // namespace

class ScheduleDialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir;
    TSchedulerSetup setup;
    std::vector<std::string> messages;
    int edits = 0;
    QWidget* editParent = nullptr;

    std::string Table() const { return *dir / "table"; }

    std::unique_ptr<TFrmScheduler> Dialog(const std::string& file = "/home/u/data/a.vmp") {
        auto dialog = std::make_unique<TFrmScheduler>();
        dialog->ProgramPath = "/usr/bin/velmoran";
        dialog->LEditFileName->setText(QString::fromStdString(file));
        dialog->MessageHook = [this](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            messages.push_back(text);
            return answer;
        };
        return dialog;
    }

    void MakeTask(const std::string& name, const std::string& parameters) {
        auto task = TTask::Create(name);
        task->SetApplicationName("/opt/other");
        task->SetParameters(parameters);
        TTaskTrigger weekly = DefaultTrigger(2026, 1, 5, 6, 30);
        weekly.TriggerType = TTriggerType::Weekly;
        weekly.WeekDays = 0x3E;
        task->WorkItem().Triggers.push_back(weekly);
        task->Save();
    }

    host::TMsgAnswer answer = host::TMsgAnswer::Yes;

private slots:
    void init() {
        dir = std::make_unique<TempDir>();
        const std::string fake = testing_support::WriteFakeCrontab(*dir, Table());
        setup.TasksDir = *dir / "tasks";
        setup.Crontab = {fake};
        setup.DaemonRunning = [] { return true; };
        setup.Checker = "/usr/bin/velmoran";
        setup.Now = [] { return platform::EncodeDateTime(2026, 12, 7, 1, 5, 0, 0); };
        SetDefaultSchedulerSetup(setup);
        messages.clear();
        edits = 0;
        answer = host::TMsgAnswer::Yes;
        SetTaskEditor([this](TTask&, void* parent) {
            ++edits;
            editParent = static_cast<QWidget*>(parent);
        });
    }
    void cleanup() {
        SetTaskEditor(nullptr);
        SetDefaultSchedulerSetup(std::nullopt);
        dir.reset();
    }

    void parametersFollowTheChosenOperation() {
        auto d = Dialog();
        QCOMPARE(d->Parameters(), std::string("\"/home/u/data/a.vmp\" /backup"));
        d->CboCommand->setCurrentIndex(1);
        d->ChkOverwriteLatestFile->setChecked(true);
        d->ChkDeleteNotContained->setChecked(true);
        QCOMPARE(d->Parameters(),
                 std::string("\"/home/u/data/a.vmp\" /restore /ignoretimestamp /permitdeletion"));
        d->CboCommand->setCurrentIndex(2);
        QCOMPARE(d->Parameters(), std::string("\"/home/u/data/a.vmp\" /clearhistorydays7"));
        d->RBtnDeleteBefore->setChecked(true);
        d->DatePicker->setDate(QDate(2024, 1, 31));
        QCOMPARE(d->Parameters(), std::string("\"/home/u/data/a.vmp\" /clearhistorydate20240131"));
        d->RBtnDeleteAll->setChecked(true);
        QCOMPARE(d->Parameters(), std::string("\"/home/u/data/a.vmp\" /clearhistory"));
        // Options of a hidden group are kept but never written.
        d->CboCommand->setCurrentIndex(0);
        QVERIFY(d->ChkOverwriteLatestFile->isChecked());
        QCOMPARE(d->Parameters(), std::string("\"/home/u/data/a.vmp\" /backup"));
        d->LEditFileName->clear();
        QCOMPARE(d->Parameters(), std::string("\"\" /backup"));
    }

    void onlyTheChosenOperationsGroupShowsAndMnemonicsAreUnique() {
        auto d = Dialog();
        QVERIFY(!d->GrpRestore->isVisibleTo(d.get()));
        QVERIFY(!d->GrpDeleteHistory->isVisibleTo(d.get()));
        QVERIFY(Unique(Mnemonics(d.get())));
        d->CboCommand->setCurrentIndex(1);
        QVERIFY(d->GrpRestore->isVisibleTo(d.get()));
        QVERIFY(!d->GrpDeleteHistory->isVisibleTo(d.get()));
        QVERIFY(Unique(Mnemonics(d.get())));
        d->CboCommand->setCurrentIndex(2);
        QVERIFY(!d->GrpRestore->isVisibleTo(d.get()));
        QVERIFY(d->GrpDeleteHistory->isVisibleTo(d.get()));
        QVERIFY(d->RBtnDeleteDaysBefore->isChecked());
        QCOMPARE(d->EditDaysBefore->text(), QStringLiteral("7"));
        QVERIFY(Unique(Mnemonics(d.get())));
        QVERIFY(d->BtnOk->isDefault());
    }

    void aNewWorkItemGetsTheFirstFreeNameAndRunsTheProgram() {
        MakeTask(Backup, "x");
        MakeTask(Backup + "(2)", "y");
        auto d = Dialog("/home/u/my defs/100%.vmp");
        QVERIFY(d->FormShow());
        QCOMPARE(d->CboTask->count(), 3);
        QCOMPARE(d->CboTask->itemText(0), QStringLiteral("<新規作成>"));
        QCOMPARE(d->NewTaskName(), Backup + "(3)");
        QVERIFY(d->BitBtn2Click());
        QCOMPARE(edits, 1);
        QCOMPARE(editParent, d.get());
        auto task = TTask::Create(Backup + "(3)", nullptr, false);
        QCOMPARE(task->ApplicationName(), std::string("/usr/bin/velmoran"));
        QCOMPARE(task->Parameters(), std::string("\"/home/u/my defs/100%.vmp\" /backup"));
        QCOMPARE(task->Triggers().Count(), 1);
        QVERIFY(task->Triggers().Item(0).Trigger().Enabled());
        QVERIFY(ReadAll(Table()).find("# " + Backup +
                                      "(3)\n5 1 * * * '/usr/bin/velmoran' "
                                      "'/home/u/my defs/100\\%.vmp' '/backup'\n") !=
                std::string::npos);
    }

    void overwritingAsksAndKeepsNameAndTriggers() {
        MakeTask("mine", "\"/old.vmp\" /restore");
        const std::string file = ReadAll(setup.TasksDir + "/mine.job");
        auto d = Dialog();
        QVERIFY(d->FormShow());
        d->CboTask->setCurrentIndex(1);
        answer = host::TMsgAnswer::No;
        QVERIFY(!d->BitBtn2Click());
        QCOMPARE(messages.back(), std::string("mine は上書きされます．よろしいですか？[Y/N]"));
        QCOMPARE(ReadAll(setup.TasksDir + "/mine.job"), file);
        QCOMPARE(edits, 0);

        answer = host::TMsgAnswer::Yes;
        QVERIFY(d->BitBtn2Click());
        auto task = TTask::Create("mine", nullptr, false);
        QCOMPARE(task->ApplicationName(), std::string("/usr/bin/velmoran"));
        QCOMPARE(task->Parameters(), std::string("\"/home/u/data/a.vmp\" /backup"));
        QCOMPARE(task->Triggers().Count(), 1);
        QCOMPARE(task->Triggers().Item(0).Trigger().TriggerType, TTriggerType::Weekly);
        QCOMPARE(task->Triggers().Item(0).Trigger().WeekDays, std::uint16_t{0x3E});
        QVERIFY(!TaskExists(Backup));
    }

    void failuresShowTheirMessages() {
        // The scheduler cannot list: the message, and the dialog does not open.
        setup.Crontab = {*dir / "no-crontab"};
        SetDefaultSchedulerSetup(setup);
        QVERIFY(!TFrmScheduler::Execute("/a.vmp", nullptr, [this](TFrmScheduler& d) {
            d.MessageHook = [this](host::TMsgKind, const std::string& text, host::TMsgButtons) {
                messages.push_back(text);
                return host::TMsgAnswer::Ok;
            };
        }));
        QCOMPARE(messages.back(), std::string("現在のタスク取得に失敗しました．タスクサービスが初期"
                                              "化されていない可能性があります．"));

        // A work item that cannot be read; then the scheduler gone between listing and OK.
        init();
        std::filesystem::create_directories(setup.TasksDir);
        dir->Write("tasks/broken.job", "not a work item");
        auto d = Dialog();
        QVERIFY(d->FormShow());
        d->CboTask->setCurrentIndex(1);
        QVERIFY(!d->BitBtn2Click());
        QCOMPARE(messages.back(), std::string("タスクの読みこみに失敗しました．タスク修正の権限が無"
                                              "い可能性があります．"));
        d->CboTask->setCurrentIndex(0);
        std::filesystem::remove(*dir / "crontab");
        QVERIFY(!d->BitBtn2Click());
        QCOMPARE(messages.back(), std::string("タスクの作成に失敗しました．タスク作成の権限が無い可"
                                              "能性があります．"));
        QCOMPARE(edits, 0);
        QVERIFY(!TaskExists(Backup));
    }

    void monthDayListsReadAndWrite() {
        QCOMPARE(ui::ParseMonthDays("1,15, 31"),
                 std::optional<std::uint32_t>(1u | 1u << 14 | 1u << 30));
        QCOMPARE(ui::ParseMonthDays("1-3,5"), std::optional<std::uint32_t>(0x17));
        for (const char* bad : {"", "0", "32", "1,,2", "3-1", "x", "1;2", "1-", "0001"})
            QVERIFY2(!ui::ParseMonthDays(bad), bad);
        QCOMPARE(ui::FormatMonthDays(0x17 | 1u << 9 | 1u << 10), std::string("1-3,5,10,11"));
        QCOMPARE(*ui::ParseMonthDays(ui::FormatMonthDays(0x7FFFFFFF)), std::uint32_t{0x7FFFFFFF});
    }

    void theTriggerDialogWritesWhatItShows() {
        TFrmTaskTrigger d;
        d.MessageHook = [this](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            messages.push_back(text);
            return host::TMsgAnswer::Ok;
        };
        const TTaskTrigger daily = DefaultTrigger(2026, 12, 7, 22, 10);
        d.Load(daily);
        QCOMPARE(*d.Store(), daily);
        QCOMPARE(d.Pages->currentIndex(), 1);
        QCOMPARE(d.TimeStart->time(), QTime(22, 10));

        d.CboType->setCurrentIndex(2);
        QCOMPARE(d.Pages->currentIndex(), 2);
        QVERIFY(!d.Store()); // no weekday chosen
        QCOMPARE(messages.back(), std::string("実行する曜日を選んでください．"));
        d.ChkWeekDays[1]->setChecked(true);
        d.ChkWeekDays[4]->setChecked(true);
        d.EditWeeks->setValue(2);
        TTaskTrigger weekly = *d.Store();
        QCOMPARE(weekly.TriggerType, TTriggerType::Weekly);
        QCOMPARE(weekly.WeekDays, std::uint16_t{0x12});
        QCOMPARE(weekly.WeeksInterval, 2);
        QVERIFY(Unique(Mnemonics(&d)));

        d.CboType->setCurrentIndex(3);
        d.EditMonthDays->setText(QStringLiteral("0,32"));
        QVERIFY(!d.Store());
        QVERIFY(messages.back().find("1から31") != std::string::npos);
        d.EditMonthDays->setText(QStringLiteral("1,15"));
        for (auto* month : d.ChkMonths)
            month->setChecked(false);
        QVERIFY(!d.Store());
        d.ChkMonths[0]->setChecked(true);
        d.ChkEnabled->setChecked(false);
        const TTaskTrigger monthly = *d.Store();
        QCOMPARE(monthly.MonthDays, std::uint32_t{1u | 1u << 14});
        QCOMPARE(monthly.Months, std::uint16_t{1});
        QVERIFY(!monthly.Enabled());
        QVERIFY(Unique(Mnemonics(&d)));
    }

    void theScheduleDialogsEditorSavesTheTriggerOrCancelsIt() {
        ui::UseTriggerDialogAsTaskEditor();
        auto task = TTask::Create("edited");
        task->SetApplicationName("/usr/bin/velmoran");
        task->SetParameters("\"/a.vmp\" /backup");
        // Cancel: nothing is written.
        const bool cancelled = TFrmTaskTrigger::Execute(*task, nullptr, [](TFrmTaskTrigger& d) {
            QTimer::singleShot(0, &d, &QDialog::reject);
        });
        QVERIFY(!cancelled);
        QVERIFY(!TaskExists("edited"));
        // Every other week on Monday and Thursday at 6:45.
        const bool saved = TFrmTaskTrigger::Execute(*task, nullptr, [](TFrmTaskTrigger& d) {
            QTimer::singleShot(0, &d, [&d] {
                d.CboType->setCurrentIndex(2);
                d.ChkWeekDays[1]->setChecked(true);
                d.ChkWeekDays[4]->setChecked(true);
                d.EditWeeks->setValue(2);
                d.TimeStart->setTime(QTime(6, 45));
                d.BtnOk->click();
            });
        });
        QVERIFY(saved);
        const std::string table = ReadAll(Table());
        QVERIFY2(table.find("45 6 * * 1,4 '/usr/bin/velmoran' /due 2 20261207 2 18 && "
                            "'/usr/bin/velmoran' '/a.vmp' '/backup'\n") != std::string::npos,
                 table.c_str());
        QCOMPARE(TTask::Create("edited")->Triggers().Item(0).Trigger().WeeksInterval, 2);
    }
};

QTEST_MAIN(ScheduleDialogsTest)
#include "ScheduleDialogsTest.moc"
