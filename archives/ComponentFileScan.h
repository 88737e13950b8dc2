// The facade's own file selection for Pack: finds the files named by the file items below the
// base directory with the selection switches of the options, and hands the library an explicit
// list.
#pragma once

#include "archives/ArchiverOptions.h"
#include "archives/ArchiverTypes.h"
#include "platform/DateTime.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace archives {

// Progress of the scan: State ARC_STATE_SELECT with the accepted name in sourceName.
using TScanProgress = std::function<void(int state, TExtractingInfoEx* info, bool& abort)>;
// Called for each accepted file with its path on disk and its name as passed to the library
// (the named streams are exported there).
using TScanAccepted = std::function<void(const std::string& path, const std::string& name)>;

struct TScanResult {
    TFileItems Files; // names as passed to the library, relative to the base
    bool Aborted = false;
};

// Selects the files (directories are never selected):
// - no items: every file in baseDir; otherwise each item is a directory part and a mask, and an
//   item that names an existing entry exactly is that entry, not a mask;
// - r >= 1 descends into subdirectories with the same mask (not with p > 0 and a mask without
//   '*' or '?'); r >= 2 takes an item naming a directory whole;
// - hidden files only with a >= 1; jo/job bound the modification time; jx lines exclude;
// - each accepted file is handed to accepted, then reported to progress; abort stops the scan.
// Afterwards the options are changed so the library does not select again: r = -1, jo and job
// not given, p = 1. Raises EArchiver when baseDir is not a directory, and for a malformed
// jo/job date.
TScanResult ScanComponentFiles(TArchiverOptions& options, const std::string& baseDir,
                               const TFileItems& items, const TScanProgress& progress,
                               const TScanAccepted& accepted = {});

// A date limit of jo (lower) or job (upper): [l]yymmdd, [l]yyyymmdd, [l]yymmddhhnnss or
// [l]yyyymmddhhnnss; a date alone is completed with 00:00:00 (lower) or 23:59:59 (upper). A
// two-digit year is placed no more than 50 years before currentYear. 0 (no limit) for NulString
// and every other length; EArchiver for digits that form no date.
platform::TDateTime ParseDateLimit(const std::string& text, bool upper, int currentYear);

// FindFirst-style mask matching: '*' any run, '?' one character, "*.*" everything; letters
// compare case-insensitively.
bool MatchesMask(std::string_view name, std::string_view mask);

} // namespace archives
