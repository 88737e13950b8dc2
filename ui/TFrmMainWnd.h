// The main window: the open definition as a list of its items, the actions, the status bar.
// It is the run host of interactive runs.
#pragma once

#include "app/MainWndModel.h"
#include "app/StartUp.h"
#include "host/RunHost.h"
#include "ui/MessageBox.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTreeWidget;

namespace ui {

class TFrmAbout;
class TFrmFileVersions;
class TFrmOptions;
class TFrmTasks;
class TTarnDebugScreen;

class TFrmMainWnd : public QMainWindow, public host::TRunHost {
    Q_OBJECT

public:
    explicit TFrmMainWnd(std::vector<std::string> args, QWidget* parent = nullptr);
    ~TFrmMainWnd() override;

    app::TMainWndModel& Model() { return model_; }
    app::TStartUp& StartUp() { return startUp_; }
    QTreeWidget* LvTask() const { return lvTask_; }
    QLabel* StatusPanel(int index) const { return panels_[static_cast<std::size_t>(index)]; }
    QProgressBar* RunProgressBar() const { return runProgress_; }
    QAction* Action(host::TAction action) const {
        return actions_[static_cast<std::size_t>(action)];
    }
    // The menus in menu-bar order: File, the program's menu, Options, Help.
    const std::vector<QMenu*>& Menus() const { return menus_; }

    // Replace the modal boxes and file dialogs (tests script the answers through these).
    TMessageHook MessageHook;
    std::function<std::optional<std::string>(bool save)> FileDialogHook;
    std::function<bool(bool& overwriteLatestFile, bool& deleteNotContained)> RestoreOptionsHook;
    std::function<bool(std::int32_t& mode, std::int32_t& days, double& deleteBefore)>
        DeleteHistoryHook;
    // The item editor: changes the item and answers true on OK.
    app::TMainWndModel::TTaskEditor TaskEditor;
    // Runs at every event processing of a run (tests act in the middle of a run through it).
    std::function<void()> OnProcessEvents;
    // Documents and addresses handed to the desktop (tests record them instead).
    std::function<void(const std::string&)> OpenDocumentHook;
    // Reaches the about box before it shows (tests click it and close it).
    std::function<void(TFrmAbout&)> AboutHook;
    std::function<void(TFrmOptions&)> OptionsHook;
    std::function<void(TFrmTasks&)> TasksHook;
    // Reaches the file-history dialog before it shows (tests drive it and close it).
    std::function<void(TFrmFileVersions&)> VersionsHook;

    // TRunHost
    host::TMsgAnswer ShowMessage(host::TMsgKind kind, const std::string& text,
                                 host::TMsgButtons buttons, host::TMsgAnswer unattended) override;
    void ShowException(const std::string& message) override;
    void AddStampedLine(const std::string& text) override;
    void AddLine(const std::string& text) override;
    void ShowDebugScreen() override;
    void ClearDebugScreen() override;
    void SetBusy(bool busy) override;
    bool ShowsRunProgress() const override { return true; }
    void SetRunProgress(int done, int total, const std::string& directory) override;
    bool AskRestoreOptions(bool& overwriteLatestFile, bool& deleteNotContained) override;
    bool AskDeleteHistory(std::int32_t& mode, std::int32_t& days, double& deleteBefore) override;
    void SetStatusText(int panel, const std::string& text) override;
    void ProcessEvents() override;
    void SetTitle(const std::string& title) override;
    void SetActionEnabled(host::TAction action, bool enabled) override;
    void SetListEnabled(bool enabled) override;
    void RefreshList() override;
    int SelectedRow() const override;
    void SelectRow(int row) override;
    std::optional<std::string> AskOpenFileName() override;
    std::optional<std::string> AskSaveFileName() override;
    void OpenDocument(const std::string& path) override;
    void Beep() override;
    host::TWindowState WindowState() const override;
    void SetMinimized() override;
    host::TBounds WindowBounds() const override;
    void SetWindowBounds(const host::TBounds& bounds) override;
    host::TBounds ScreenBounds() const override;
    void CloseMainWindow() override;

    // The debug screen, shown while the debug mode is on.
    TTarnDebugScreen& DebugScreen() { return *debugScreen_; }
    // Beeps sounded so far (up and down at the ends of the list).
    int BeepCount() const { return beeps_; }

public slots:
    void WMStartUp();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    QAction* AddAction(host::TAction id, const char* caption, const char* hint,
                       void (TFrmMainWnd::*handler)());

    // Action handlers.
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FileExit();
    void VMExecute();
    void VMStop();
    void VMRestore();
    void VMClean();
    void VMVersions();
    void VMVerify();
    void VMAdd();
    void VMEdit();
    void VMDelete();
    void VMNotes();
    void VMUp();
    void VMDown();
    void OptionsOptions();
    void OptionsScheduler();
    void OptionsRegister();
    void OptionsUnRegister();
    void HelpIndex();
    void HelpHomePage();
    void HelpAbout();

    // Runs one of the three runs; an error that escapes it reaches the error box, and a close
    // asked for during the run follows once it has ended.
    void Run(void (app::TMainWndModel::*run)());
    // An action whose dialog this build does not have yet.
    int TextWidth(const std::string& text) const;

    app::TMainWndModel model_;
    app::TStartUp startUp_;
    std::vector<std::string> args_;
    QTreeWidget* lvTask_ = nullptr;
    std::array<QLabel*, 2> panels_{};
    QProgressBar* runProgress_ = nullptr;
    std::array<QAction*, host::ActionCount> actions_{};
    std::vector<QMenu*> menus_;
    std::unique_ptr<TTarnDebugScreen> debugScreen_;
    bool closeQueued_ = false;
    bool closeAfterRun_ = false;
    int beeps_ = 0;
};

} // namespace ui
