// The boundary between the program's logic and whoever shows it to the user: the Qt main
// window, the console of a headless run, or a recording fake in tests. Logic below ui/ reaches
// the user only through this interface. Texts are in the active code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace host {

enum class TMsgKind { Information, Error, Confirmation };
enum class TMsgButtons { Ok, OkCancel, YesNo };
enum class TMsgAnswer { Ok, Cancel, Yes, No };

// The main window's actions, by the names of their handlers.
enum class TAction {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    FileExit,
    VMExecute,
    VMStop,
    VMRestore,
    VMClean,
    VMVersions,
    VMVerify,
    VMAdd,
    VMEdit,
    VMDelete,
    VMNotes,
    VMUp,
    VMDown,
    OptionsOptions,
    OptionsScheduler,
    OptionsRegister,
    OptionsUnRegister,
    HelpIndex,
    HelpHomePage,
    HelpAbout,
};
inline constexpr int ActionCount = static_cast<int>(TAction::HelpAbout) + 1;

enum class TWindowState { Normal, Minimized, Maximized, None };

struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TBounds&) const = default;
};

class TRunHost {
public:
    virtual ~TRunHost() = default;

    // A message box of one of the three kinds; returns the button chosen. Where nobody can
    // answer (a headless run), the answer is `unattended`.
    virtual TMsgAnswer ShowMessage(TMsgKind kind, const std::string& text, TMsgButtons buttons,
                                   TMsgAnswer unattended) = 0;
    // The same, answered unattended with the first button (OK or Yes).
    TMsgAnswer MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons) {
        return ShowMessage(kind, text, buttons,
                           buttons == TMsgButtons::YesNo ? TMsgAnswer::Yes : TMsgAnswer::Ok);
    }
    // The application's default error handler: an exception that nothing else caught.
    virtual void ShowException(const std::string& message) = 0;

    // A run-log line that records an error, as the log holds it. Nothing to do for a window
    // (the log is shown after the run); a headless host writes it to standard error, so that
    // an unattended run tells whoever reads its output (cron mails it) what went wrong.
    virtual void ShowErrorLine(const std::string&) {}

    // Debug screen: a line opened by the date-time stamp, or a plain line.
    virtual void AddStampedLine(const std::string& text) = 0;
    virtual void AddLine(const std::string& text) = 0;
    virtual void ShowDebugScreen() = 0;
    virtual void ClearDebugScreen() = 0;

    // Status-bar panel 0 or 1.
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    // Processes pending events (the break check lets the stop action run here).
    virtual void ProcessEvents() = 0;

    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetActionEnabled(TAction action, bool enabled) = 0;
    virtual void SetListEnabled(bool enabled) = 0;
    // Rebuilds the list rows from the definition, keeping the selected index.
    virtual void RefreshList() = 0;
    // Selected row, -1 when none.
    virtual int SelectedRow() const = 0;
    virtual void SelectRow(int row) = 0;

    // A run is busy (progress shown in the status bar) or idle again.
    virtual void SetBusy(bool busy) = 0;
    // Whether the host shows the run's progress as a share of the directories it visits; the
    // run counts them beforehand only then.
    virtual bool ShowsRunProgress() const { return false; }
    // The run has entered its `done`-th directory (1-based) of `total`, `directory`.
    virtual void SetRunProgress(int /*done*/, int /*total*/, const std::string& /*directory*/) {}

    // The restore options dialog and the delete-history dialog; false when cancelled.
    virtual bool AskRestoreOptions(bool& overwriteLatestFile, bool& deleteNotContained) = 0;
    virtual bool AskDeleteHistory(std::int32_t& mode, std::int32_t& days, double& deleteBefore) = 0;

    // File dialogs; nullopt when cancelled.
    virtual std::optional<std::string> AskOpenFileName() = 0;
    virtual std::optional<std::string> AskSaveFileName() = 0;

    // Opens a document or address for the user (a viewer, the help, the log file).
    virtual void OpenDocument(const std::string& path) = 0;
    virtual void Beep() = 0;

    // The main window: its state, bounds, the primary screen's size, and closing it.
    virtual TWindowState WindowState() const = 0;
    virtual void SetMinimized() = 0;
    virtual TBounds WindowBounds() const = 0;
    virtual void SetWindowBounds(const TBounds& bounds) = 0;
    virtual TBounds ScreenBounds() const = 0;
    virtual void CloseMainWindow() = 0;
};

} // namespace host
