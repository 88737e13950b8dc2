// The deferred start-up: settings, the archiver library, the command line, the definition it
// names and the run it asks for. Runs once the main window is shown (or at once, headless).
#pragma once

#include "app/CommandLine.h"
#include "app/MainWndModel.h"

#include <functional>
#include <string>
#include <vector>

namespace app {

// The help document of a program in programDir: beside it (where the build puts it), else in
// ../share/doc/velmoran as installed; the path beside it when neither exists.
std::string HelpFile(const std::string& programDir);
// The help document of this program.
std::string HelpFile();

class TStartUp {
public:
    explicit TStartUp(TMainWndModel& model) : model_(model) {}

    // Loads the library of the configured archiver type; raises when it cannot be loaded.
    std::function<void(engine::TVMArchiverType)> LoadArchiver;
    // The run drivers by operation; a missing driver means the operation is not available.
    std::function<void()> RunBackup;
    std::function<void()> RunRestore;
    std::function<void()> RunClearHistory;
    std::function<void()> RunVerify;
    // The file-version operations; each answers whether it succeeded.
    std::function<bool(const TCommandLine&)> RunVersions;
    std::function<bool(const TCommandLine&)> RunRestoreVersion;

    // The start-up handler. `args` are the process arguments after the program name.
    void WMStartUp(const std::vector<std::string>& args);

private:
    // Returns false when the program is to end here.
    bool CheckArchiver();
    void RunOperation(const TCommandLine& cl, bool definitionWhole);

    TMainWndModel& model_;
};

// The missing-library message, six lines joined by CR LF.
std::string MissingLibraryText();

} // namespace app
