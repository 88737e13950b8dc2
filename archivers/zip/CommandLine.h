// Splitting a command text into tokens, and the names that follow the archive.
//
// Tokens are separated by blanks. A token may be wholly or partly inside double quotes; a
// quote closes only where a blank or the end of the text follows it, so a name holding '"'
// (but not '"' followed by a blank) travels inside quotes unchanged. Switches come first;
// "--" ends them. The first other token is the archive. A name token "@path" naming a
// readable file is a response file: one name per line (CR LF or LF), each line optionally
// inside double quotes, which are removed; inner quotes stay.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vmzip {

struct Token {
    std::string text; // quotes removed
    bool quoted = false;
};

std::vector<Token> Tokenize(std::string_view command);

// The names of one response file, in order. Throws ArcError (response file not readable).
std::vector<std::string> ReadResponseFile(const std::string& path);

// Replaces every "@path" token that names a readable file by the names inside it.
std::vector<std::string> ExpandResponseFiles(const std::vector<std::string>& names);

// True when the token marks a directory: it ends in '/'.
bool IsDirectoryToken(std::string_view text);

} // namespace vmzip
