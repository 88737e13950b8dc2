// File and member names as the ZIP commands carry them. The program writes a leading '-' as
// "[-]" and every '[' as "[[]", so that a name is also a valid wildcard that matches exactly
// itself. A name that names an existing file or member exactly is taken as that name;
// otherwise it is a wildcard: '*' any run of characters ('/' included), '?' one character,
// "[...]" one character of a set ("[!...]" or "[^...]" outside it, "a-z" ranges).
// Matching is by whole characters of the locale's code page and case-sensitive, as Linux
// names are.
#pragma once

#include <string>
#include <string_view>

#include "TextBytes.h"

namespace vmzip {

// Undoes the program's escapes: a leading "[-]" becomes '-', each "[[]" becomes '['.
std::string UnescapeName(std::string_view name, TextEncoding enc);

// True when the name holds '*', '?' or '[' (as whole characters).
bool HasWildcard(std::string_view name, TextEncoding enc);

// True when text matches the wildcard pattern.
bool WildcardMatch(std::string_view pattern, std::string_view text, TextEncoding enc);

} // namespace vmzip
