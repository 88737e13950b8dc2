// Runs the program with its main window.
#pragma once

#include <string>
#include <vector>

namespace ui {

// Creates the application and the main window, runs until it closes; returns the exit status.
int RunMainWindow(int argc, char* argv[], const std::vector<std::string>& args);

} // namespace ui
