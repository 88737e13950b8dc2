// Running other programs: finding one on PATH and running it with an argument vector, never
// through a shell, so that no argument is ever split or expanded.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The full path of the executable `name` found in the directories of $PATH, or empty when
// there is none. A name that contains a delimiter is taken as a path and only checked.
std::string FindOnPath(const std::string& name);

struct ProgramResult {
    bool Started = false; // false: the program could not be run at all
    int ExitStatus = -1;  // its exit status; -1 when it ended by a signal
    std::string Output;   // what it wrote to standard output and standard error
};

// Runs `program` (a path) with `args` (argv[1]..), standard input from /dev/null, and waits
// for it to end.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args);

struct ProcessResult {
    // The exit status; -1 when the program could not be started or ended by a signal.
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs argv[0] (a path, or a name looked up on PATH) with the given standard input, keeping its
// standard output and error apart, and waits for it. A program that cannot be started gives
// ExitCode -1 and the reason in Err.
ProcessResult RunCaptured(const std::vector<std::string>& argv, const std::string& input = {});

} // namespace platform
