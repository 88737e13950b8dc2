// The command text the library receives: tokens, switches, the archive, the directory and the
// names (with "@" response files).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace unlha {

enum class CommandKind { Extract, ExtractFlat, Add, Update, Freshen, Delete, List, Test, None };

class Switches {
public:
    // Value of a numeric switch, or absent when the switch was not given.
    int Number(std::string_view name, int absent = -1) const;
    // Value of a text switch; nullopt when not given (an empty value is given).
    std::optional<std::string> Text(std::string_view name) const;
    const std::vector<std::string>& Excludes() const { return excludes_; }

    // Parses one switch token (without "-+" and "--"); false when it is not a known switch.
    bool Parse(std::string_view token);

private:
    std::map<std::string, int, std::less<>> numbers_;
    std::map<std::string, std::string, std::less<>> texts_;
    std::vector<std::string> excludes_;
};

struct Command {
    CommandKind kind = CommandKind::None;
    Switches switches;
    std::string archive;
    std::string directory; // base or destination directory with its trailing '/', or empty
    std::vector<std::string> names;
};

// Splits a command text into tokens. Tokens are separated by blanks; a token that starts with a
// double quote runs to the first double quote followed by a blank or the end of the text, and
// loses the two quotes; any other token runs to the next blank, quotes included.
std::vector<std::string> SplitTokens(std::string_view text);

// Names of a response file: one per line, between the line's first and last double quote (a
// line without two quotes is the name itself), lines ending in LF or CR LF; empty lines are
// skipped. A file that cannot be read raises ArchiveError (ARC_ERROR_RESPONSE_READ).
std::vector<std::string> ReadResponseFile(const std::string& path);

// Parses the text of the main entry (withCommandWord) or of ExtractMem (no command word).
// Unknown commands and switches and a missing archive raise ArchiveError.
Command ParseCommandLine(std::string_view text, bool withCommandWord);

} // namespace unlha
