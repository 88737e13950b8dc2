// Wildcards of the command line: '*' any run of characters, '?' one character (a UTF-8
// sequence counts as one). Matching is case-sensitive, as Linux names are.
#pragma once

#include <string_view>

namespace unlha {

bool HasWildcard(std::string_view text);
// True when name matches pattern. "*.*" matches every name, also names without a dot.
bool WildcardMatch(std::string_view pattern, std::string_view name);

} // namespace unlha
