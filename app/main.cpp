// Process entry: a headless run on the console, or the main window.
#include "app/Headless.h"
#include "app/MainWndModel.h"
#include "platform/CodePage.h"
#include "ui/MainWindowApp.h"

#include <clocale>
#include <iostream>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    platform::InitCodePageFromLocale();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!app::HasDisplay()) {
        if (app::HasOperationSwitch(args))
            return app::RunHeadless(args);
        std::cerr << "velmoran: no display (DISPLAY and WAYLAND_DISPLAY are not set); the main "
                     "window cannot open.\n"
                     "Give an operation such as /backup to run without a window.\n";
        return app::ExitNothingRan;
    }
    return ui::RunMainWindow(argc, argv, args);
}
