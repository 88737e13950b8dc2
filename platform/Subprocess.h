// Runs a program with arguments (no shell), feeding it standard input and collecting its output.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ProcessResult {
    // The exit status; -1 when the program could not be started or ended by a signal.
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs argv[0] (a path, or a name looked up on PATH) with the given standard input and waits for
// it. A program that cannot be started gives ExitCode -1 and the reason in Err.
ProcessResult RunCaptured(const std::vector<std::string>& argv, const std::string& input = {});

// The full path of an executable named `name` on PATH (or `name` itself when it holds a "/" and
// is executable); nothing when there is none.
std::optional<std::string> FindExecutable(const std::string& name);

} // namespace platform
