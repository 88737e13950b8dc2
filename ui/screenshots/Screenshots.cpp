// Renders the main window, its menus and every dialog to PNG files named after the window, and
// reports texts that do not fit their widgets. Run under a display (scripts/screenshots.sh
// starts a virtual one): velmoran_screenshots OUTPUT_DIRECTORY
#include "definition/TVMDefinition.h"
#include "platform/CodePage.h"
#include "platform/ProgramPath.h"
#include "ui/ActionIcons.h"
#include "ui/TDlgZoomButton.h"
#include "ui/TFrmAbout.h"
#include "ui/TFrmDebugScreen.h"
#include "ui/TFrmDeleteHistory.h"
#include "ui/TFrmFileVersions.h"
#include "ui/TFrmMainWnd.h"
#include "ui/TFrmOptions.h"
#include "ui/TFrmRestoreOptions.h"
#include "ui/TFrmScheduler.h"
#include "ui/TFrmTask.h"
#include "ui/TFrmTaskTrigger.h"
#include "ui/TFrmTasks.h"
#include "ui/TTarnDebugScreen.h"
#include "ui/screenshots/ClipCheck.h"
#include <QTreeWidget>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString outputDir;
int clippedCount = 0;

void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Saves the widget's picture as NAME.png and reports what is clipped in it.
void Shoot(QWidget* widget, const QString& name) {
    widget->show();
    Settle();
    const QString path = outputDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget->grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    for (const QString& clipped : ui::ClippedWidgets(widget)) {
        std::fprintf(stderr, "%s: clipped: %s\n", qPrintable(name), qPrintable(clipped));
        ++clippedCount;
    }
    std::printf("%s\n", qPrintable(path));
}

definition::TVMTask Item(const char* src, const char* dst, const char* target, const char* skip) {
    definition::TVMTask task;
    task.SrcDirs = platform::FromUtf8(src);
    task.DstDir = platform::FromUtf8(dst);
    task.TargetFiles = platform::FromUtf8(target);
    task.SkipFiles = platform::FromUtf8(skip);
    return task;
}

void MainWindow() {
    ui::TFrmMainWnd window({});
    window.resize(900, 420);
    window.show();
    Settle();
    auto& def = window.Model().Definition;
    def.Tasks.push_back(std::make_unique<definition::TVMTask>(
        Item("/home/user/文書\r\n/home/user/写真", "/media/backup/毎日", "*.*", "*.tmp;*.bak")));
    def.Tasks.push_back(std::make_unique<definition::TVMTask>(Item(
        "/home/user/プロジェクト/velmoran", "/media/backup/開発", "*.cpp;*.h;*.txt", "build")));
    def.Tasks.push_back(
        std::make_unique<definition::TVMTask>(Item("/etc", "/media/backup/設定", "*.*", "")));
    def.FileName = platform::FromUtf8("/home/user/バックアップ/毎日.vmp");
    window.RefreshList();
    window.SelectRow(0);
    def.UpdateTitle(window);
    window.SetStatusText(0, platform::FromUtf8("12 ファイル (345,678 bytes) - 報告書.txt"));
    window.SetStatusText(1, "/home/user/文書");
    Shoot(&window, QStringLiteral("TFrmMainWnd"));
    for (QAction* entry : window.menuBar()->actions()) {
        QMenu* menu = entry->menu();
        if (!menu)
            continue;
        menu->popup(window.mapToGlobal(QPoint(0, 0)));
        Settle();
        Shoot(menu, QStringLiteral("TFrmMainWnd-menu-") + entry->text().remove(QLatin1Char('&')));
        menu->hide();
    }
}

struct Dialog {
    QString Name;
    std::function<std::unique_ptr<QWidget>()> Make;
};

std::unique_ptr<QWidget> Scheduler(int operation) {
    auto dialog = std::make_unique<ui::TFrmScheduler>();
    dialog->LEditFileName->setText(QStringLiteral("/home/user/バックアップ/毎日.vmp"));
    dialog->CboTask->addItems(
        {QStringLiteral("<新規作成>"), QStringLiteral("Velmoranによるバックアップ")});
    dialog->CboCommand->setCurrentIndex(operation);
    return dialog;
}

std::unique_ptr<QWidget> Trigger(schedule::TTriggerType type) {
    auto dialog = std::make_unique<ui::TFrmTaskTrigger>();
    schedule::TTaskTrigger trigger = schedule::DefaultTrigger(2026, 12, 7, 2, 30);
    trigger.TriggerType = type;
    trigger.DaysInterval = 3;
    trigger.WeeksInterval = 2;
    trigger.WeekDays = 0x2A;
    trigger.MonthDays = 1u | 1u << 14;
    dialog->Load(trigger);
    dialog->setWindowTitle(QStringLiteral("タスクの実行日時 - Velmoranによるバックアップ"));
    return dialog;
}

// The file-history dialog with the versions of one file listed, one archive unreadable.
std::unique_ptr<QWidget> FileVersions() {
    const auto version = [](int day, std::int64_t size, const std::string& archive, bool latest) {
        engine::TFileVersion v;
        v.Time = platform::EncodeDateTime(2026, 11, day, 18, 42, 10, 0);
        v.Size = size;
        v.Archive = archive;
        v.Member = "見積書.txt";
        v.Latest = latest;
        return v;
    };
    auto dialog = std::make_unique<ui::TFrmFileVersions>(
        [version](const std::string&) {
            const std::string dir = "/media/backup/毎日/文書/";
            engine::TFileVersions found;
            found.Versions = {version(30, 48213, dir + "文書.lzh", true),
                              version(24, 47102, dir + "$vm$20261130190502.lzh", false),
                              version(17, 45877, dir + "$vm$20261124190455.lzh", false),
                              version(3, 1204, dir + "$vm$20261117190431.lzh", false)};
            found.Unreadable = {dir + "$vm$20261110190420.lzh"};
            return found;
        },
        [](const engine::TFileVersion&, const std::string&) {
            return engine::TVersionRestore::Restored;
        },
        "/home/user/文書");
    dialog->EditFile->setText(QStringLiteral("/home/user/文書/見積書.txt"));
    dialog->ShowVersions();
    dialog->LvVersions->setCurrentItem(dialog->LvVersions->topLevelItem(2));
    return dialog;
}

std::vector<Dialog> Dialogs() {
    using schedule::TTriggerType;
    return {
        {QStringLiteral("TFrmRestoreOptions"),
         [] { return std::make_unique<ui::TFrmRestoreOptions>(); }},
        {QStringLiteral("TFrmDeleteHistory"),
         [] { return std::make_unique<ui::TFrmDeleteHistory>(); }},
        {QStringLiteral("TFrmFileVersions"), FileVersions},
        {QStringLiteral("TFrmScheduler"), [] { return Scheduler(0); }},
        {QStringLiteral("TFrmScheduler-restore"), [] { return Scheduler(1); }},
        {QStringLiteral("TFrmScheduler-history"), [] { return Scheduler(2); }},
        {QStringLiteral("TFrmTaskTrigger-once"), [] { return Trigger(TTriggerType::Once); }},
        {QStringLiteral("TFrmTaskTrigger-daily"), [] { return Trigger(TTriggerType::Daily); }},
        {QStringLiteral("TFrmTaskTrigger-weekly"), [] { return Trigger(TTriggerType::Weekly); }},
        {QStringLiteral("TFrmTaskTrigger-monthly"),
         [] { return Trigger(TTriggerType::MonthlyDate); }},
        {QStringLiteral("TFrmOptions"),
         [] {
             auto dialog = std::make_unique<ui::TFrmOptions>();
             dialog->EditWorkDir->setText(QStringLiteral("/home/user/.cache/Tarn/Velmoran/tmp"));
             dialog->EditLogFile->setText(
                 QStringLiteral("/home/user/.local/state/Tarn/Velmoran/Velmoran.LOG"));
             dialog->ChkOverwriteLog->setChecked(true);
             dialog->ChkRecallLastSettings->setChecked(true);
             return dialog;
         }},
        {QStringLiteral("TFrmTasks"),
         [] {
             auto dialog = std::make_unique<ui::TFrmTasks>();
             dialog->ChkMsgBeforeExec->setChecked(true);
             dialog->MemoMsg->setPlainText(QStringLiteral("外付けディスクをつないでください．"));
             dialog->ChkShowLog->setChecked(true);
             return dialog;
         }},
        {QStringLiteral("TFrmAbout"),
         [] {
             auto box = std::make_unique<ui::TFrmAbout>();
             box->VersionInf1.SetFileName(platform::ProgramDir() + "/velmoran");
             box->UpdateDisplays();
             return box;
         }},
    };
}

// The item editor on each page, then zoomed to medium and large.
void TaskEditor() {
    ui::TFrmTask dialog;
    definition::TVMTask item = Item("/home/user/文書\r\n/home/user/写真\r\n/home/user/音楽",
                                    "/media/backup/毎日", "*.*", "*.tmp\r\nキャッシュ/");
    item.TSMode = 2;
    item.TSModeDays = 30;
    dialog.Load(item);
    dialog.EditSrc->setText(QStringLiteral("/home/user/写真"));
    const char* pages[] = {"directories", "files", "options"};
    for (int page = 0; page < dialog.Pages->count(); ++page) {
        dialog.Pages->setCurrentIndex(page);
        Shoot(&dialog, QStringLiteral("TFrmTask-") + QLatin1String(pages[page]));
    }
    dialog.Pages->setCurrentIndex(0);
    dialog.Zoom->Click();
    Shoot(&dialog, QStringLiteral("TFrmTask-zoom150"));
    dialog.Zoom->Click();
    Shoot(&dialog, QStringLiteral("TFrmTask-zoom200"));
}

void DebugScreen() {
    ui::TTarnDebugScreen screen;
    screen.FontName = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    screen.AddStampedLine("Backup start.");
    screen.AddLine("  /home/user/documents: 12 files to pack, 3 to history, 1 to remove");
    screen.AddStampedLine("Pack /media/backup/daily/documents/documents.lzh");
    screen.Form().SplitLine();
    screen.AddStampedLine("Backup end.");
    Shoot(&screen.Form(), QStringLiteral("TFrmDebugScreen"));
}

} // namespace

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    platform::InitCodePageFromLocale();
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ui::ProgramIcon());
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmoran_screenshots OUTPUT_DIRECTORY\n");
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);
    MainWindow();
    for (const Dialog& dialog : Dialogs()) {
        const std::unique_ptr<QWidget> widget = dialog.Make();
        Shoot(widget.get(), dialog.Name);
    }
    TaskEditor();
    DebugScreen();
    if (clippedCount > 0) {
        std::fprintf(stderr, "%d clipped texts\n", clippedCount);
        return 1;
    }
    return 0;
}
