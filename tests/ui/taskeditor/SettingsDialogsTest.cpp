// The options and definition settings dialogs, alone and from the main window.
#include "platform/IniFile.h"
#include "tests/support/XdgSandbox.h"
#include "tests/ui/taskeditor/Tests.h"
#include "ui/TFrmMainWnd.h"
#include "ui/TFrmOptions.h"
#include "ui/TFrmTasks.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>

using testing_support::XdgSandbox;
using ui::TFrmOptions;
using ui::TFrmTasks;

namespace {

struct Settings : engine::TRunState {
    Settings() : engine::TRunState(host_) {}
    struct Host : host::TRunHost {
        host::TMsgAnswer ShowMessage(host::TMsgKind, const std::string&, host::TMsgButtons,
                                     host::TMsgAnswer a) override {
            return a;
        }
        void ShowException(const std::string&) override {}
        void AddStampedLine(const std::string&) override {}
        void AddLine(const std::string&) override {}
        void ShowDebugScreen() override {}
        void ClearDebugScreen() override {}
        void SetBusy(bool) override {}
        bool AskRestoreOptions(bool&, bool&) override { return false; }
        bool AskDeleteHistory(std::int32_t&, std::int32_t&, double&) override { return false; }
        void SetStatusText(int, const std::string&) override {}
        void ProcessEvents() override {}
        void SetTitle(const std::string&) override {}
        void SetActionEnabled(host::TAction, bool) override {}
        void SetListEnabled(bool) override {}
        void RefreshList() override {}
        int SelectedRow() const override { return -1; }
        void SelectRow(int) override {}
        std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
        std::optional<std::string> AskSaveFileName() override { return std::nullopt; }
        void OpenDocument(const std::string&) override {}
        void Beep() override {}
        host::TWindowState WindowState() const override { return host::TWindowState::Normal; }
        void SetMinimized() override {}
        host::TBounds WindowBounds() const override { return {}; }
        void SetWindowBounds(const host::TBounds&) override {}
        host::TBounds ScreenBounds() const override { return {}; }
        void CloseMainWindow() override {}
    } host_;
};

} // namespace

void SettingsDialogsTest::optionsGoInAndComeOutOnOk() {
    Settings s;
    s.TempDir = "/var/tmp/vm";
    s.LogFile = "/home/u/vm.log";
    s.OverwriteLog = false;
    s.RecallLastSettings = true;
    QVERIFY(!TFrmOptions::EditOptions(s, nullptr, [](TFrmOptions& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.EditWorkDir->setText(QStringLiteral("/elsewhere"));
            d.CboArchiveType->setCurrentIndex(1);
            d.reject();
        });
    }));
    QCOMPARE(s.TempDir, std::string("/var/tmp/vm"));
    QCOMPARE(s.ArchiverType, engine::atLzh);

    bool shown = false;
    QVERIFY(TFrmOptions::EditOptions(s, nullptr, [&shown](TFrmOptions& d) {
        shown = d.EditLogFile->text() == QStringLiteral("/home/u/vm.log") &&
                !d.ChkOverwriteLog->isChecked() && d.ChkRecallLastSettings->isChecked() &&
                d.CboArchiveType->currentIndex() == 0;
        d.BrowseHook = [](bool folder, const std::string&) {
            return std::optional<std::string>(folder ? "/chosen/work" : "/chosen/run.LOG");
        };
        QTimer::singleShot(0, &d, [&d] {
            d.BtnReferWork->click();
            d.BtnReferLog->click();
            d.ChkOverwriteLog->setChecked(true);
            d.CboArchiveType->setCurrentIndex(1);
            d.BtnOk->click();
        });
    }));
    QVERIFY(shown);
    QCOMPARE(s.TempDir, std::string("/chosen/work"));
    QCOMPARE(s.LogFile, std::string("/chosen/run.LOG"));
    QVERIFY(s.OverwriteLog);
    QCOMPARE(s.ArchiverType, engine::atZip);

    // An emptied log field is taken as typed (runs then write no log file).
    QVERIFY(TFrmOptions::EditOptions(s, nullptr, [](TFrmOptions& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.EditLogFile->clear();
            d.BtnOk->click();
        });
    }));
    QVERIFY(s.LogFile.empty());
}

void SettingsDialogsTest::zipChosenInTheWindowIsSavedAtOnce() {
    XdgSandbox xdg;
    ui::TFrmMainWnd window({});
    window.show();
    QApplication::processEvents();
    window.OptionsHook = [](TFrmOptions& d) { QTimer::singleShot(0, &d, [&d] { d.reject(); }); };
    window.Action(host::TAction::OptionsOptions)->trigger();
    QVERIFY(!std::filesystem::exists(xdg.UserConfig()) ||
            platform::IniFile::Load(xdg.UserConfig()).ReadString("Options", "ArchiverType", "") !=
                "atZip");
    window.OptionsHook = [](TFrmOptions& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.CboArchiveType->setCurrentIndex(1);
            d.BtnOk->click();
        });
    };
    window.Action(host::TAction::OptionsOptions)->trigger();
    QCOMPARE(platform::IniFile::Load(xdg.UserConfig()).ReadString("Options", "ArchiverType", ""),
             std::string("atZip"));
    QCOMPARE(window.Model().ArchiverType, engine::atZip);
    window.close();
}

void SettingsDialogsTest::definitionSettingsMarkTheDefinitionChanged() {
    XdgSandbox xdg;
    ui::TFrmMainWnd window({});
    window.show();
    QApplication::processEvents();
    auto& def = window.Model().Definition;
    window.TasksHook = [](TFrmTasks& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.ChkMsgBeforeExec->setChecked(true);
            d.reject();
        });
    };
    window.Action(host::TAction::VMNotes)->trigger();
    QVERIFY(!def.Modified);
    QVERIFY(!def.MsgBeforeExec);
    window.TasksHook = [](TFrmTasks& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.ChkMsgBeforeExec->setChecked(true);
            d.MemoMsg->setPlainText(QStringLiteral("外付けディスクを\nつないでください"));
            d.ChkCloseWhenFinished->setChecked(true);
            d.ChkShowLog->setChecked(false);
            d.BtnOk->click();
        });
    };
    window.Action(host::TAction::VMNotes)->trigger();
    QVERIFY(def.Modified);
    QVERIFY(def.MsgBeforeExec);
    QCOMPARE(def.MsgBeforeExecText, std::string("外付けディスクを\r\nつないでください"));
    QVERIFY(def.CloseWhenFinished);
    QVERIFY(!def.ShowLog);
    QVERIFY(
        window.Action(host::TAction::FileSave)->isEnabled()); // the title was brought up to date
    def.Modified = false;                                     // no save question on close
    window.close();
}
