// The main window's data and actions without any toolkit: the open definition, the run state,
// the program-wide settings and the run log, with the file actions and the close protocol.
// The Qt window and the console of a headless run show it through a host::TRunHost.
#pragma once

#include "app/CommandLine.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiverOptions.h"
#include "definition/TVMDefinition.h"
#include "engine/RunLog.h"
#include "engine/RunState.h"
#include "engine/TVMEngine.h"
#include "host/RunHost.h"
#include "platform/DateTime.h"

#include <functional>
#include <string>

namespace app {

// Exit statuses of the program.
enum TExitStatus {
    ExitOk = 0,         // the run ended without an error
    ExitError = 1,      // an error occurred, or the definition could not be read whole
    ExitNothingRan = 2, // command-line error, missing library, no display
    ExitStopped = 130,  // stopped by the user
};

class TMainWndModel : public engine::TRunState {
public:
    explicit TMainWndModel(host::TRunHost& host);

    // The open definition and its document state.
    definition::TVMDefinition Definition;
    std::string LastOpenedFileName;
    // The support web page (a setting).
    std::string SupportPage;

    // The archive facade, the engine's own switch set (with its presets) and the engine.
    archives::TArchiveFile AF;
    archives::TArchiverOptions EngineOptions;
    engine::TVMEngine Engine;

    // File actions; each returns after its questions and dialogs.
    void AtnFileNew();
    void AtnFileOpen();
    void AtnFileSave();
    void AtnFileSaveAs();
    // Opens a named definition (the open dialog's result, or a file handed to the program).
    bool OpenDefinition(const std::string& fileName);

    // Runs of the open definition: backup, restore (with its options), history cleanup, verify;
    // and the stop action. Nothing starts while a run is going on.
    void AtnVMExecute();
    void AtnVMRestore();
    void AtnVMClean();
    void AtnVMVerify();
    void AtnVMStop();

    // Item actions. The editor gets the item to change and answers true on OK. Add appends the
    // new item on OK; edit changes the item of `row` in place (on a copy, taken back on OK);
    // delete asks first (`shownSource` is the item's source as the question shows it); up and
    // down swap the item with its neighbour, or only beep at the end of the list. Each returns
    // true when it changed the definition, and does nothing during a run.
    using TTaskEditor = std::function<bool(definition::TVMTask&)>;
    bool AtnVMAdd(const TTaskEditor& editor);
    bool AtnVMEdit(int row, const TTaskEditor& editor);
    bool AtnVMDelete(int row, const std::string& shownSource);
    bool AtnVMUp(int row);
    bool AtnVMDown(int row);

    // True when the window may close; asks about unsaved changes.
    bool FormCloseQuery();
    // Remembers the open definition and saves the settings when it names an existing file.
    void FormClose();

    // The exit status of the program, set by the start-up and the runs.
    int ExitStatus = ExitOk;

private:
    // Marks the definition as changed and brings the rows, title and actions up to date.
    void Changed(bool refresh);
    bool MoveItem(int row, int by);
    // Asks the save question for "new" or "open"; false when the caller must stop.
    bool ConfirmDiscard(const std::string& question);
};

} // namespace app
