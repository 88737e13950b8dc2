// The command line: switches introduced by "-" or "/", matched without regard to case, and
// exactly one definition file.
#pragma once

#include "platform/DateTime.h"

#include <optional>
#include <string>
#include <vector>

namespace app {

enum class TOperationMode {
    None = 0,
    Backup = 1,
    Restore = 2,
    ClearHistory = 3,
    Verify = 4,
    Versions = 5,       // lists the kept versions of one file
    RestoreVersion = 6, // brings one of them back
};

// Index of the first entry that is the switch: "-" or "/" followed by the word, comparing only
// the first length-of-word + 1 characters (so "/backupxyz" is "backup"); -1 when none is.
int FindSwitch(const std::string& name, const std::vector<std::string>& list);

// Index of the first entry that is exactly the switch ("-" or "/" and the word, any case); -1
// when none is.
int FindWholeSwitch(const std::string& name, const std::vector<std::string>& list);

struct TCommandLine {
    bool Minimized = false;
    TOperationMode Mode = TOperationMode::None;
    bool IgnoreTimeStamp = false;
    bool PermitDeletion = false;
    std::optional<platform::TDateTime> ClearHistoryBefore;
    // The entries left after the switches were removed, as given (case kept).
    std::vector<std::string> Entries;
    // A history date or day count that is not a decimal number, a file-version switch without
    // its values or a version stamp that is not yyyymmddhhnnss.
    bool BadNumber = false;
    // The values of /versions PATH and /restoreversion PATH STAMP [/to DIR].
    std::string VersionPath;
    std::string VersionStamp;
    std::string RestoreTo; // empty: the file's own place
};

// Applies the switches in their fixed order, each once. The file-version switches come first and
// take the entries after them as their values, so that a path among those is never read as a
// switch; they are whole words ("/versions", "/restoreversion", "/to"), not prefixes. A date or day
// count that is not a number sets BadNumber (the switch stays among the entries). Numbers that form
// no valid date raise platform::EConvertError. `now` is the moment the history cut-offs are
// measured from.
TCommandLine ParseCommandLine(const std::vector<std::string>& args, platform::TDateTime now);

// The command-line error text: the malformed-line message, then the entries each followed by
// a blank, in parentheses.
std::string CommandLineErrorText(const std::vector<std::string>& entries);

} // namespace app
