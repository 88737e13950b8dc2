#include "app/Headless.h"

#include "app/ArchiverLibrary.h"
#include "app/ConsoleHost.h"
#include "app/MainWndModel.h"
#include "app/StartUp.h"
#include "app/VersionsCommand.h"

#include <cstdlib>
#include <iostream>

namespace app {

bool HasOperationSwitch(const std::vector<std::string>& args) {
    return FindSwitch("backup", args) >= 0 || FindSwitch("restore", args) >= 0 ||
           FindSwitch("clearhistory", args) >= 0 || FindSwitch("verify", args) >= 0 ||
           HasVersionSwitch(args);
}

bool HasVersionSwitch(const std::vector<std::string>& args) {
    return FindWholeSwitch("versions", args) >= 0 || FindWholeSwitch("restoreversion", args) >= 0;
}

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

void ConnectOperations(TStartUp& startUp, TMainWndModel& model) {
    startUp.LoadArchiver = [&model](engine::TVMArchiverType type) {
        LoadArchiverLibrary(model.AF, type);
    };
    startUp.RunBackup = [&model] { model.Engine.AtnVMExecute(model.Definition); };
    startUp.RunRestore = [&model] { model.Engine.AtnVMRestoreExecute(model.Definition); };
    startUp.RunClearHistory = [&model] { model.Engine.AtnVMCleanExecute(model.Definition); };
    startUp.RunVerify = [&model] { model.Engine.AtnVMVerifyExecute(model.Definition); };
    startUp.RunVersions = [&model](const TCommandLine& cl) {
        return ListVersions(model, cl.VersionPath, std::cout);
    };
    startUp.RunRestoreVersion = [&model](const TCommandLine& cl) {
        return RestoreVersion(model, cl.VersionPath, cl.VersionStamp, cl.RestoreTo);
    };
}

int RunHeadless(const std::vector<std::string>& args) {
    TConsoleHost host(std::cerr);
    TMainWndModel model(host);
    host.OnStopRequested = [&model] { model.Engine.AtnVMStop(); };
    TStartUp startUp(model);
    ConnectOperations(startUp, model);
    startUp.WMStartUp(args);
    model.FormClose();
    return model.ExitStatus;
}

} // namespace app
