// Builds the text of one library command, token by token; every token is preceded by one blank.
#pragma once

#include "archives/ArchiverTypes.h"

#include <functional>
#include <string>
#include <string_view>

namespace archives {

class TCmdOpt {
public:
    using TNameConverter = std::function<std::string(std::string_view)>;

    // S unchanged (an empty S still adds its blank).
    void Add(std::string_view s);
    // "-" + name + value, only for a value >= 0.
    void AddInt(std::string_view name, int value);
    // "-" + name, only when value is true.
    void AddBool(std::string_view name, bool value);
    // Nothing for NulString. With an empty name: text in double quotes. Otherwise the switch
    // ("-" + name, or name without its first character when that is a blank) and the text,
    // inside one pair of double quotes or, with SwitchOutsideQuotes, before them.
    void AddQuoted(std::string_view name, const std::string& text);
    // AddQuoted with a trailing delimiter ensured; nothing for an empty dir or NulString.
    void AddDir(std::string_view name, const std::string& dir);
    // One AddQuoted per non-empty item, after the name converter. Returns the number of items.
    int AddFiles(std::string_view name, const TFileItems& files);
    // Writes a new response file (each converted name in double quotes, then CR LF) and adds the
    // quoted "@" + path. Returns the number of items. Raises EArchiver when it cannot be written.
    int WriteResponseFile(const std::string& path, const TFileItems& files);

    std::string Convert(std::string_view name) const;

    bool SwitchOutsideQuotes = false;
    TNameConverter NameConverter; // none: names pass unchanged
    std::string Text;
};

// Whether a name survives the command grammar: a double-quoted token ends at the first double
// quote that is followed by a blank or the end of the text, and a response-file line ends at CR
// or LF. Names holding a double quote followed by a blank, CR, LF or NUL cannot be carried.
bool CanCarryName(std::string_view name);

} // namespace archives
