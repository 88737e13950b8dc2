// The files a packing command names: exact names, wildcards and directories below the base
// directory, turned into the paths to read and the member names to store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archivers/unlha32/CommandLine.h"

namespace unlha {

struct SourceFile {
    std::string path;       // to open: the base directory joined with the name
    std::string memberName; // parts separated by '/', relative to the base directory
    bool directory = false; // a directory named without -r: stored as a directory member
};

struct SelectionProblem {
    int32_t code;        // ARC_ERROR_NOT_EXIST (missing, not a file, not storable) or
                         // ARC_ERROR_FILE_OPEN (a file or directory that cannot be read)
    std::string message; // names the file and says why
};

struct Selection {
    std::vector<SourceFile> files;
    // Names that selected nothing they could, and directories that could not be searched.
    std::vector<SelectionProblem> problems;
};

// Selection rules (the library's header comment states them for the user):
// - a name that names an existing file exactly is that file, even when it holds '*' or '?';
// - otherwise a name with '*' or '?' selects the matching files of its directory, and with
//   -r1 or more those of its subdirectories too; hidden files (".name") only with -a1;
// - a directory named exactly is stored as a directory member, or with -r1 or more packed
//   with everything below it;
// - -jx patterns leave out files whose member name or bare name matches them;
// - -jo and -job leave out files modified before or after the given date;
// - files the archive itself or its work file are never selected (skip is by device and inode).
Selection SelectFiles(const Command& command, const std::vector<std::pair<dev_t, ino_t>>& skip);

// A date limit of -jo or -job: "[l]yymmdd[hhnnss]" or "[l]yyyymmdd[hhnnss]" as local time;
// the lower limit starts at 00:00:00 and the upper ends at 23:59:59 when no time is given.
std::optional<int64_t> ParseDateLimit(const std::string& text, bool upper);

} // namespace unlha
