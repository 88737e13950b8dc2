// Process entry: a headless run on the console, or the main window.
#include "app/Headless.h"
#include "app/MainWndModel.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "schedule/CronLine.h"
#include "ui/MainWindowApp.h"

#include <clocale>
#include <iostream>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    platform::InitCodePageFromLocale();
    platform::FixLocalTimeZone();
    const std::vector<std::string> args(argv + 1, argv + argc);
    // A scheduled line asks first whether its work item runs today (cron cannot count every
    // third day or every other week).
    schedule::TDay today;
    platform::DecodeDate(platform::Now(), today.Year, today.Month, today.Day);
    if (const std::optional<int> status = schedule::DueCheckStatus(args, today))
        return *status;
    if (app::HasVersionSwitch(args))
        return app::RunHeadless(args);
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
