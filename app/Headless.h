// Starting the program: headless runs on the console, and the choice between console and window.
#pragma once

#include <string>
#include <vector>

namespace app {

class TStartUp;
class TMainWndModel;

// True when the arguments ask for a run (backup, restore or a history cleanup).
bool HasOperationSwitch(const std::vector<std::string>& args);
// True when the arguments ask for one of the file-version operations, which always run on the
// console (their output is the listing).
bool HasVersionSwitch(const std::vector<std::string>& args);
// True when a display is available (DISPLAY or WAYLAND_DISPLAY set).
bool HasDisplay();

// Connects the start-up to the archiver library and the run drivers.
void ConnectOperations(TStartUp& startUp, TMainWndModel& model);

// Runs the start-up steps without any window; returns the exit status.
int RunHeadless(const std::vector<std::string>& args);

} // namespace app
