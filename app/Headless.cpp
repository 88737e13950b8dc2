#include "app/Headless.h"

#include "app/ConsoleHost.h"
#include "app/MainWndModel.h"
#include "app/StartUp.h"

#include <cstdlib>
#include <iostream>

namespace app {

bool HasOperationSwitch(const std::vector<std::string>& args) {
    return FindSwitch("backup", args) >= 0 || FindSwitch("restore", args) >= 0 ||
           FindSwitch("clearhistory", args) >= 0;
}

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

void ConnectOperations(TStartUp&, TMainWndModel&) {
    // The archiver library and the run drivers are connected here as they arrive.
}

int RunHeadless(const std::vector<std::string>& args) {
    TConsoleHost host(std::cerr);
    TMainWndModel model(host);
    host.OnStopRequested = [&model] { model.Stopped = true; };
    TStartUp startUp(model);
    ConnectOperations(startUp, model);
    startUp.WMStartUp(args);
    model.FormClose();
    return model.ExitStatus;
}

} // namespace app
