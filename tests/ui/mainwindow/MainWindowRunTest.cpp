// The main window's actions and runs under Qt's offscreen platform: action states, menus and
// toolbar, runs with their busy state, stop and close during a run, item actions, progress.
#include "definition/TVMDefinition.h"
#include "schedule/Task.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/XdgSandbox.h"
#include "ui/TFrmFileVersions.h"
#include "ui/TFrmMainWnd.h"
#include "ui/TFrmScheduler.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

using host::TAction;
using testing_support::RecordingHost;
using testing_support::XdgSandbox;
namespace fs = std::filesystem;

namespace {

constexpr std::array kAllActions = {TAction::FileNew,
                                    TAction::FileOpen,
                                    TAction::FileSave,
                                    TAction::FileSaveAs,
                                    TAction::FileExit,
                                    TAction::VMExecute,
                                    TAction::VMStop,
                                    TAction::VMRestore,
                                    TAction::VMClean,
                                    TAction::VMVersions,
                                    TAction::VMVerify,
                                    TAction::VMAdd,
                                    TAction::VMEdit,
                                    TAction::VMDelete,
                                    TAction::VMNotes,
                                    TAction::VMUp,
                                    TAction::VMDown,
                                    TAction::OptionsOptions,
                                    TAction::OptionsScheduler,
                                    TAction::OptionsRegister,
                                    TAction::OptionsUnRegister,
                                    TAction::HelpIndex,
                                    TAction::HelpHomePage,
                                    TAction::HelpAbout};

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int CountFiles(const fs::path& dir) {
    if (!fs::exists(dir))
        return 0;
    int n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        n += e.is_regular_file() ? 1 : 0;
    return n;
}

// The texts of the menu's entries, "-" for a separator.
QStringList MenuTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* a : actions)
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

} // namespace

class MainWindowRunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XdgSandbox> xdg;
    std::string definitionPath;
    std::vector<fs::path> sources;
    std::vector<fs::path> destinations;

    // A definition of `items` items, each a source tree of `dirs` directories with a few files.
    void MakeDefinition(int items, int dirs) {
        definition::TVMDefinition def;
        sources.clear();
        destinations.clear();
        for (int i = 0; i < items; ++i) {
            const fs::path src = fs::path(xdg->Dir() / "src") / ("item" + std::to_string(i));
            for (int d = 0; d < dirs; ++d)
                for (int f = 0; f < 3; ++f)
                    WriteFile(src / ("dir" + std::to_string(d)) /
                                  ("f" + std::to_string(f) + ".txt"),
                              std::string(200 + f, static_cast<char>('a' + d % 26)));
            auto task = std::make_unique<definition::TVMTask>();
            task->SrcDirs = src.string();
            task->DstDir = xdg->Dir() / ("dst" + std::to_string(i));
            def.Tasks.push_back(std::move(task));
            sources.push_back(src);
            destinations.push_back(xdg->Dir() / ("dst" + std::to_string(i)));
        }
        def.FileName = xdg->Dir() / "Runs.VMP";
        RecordingHost quiet;
        def.SaveToFile(quiet);
        definitionPath = def.FileName;
    }

    std::unique_ptr<ui::TFrmMainWnd> OpenWindow(std::vector<std::string> args) {
        const QString title = args.empty()
                                  ? QStringLiteral("Untitled - Velmoran")
                                  : QString::fromStdString(fs::path(args[0]).filename().string()) +
                                        QStringLiteral(" - Velmoran");
        auto window = std::make_unique<ui::TFrmMainWnd>(std::move(args));
        window->show();
        // The start-up runs from the posted message once the window is shown: it loads the
        // settings and the archiver library, then the definition.
        bool started = false;
        window->OnProcessEvents = nullptr;
        QTimer::singleShot(0, [&] { started = true; });
        [&] { QTRY_VERIFY(started); }();
        [&] { QTRY_COMPARE(window->windowTitle(), title); }();
        QCoreApplication::processEvents();
        return window;
    }

    std::unique_ptr<ui::TFrmMainWnd> OpenDefinition() { return OpenWindow({definitionPath}); }

private slots:
    void init() { xdg = std::make_unique<XdgSandbox>(); }
    void cleanup() { xdg.reset(); }

    void menusAndToolBarHoldEveryActionInOrder() {
        MakeDefinition(1, 1);
        auto window = OpenDefinition();
        const auto& menus = window->Menus();
        QCOMPARE(menus.size(), std::size_t{4});
        QCOMPARE(menus[0]->title(), QStringLiteral("&File"));
        QCOMPARE(MenuTexts(menus[0]->actions()),
                 QStringList({"新規作成(&N)", "開く(&O)...", "-", "保存する(&S)",
                              "名前をつけて保存する(&A)...", "-", "終了(&X)"}));
        QCOMPARE(MenuTexts(menus[1]->actions()),
                 QStringList({"バックアップ実行(&E)...", "バックアップ中断(&S)...", "-", "復元(&R)",
                              "世代バックアップファイルを削除する(&H)", "ファイルの履歴(&F)...",
                              "バックアップの検査(&V)", "-", "項目追加(&A)...", "項目編集(&I)...",
                              "項目削除(&D)...", "バックアップ定義の補足設定(&T)", "上へ(&U)",
                              "下へ(&W)"}));
        QCOMPARE(MenuTexts(menus[2]->actions()),
                 QStringList({"環境設定(&O)...", "スケジュール(&S)...", "-", "レジストリ登録(&R)",
                              "レジストリ登録削除(&U)"}));
        QCOMPARE(MenuTexts(menus[3]->actions()),
                 QStringList({"Velmoranヘルプ(&H)", "Tarnのひろばを開く(&K)...", "-",
                              "バージョン情報(&A)..."}));
        // Every menu and entry is reachable by its mnemonic.
        for (QMenu* m : menus) {
            QVERIFY(m->title().contains('&'));
            for (const QAction* a : m->actions())
                QVERIFY2(a->isSeparator() || a->text().contains('&'), qPrintable(a->text()));
        }

        auto* toolBar = window->findChild<QToolBar*>(QStringLiteral("ToolBar1"));
        QVERIFY(toolBar);
        QStringList order;
        for (const QAction* a : toolBar->actions())
            order << (a->isSeparator() ? QStringLiteral("-") : a->text());
        const auto text = [&](TAction a) { return window->Action(a)->text(); };
        QCOMPARE(order, QStringList({text(TAction::FileNew),
                                     text(TAction::FileOpen),
                                     text(TAction::FileSave),
                                     "-",
                                     text(TAction::VMExecute),
                                     text(TAction::VMStop),
                                     "-",
                                     text(TAction::VMRestore),
                                     text(TAction::VMClean),
                                     "-",
                                     text(TAction::VMAdd),
                                     text(TAction::VMEdit),
                                     text(TAction::VMDelete),
                                     text(TAction::VMNotes),
                                     text(TAction::VMUp),
                                     text(TAction::VMDown),
                                     "-",
                                     text(TAction::OptionsOptions),
                                     "-",
                                     text(TAction::HelpIndex),
                                     text(TAction::HelpHomePage),
                                     text(TAction::HelpAbout),
                                     "-",
                                     text(TAction::FileExit)}));
        QCOMPARE(window->Action(TAction::VMClean)->statusTip(),
                 QStringLiteral("世代バックアップファイルを削除し、ディスク領域を節約します"));
    }

    void actionStatesFollowTheDefinition() {
        auto window = OpenWindow({});
        const auto enabled = [&](TAction a) { return window->Action(a)->isEnabled(); };
        // Untitled and empty: nothing to save as, run, edit or schedule.
        for (TAction a : {TAction::FileSaveAs, TAction::VMExecute, TAction::VMRestore,
                          TAction::VMClean, TAction::VMVersions, TAction::VMVerify, TAction::VMEdit,
                          TAction::VMDelete, TAction::VMUp, TAction::VMDown,
                          TAction::OptionsScheduler, TAction::VMStop, TAction::FileSave})
            QVERIFY2(!enabled(a), qPrintable(window->Action(a)->text()));
        for (TAction a : {TAction::FileNew, TAction::FileOpen, TAction::FileExit, TAction::VMAdd,
                          TAction::VMNotes, TAction::OptionsOptions, TAction::HelpAbout})
            QVERIFY(enabled(a));

        MakeDefinition(2, 1);
        QVERIFY(window->Model().OpenDefinition(definitionPath));
        QVERIFY(enabled(TAction::VMExecute) && enabled(TAction::FileSaveAs));
        QVERIFY(enabled(TAction::VMVersions));
        QVERIFY(enabled(TAction::OptionsScheduler));
        QVERIFY(!enabled(TAction::VMEdit));
        // A click on a row enables the row's actions; no change, nothing to save.
        QTest::mouseClick(
            window->LvTask()->viewport(), Qt::LeftButton, {},
            window->LvTask()->visualItemRect(window->LvTask()->topLevelItem(1)).center());
        QCOMPARE(window->SelectedRow(), 1);
        for (TAction a : {TAction::VMEdit, TAction::VMDelete, TAction::VMUp, TAction::VMDown})
            QVERIFY(enabled(a));
        QVERIFY(!enabled(TAction::FileSave));

        // Deleting the items one by one: the last one takes run, save as and cleanup along.
        window->MessageHook = [](host::TMsgKind, const std::string&, host::TMsgButtons) {
            return host::TMsgAnswer::Yes;
        };
        window->Action(TAction::VMDelete)->trigger();
        QVERIFY(enabled(TAction::FileSave) && enabled(TAction::VMExecute));
        window->SelectRow(0);
        window->Action(TAction::VMDelete)->trigger();
        QVERIFY(window->Model().Definition.Tasks.empty());
        for (TAction a : {TAction::FileSaveAs, TAction::VMExecute, TAction::VMRestore,
                          TAction::VMClean, TAction::VMVerify, TAction::VMEdit})
            QVERIFY(!enabled(a));
    }

    void theBusyStateHoldsForTheWholeRunAndNothingChangesTheDefinition() {
        MakeDefinition(3, 4);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        int calls = 0;
        int selectionsSeen = 0;
        int lastSelected = -1;
        QStringList wronglyEnabled;
        w->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            wronglyEnabled << QStringLiteral("asked: ") + QString::fromStdString(text);
            return host::TMsgAnswer::Yes;
        };
        w->FileDialogHook = [&](bool) -> std::optional<std::string> {
            wronglyEnabled << QStringLiteral("file dialog");
            return std::nullopt;
        };
        w->OnProcessEvents = [&] {
            ++calls;
            if (w->SelectedRow() != lastSelected) {
                lastSelected = w->SelectedRow();
                ++selectionsSeen;
            }
            for (TAction a : kAllActions)
                if (w->Action(a)->isEnabled() != (a == TAction::VMStop))
                    wronglyEnabled << w->Action(a)->text();
            if (w->LvTask()->isEnabled())
                wronglyEnabled << QStringLiteral("list");
            // What a user might press mid-run; none of it may touch the definition.
            w->Model().AtnFileNew();
            w->Model().AtnFileOpen();
            w->Model().AtnVMDelete(0, "x");
            w->Model().AtnVMUp(1);
            w->Model().AtnVMAdd([](definition::TVMTask&) { return true; });
        };
        w->Action(TAction::VMExecute)->trigger();
        w->OnProcessEvents = nullptr;

        QVERIFY(calls > 3);
        QVERIFY2(selectionsSeen >= 3, "the run selects the row of each item");
        wronglyEnabled.removeDuplicates();
        QVERIFY2(wronglyEnabled.isEmpty(), qPrintable(wronglyEnabled.join(", ")));
        QCOMPARE(w->Model().Definition.Tasks.size(), std::size_t{3});
        QVERIFY(!w->Model().Definition.Modified);
        for (const auto& dst : destinations)
            QVERIFY2(CountFiles(dst) > 0, dst.c_str());
        QVERIFY(!w->Model().ErrorOccurred);
        // Idle again: the actions are back, stop is off.
        QVERIFY(w->Action(TAction::FileNew)->isEnabled());
        QVERIFY(!w->Action(TAction::VMStop)->isEnabled());
        QVERIFY(w->LvTask()->isEnabled());
    }

    void stopAsksAndNoCarriesOnYesStops() {
        MakeDefinition(3, 3);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        std::vector<std::string> asked;
        host::TMsgAnswer answer = host::TMsgAnswer::No;
        w->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            asked.push_back(text);
            return answer;
        };
        bool pressed = false;
        w->OnProcessEvents = [&] {
            if (!pressed && w->Action(TAction::VMStop)->isEnabled() && w->SelectedRow() == 1) {
                pressed = true;
                w->Action(TAction::VMStop)->trigger();
            }
        };
        w->Action(TAction::VMExecute)->trigger();
        QVERIFY(pressed);
        QCOMPARE(asked.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(asked[0]), QStringLiteral("処理を中断しますか?[Y/N]"));
        QVERIFY(!w->Model().UserBreakOccurred);
        QVERIFY(CountFiles(destinations[2]) > 0);

        // Yes: the run ends before the last item.
        for (const auto& dst : destinations)
            fs::remove_all(dst);
        asked.clear();
        pressed = false;
        answer = host::TMsgAnswer::Yes;
        w->Action(TAction::VMExecute)->trigger();
        w->OnProcessEvents = nullptr;
        QCOMPARE(asked.size(), std::size_t{1});
        QVERIFY(w->Model().UserBreakOccurred);
        QCOMPARE(CountFiles(destinations[2]), 0);
        QVERIFY(w->Action(TAction::VMExecute)->isEnabled());
    }

    void closingDuringARunStopsAndThenCloses() {
        MakeDefinition(3, 3);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        std::vector<std::string> asked;
        host::TMsgAnswer answer = host::TMsgAnswer::No;
        w->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            asked.push_back(text);
            return answer;
        };
        bool closed = false;
        w->OnProcessEvents = [&] {
            if (!closed && w->SelectedRow() == 1) {
                closed = true;
                QVERIFY(!w->close());
            }
        };
        // No: the run goes on to its end and the window stays.
        w->Action(TAction::VMExecute)->trigger();
        QCOMPARE(asked.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(asked[0]).contains(QStringLiteral("終了しますか？")));
        QVERIFY(CountFiles(destinations[2]) > 0);
        QCoreApplication::processEvents();
        QVERIFY(w->isVisible());

        // Yes: no second question, the run stops at its next safe point, then the window closes.
        fs::remove_all(destinations[2]);
        asked.clear();
        closed = false;
        answer = host::TMsgAnswer::Yes;
        w->Action(TAction::VMExecute)->trigger();
        w->OnProcessEvents = nullptr;
        QCOMPARE(asked.size(), std::size_t{1});
        QVERIFY(w->Model().UserBreakOccurred);
        QCOMPARE(CountFiles(destinations[2]), 0);
        QTRY_VERIFY(!w->isVisible());
        // The definition was whole until the end: it is remembered for the next start.
        QCOMPARE(fs::path(w->Model().LastOpenedFileName), fs::path(definitionPath));
    }

    void restoreAndCleanupRunWithTheirOptions() {
        MakeDefinition(1, 2);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        w->Action(TAction::VMExecute)->trigger();
        const fs::path file = sources[0] / "dir1" / "f2.txt";
        fs::remove(file);

        // Cancelled: nothing runs.
        w->RestoreOptionsHook = [](bool&, bool&) { return false; };
        w->Action(TAction::VMRestore)->trigger();
        QVERIFY(!fs::exists(file));
        bool busySeen = false;
        w->OnProcessEvents = [&] { busySeen |= !w->Action(TAction::FileNew)->isEnabled(); };
        w->RestoreOptionsHook = [](bool& overwrite, bool& deleteNot) {
            overwrite = true;
            deleteNot = false;
            return true;
        };
        w->Action(TAction::VMRestore)->trigger();
        QVERIFY(busySeen);
        QVERIFY(fs::exists(file));
        QVERIFY(w->Model().IgnoreTimeStamp);

        int asked = 0;
        w->DeleteHistoryHook = [&](std::int32_t& mode, std::int32_t&, double&) {
            ++asked;
            mode = 0;
            return true;
        };
        busySeen = false;
        w->Action(TAction::VMClean)->trigger();
        w->OnProcessEvents = nullptr;
        QCOMPARE(asked, 1);
        QVERIFY(busySeen);
        QCOMPARE(w->Model().DeleteHistoryMode, 0);
        QVERIFY(!w->Model().ErrorOccurred);
    }

    void verifyRunsFromTheMenuAndFindsDamage() {
        MakeDefinition(1, 2);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        w->Action(TAction::VMExecute)->trigger();
        QVERIFY(!w->Model().ErrorOccurred);
        QVERIFY(w->Action(TAction::VMVerify)->isEnabled());
        bool busySeen = false;
        w->OnProcessEvents = [&] { busySeen |= !w->Action(TAction::VMVerify)->isEnabled(); };
        w->Action(TAction::VMVerify)->trigger();
        QVERIFY(busySeen);
        std::string log;
        for (const std::string& line : w->Model().RunLog.Lines())
            log += line + "\n";
        QVERIFY2(!w->Model().ErrorOccurred, log.c_str());
        QVERIFY(w->Action(TAction::VMVerify)->isEnabled());

        // A cut-off archive is an error, and the log that names it is offered.
        fs::path archive;
        for (const auto& e : fs::recursive_directory_iterator(destinations[0]))
            if (e.path().extension() == ".lzh")
                archive = e.path();
        QVERIFY(!archive.empty());
        fs::resize_file(archive, fs::file_size(archive) / 2);
        std::vector<std::string> opened;
        w->OpenDocumentHook = [&](const std::string& path) { opened.push_back(path); };
        w->OnProcessEvents = nullptr;
        w->Action(TAction::VMVerify)->trigger();
        w->OpenDocumentHook = nullptr;
        QVERIFY(w->Model().ErrorOccurred);
        QCOMPARE(opened.size(), std::size_t{1});
        const auto& lines = w->Model().RunLog.Lines();
        QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(archive.string()) != std::string::npos;
        }));
    }

    void fileHistoryListsTheVersionsAndRestoresOne() {
        MakeDefinition(1, 1);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        const fs::path file = sources[0] / "dir0" / "f0.txt";
        const std::string first = ReadFile(file);
        const auto setTime = [](const fs::path& path, time_t t) {
            const utimbuf times{t, t};
            ::utime(path.c_str(), &times);
        };
        setTime(file, 1577872800);
        w->Action(TAction::VMExecute)->trigger();
        WriteFile(file, "second version");
        setTime(file, 1577872800 + 86400);
        w->Action(TAction::VMExecute)->trigger();
        QVERIFY(!w->Model().ErrorOccurred);
        QVERIFY(w->Action(TAction::VMVersions)->isEnabled());

        int questions = 0;
        host::TMsgAnswer answer = host::TMsgAnswer::No;
        w->MessageHook = [&](host::TMsgKind, const std::string&, host::TMsgButtons) {
            ++questions;
            return answer;
        };
        const fs::path out = xdg->Dir() / "out";
        int rows = -1;
        QString afterNo;
        w->VersionsHook = [&](ui::TFrmFileVersions& d) {
            QTimer::singleShot(0, &d, [&] {
                // The file name starts at the item's source; Enter lists, it restores nothing.
                QCOMPARE(d.EditFile->text(), QString::fromStdString(sources[0].string() + "/"));
                d.EditFile->setText(QString::fromStdString(file.string()));
                QTest::keyClick(d.EditFile, Qt::Key_Return);
                rows = d.LvVersions->topLevelItemCount();
                QVERIFY(!fs::exists(out));
                // The older version into a folder, then over the newer file in its place.
                d.LvVersions->setCurrentItem(d.LvVersions->topLevelItem(1));
                d.RBtnFolder->setChecked(true);
                d.EditFolder->setText(QString::fromStdString(out.string()));
                QTest::keyClick(d.LvVersions, Qt::Key_Return);
                d.RBtnOriginal->setChecked(true);
                d.BtnRestore->click();
                afterNo = d.LblStatus->text();
                answer = host::TMsgAnswer::Yes;
                d.BtnRestore->click();
                QTest::keyClick(&d, Qt::Key_Escape);
            });
        };
        w->Action(TAction::VMVersions)->trigger();
        w->VersionsHook = nullptr;
        QCOMPARE(rows, 2);
        QCOMPARE(ReadFile(out / "f0.txt"), first);
        QCOMPARE(questions, 2);
        QVERIFY2(afterNo.contains(QStringLiteral("復元しませんでした")), qPrintable(afterNo));
        QCOMPARE(ReadFile(file), first);
        struct stat st {};
        QCOMPARE(::stat(file.c_str(), &st), 0);
        QVERIFY(std::abs(st.st_mtime - 1577872800) <= 2);
    }

    void deleteUpAndDownChangeTheListAndMarkIt() {
        MakeDefinition(3, 1);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        std::vector<std::string> asked;
        host::TMsgAnswer answer = host::TMsgAnswer::No;
        w->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            asked.push_back(text);
            return answer;
        };
        const auto source = [&](int i) { return w->Model().Definition.Tasks[i]->SrcDirs; };
        const std::string first = source(0);
        const std::string second = source(1);

        // Up on the first row only beeps.
        w->SelectRow(0);
        const int beeps = w->BeepCount();
        w->Action(TAction::VMUp)->trigger();
        QCOMPARE(w->BeepCount(), beeps + 1);
        QVERIFY(!w->Model().Definition.Modified);
        QCOMPARE(source(0), first);

        // Down swaps with the next item, the moved row stays selected.
        w->Action(TAction::VMDown)->trigger();
        QCOMPARE(source(1), first);
        QCOMPARE(source(0), second);
        QCOMPARE(w->SelectedRow(), 1);
        QVERIFY(w->Model().Definition.Modified);
        QVERIFY(w->windowTitle().contains(QStringLiteral("Runs.VMP")));
        QCOMPARE(w->StatusPanel(0)->text(), QStringLiteral("変更"));
        QVERIFY(w->Action(TAction::FileSave)->isEnabled());
        w->SelectRow(2);
        w->Action(TAction::VMDown)->trigger();
        QCOMPARE(w->BeepCount(), beeps + 2);

        // Delete asks with the source shortened to half the window's width; No keeps the item.
        w->resize(300, w->height());
        w->SelectRow(1);
        w->Action(TAction::VMDelete)->trigger();
        QCOMPARE(asked.size(), std::size_t{1});
        const QString question = QString::fromStdString(asked[0]);
        QVERIFY2(question.startsWith(QStringLiteral("選択項目項目(")), qPrintable(question));
        QVERIFY(question.endsWith(QStringLiteral(")を削除します．\r\nよろしいですか？[Y/N]")));
        const QString shown = question.mid(7, question.indexOf(QStringLiteral(")を削除")) - 7);
        QVERIFY2(shown.contains(QStringLiteral("...")) && shown.endsWith(QStringLiteral("item0")),
                 qPrintable(shown));
        QVERIFY(w->fontMetrics().horizontalAdvance(shown) <= w->width() / 2);
        QCOMPARE(w->Model().Definition.Tasks.size(), std::size_t{3});
        answer = host::TMsgAnswer::Yes;
        w->Action(TAction::VMDelete)->trigger();
        QCOMPARE(w->Model().Definition.Tasks.size(), std::size_t{2});
        QCOMPARE(w->LvTask()->topLevelItemCount(), 2);
        QCOMPARE(source(0), second);
    }

    void addAndEditGoThroughTheEditorAndADoubleClickEdits() {
        MakeDefinition(2, 1);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        std::vector<std::string> edited;
        bool accept = false;
        w->TaskEditor = [&](definition::TVMTask& item) {
            edited.push_back(item.SrcDirs);
            item.SrcDirs = "/changed";
            return accept;
        };
        // Cancel: neither a new item nor a change.
        w->Action(TAction::VMAdd)->trigger();
        QCOMPARE(w->Model().Definition.Tasks.size(), std::size_t{2});
        QVERIFY(edited.back().empty());
        QTreeWidget* list = w->LvTask();
        const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(edited.size(), std::size_t{2});
        QCOMPARE(edited.back(), sources[1].string());
        QCOMPARE(w->Model().Definition.Tasks[1]->SrcDirs, sources[1].string());
        QVERIFY(!w->Model().Definition.Modified);

        // OK: the item changes in place, its row follows; a new item is appended.
        accept = true;
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(w->Model().Definition.Tasks[1]->SrcDirs, std::string("/changed"));
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("/changed"));
        QCOMPARE(w->SelectedRow(), 1);
        QVERIFY(w->Model().Definition.Modified);
        w->Action(TAction::VMAdd)->trigger();
        QCOMPARE(w->Model().Definition.Tasks.size(), std::size_t{3});
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("/changed"));
    }

    void progressTextIsThrottledAndShownWhole() {
        MakeDefinition(1, 1);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        std::uint64_t now = 10'000;
        w->Model().Engine.TickSource = [&] { return now; };
        archives::TExtractingInfoEx info{};
        const std::string name = "/a/very/long/path/to/a/file/with/a/rather/long/name/"
                                 "0123456789012345678901234567890123456789.dat";
        std::snprintf(info.destName, sizeof info.destName, "%s", name.c_str());
        int changes = 0;
        QString last = w->StatusPanel(0)->text();
        for (int i = 0; i < 40; ++i) {
            info.writtenSize = static_cast<std::uint64_t>(i) * 1000;
            w->Model().Engine.AFProgress(1, &info);
            if (w->StatusPanel(0)->text() != last) {
                ++changes;
                last = w->StatusPanel(0)->text();
            }
            now += 100;
        }
        // Four seconds of events every 100 ms: a change about every 400 ms.
        QVERIFY2(changes >= 9 && changes <= 11, qPrintable(QString::number(changes)));
        QVERIFY(last.endsWith(QStringLiteral("0123456789012345678901234567890123456789.dat")));
        QCoreApplication::processEvents();
        w->resize(1200, w->height());
        QCoreApplication::processEvents();
        QLabel* panel = w->StatusPanel(0);
        QVERIFY2(panel->width() >= panel->fontMetrics().horizontalAdvance(last),
                 qPrintable(QString::number(panel->width())));
        QVERIFY(w->StatusPanel(1)->minimumWidth() >= 500);
    }

    void theProgressBarCountsTheDirectoriesOfTheRun() {
        MakeDefinition(2, 4);
        auto window = OpenDefinition();
        ui::TFrmMainWnd* w = window.get();
        QProgressBar* bar = w->RunProgressBar();
        QVERIFY(!bar->isVisible());
        int maxSeen = 0;
        int lastValue = -1;
        bool wentBack = false;
        QString directoryShown;
        w->OnProcessEvents = [&] {
            QVERIFY(bar->isVisible());
            maxSeen = std::max(maxSeen, bar->maximum());
            wentBack |= bar->value() < lastValue;
            lastValue = bar->value();
            if (w->StatusPanel(1)->text().contains(QStringLiteral("item1")))
                directoryShown = w->StatusPanel(1)->text();
        };
        w->Action(TAction::VMExecute)->trigger();
        w->OnProcessEvents = nullptr;
        // Each item: its source directory and its four subdirectories.
        QCOMPARE(maxSeen, 10);
        QVERIFY(!wentBack);
        QVERIFY(lastValue >= 9);
        QVERIFY(!directoryShown.isEmpty());
        QVERIFY(!bar->isVisible());
    }

    void helpAndSupportPageOpenThroughTheDesktop() {
        std::vector<std::string> opened;
        {
            auto window = OpenWindow({});
            window->OpenDocumentHook = [&](const std::string& p) { opened.push_back(p); };
            window->Action(TAction::HelpIndex)->trigger();
            window->Action(TAction::HelpHomePage)->trigger();
            window->close();
        }
        QCOMPARE(opened.size(), std::size_t{2});
        QVERIFY(QString::fromStdString(opened[0]).endsWith(QStringLiteral("Velmoran_J.html")));
        QVERIFY(fs::exists(opened[0]));
        QVERIFY(opened[1].starts_with("https://"));

        // An address set in the settings file is opened instead.
        WriteFile(xdg->UserConfig(), "[Options]\nSupportPage=https://example.org/help\n");
        auto window = OpenWindow({});
        window->OpenDocumentHook = [&](const std::string& p) { opened.push_back(p); };
        window->Action(TAction::HelpHomePage)->trigger();
        QCOMPARE(opened.back(), std::string("https://example.org/help"));
    }

    void theScheduleActionOpensTheDialogOnTheDefinition() {
        MakeDefinition(1, 1);
        auto window = OpenWindow({definitionPath});
        std::vector<std::string> texts;
        window->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            texts.push_back(text);
            return host::TMsgAnswer::Ok;
        };
        // Without a crontab command the work items cannot be listed: the dialog says so.
        schedule::TSchedulerSetup setup = schedule::DefaultSchedulerSetup();
        setup.Crontab = {(xdg->Dir() / "no-crontab")};
        schedule::SetDefaultSchedulerSetup(setup);
        window->Action(TAction::OptionsScheduler)->trigger();
        QCOMPARE(texts.size(), std::size_t{1});
        QVERIFY(
            QString::fromStdString(texts[0]).startsWith(QStringLiteral("現在のタスク取得に失敗")));

        // With one, the dialog opens on the definition's file.
        setup.Crontab = {"true"};
        setup.DaemonRunning = [] { return true; };
        schedule::SetDefaultSchedulerSetup(setup);
        QString shown;
        QTimer::singleShot(0, [&] {
            if (auto* dialog =
                    qobject_cast<ui::TFrmScheduler*>(QApplication::activeModalWidget())) {
                shown = dialog->LEditFileName->text();
                dialog->reject();
            }
        });
        window->Action(TAction::OptionsScheduler)->trigger();
        schedule::SetDefaultSchedulerSetup(std::nullopt);
        QCOMPARE(shown, QString::fromStdString(definitionPath));
        QCOMPARE(texts.size(), std::size_t{1});
    }

    void registerAndUnregisterTheFileTypeOnTheDesktop() {
        auto window = OpenWindow({});
        std::vector<std::string> texts;
        host::TMsgAnswer answer = host::TMsgAnswer::Cancel;
        window->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            texts.push_back(text);
            return answer;
        };
        const fs::path data = xdg->Dir() / "data";
        window->Action(TAction::OptionsRegister)->trigger();
        QCOMPARE(texts.size(), std::size_t{1}); // the question, answered Cancel
        QVERIFY(!fs::exists(data / "applications/velmoran.desktop"));

        answer = host::TMsgAnswer::Ok;
        window->Action(TAction::OptionsRegister)->trigger();
        QVERIFY(fs::exists(data / "applications/velmoran.desktop"));
        QVERIFY(fs::exists(data / "mime/packages/velmoran.xml"));
        QVERIFY(QString::fromStdString(texts.back()).contains(QStringLiteral("関連付けました")));

        window->Action(TAction::OptionsUnRegister)->trigger();
        QVERIFY(!fs::exists(data / "applications/velmoran.desktop"));
        QVERIFY(!fs::exists(data / "mime/packages/velmoran.xml"));
        QVERIFY(QString::fromStdString(texts.back()).contains(QStringLiteral("削除しました")));
    }
};

QTEST_MAIN(MainWindowRunTest)
#include "MainWindowRunTest.moc"
