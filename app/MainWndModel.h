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

    // True when the window may close; asks about unsaved changes.
    bool FormCloseQuery();
    // Remembers the open definition and saves the settings when it names an existing file.
    void FormClose();

    // The exit status of the program, set by the start-up and the runs.
    int ExitStatus = ExitOk;

private:
    // Asks the save question for "new" or "open"; false when the caller must stop.
    bool ConfirmDiscard(const std::string& question);
};

} // namespace app
