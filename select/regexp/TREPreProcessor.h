// The stage between an assigned pattern and the parser. It would widen runs of characters into
// groups of synonyms or of interchangeable character forms from dictionaries; this program
// carries no dictionaries and never switches that on, so the pattern passes through unchanged
// whatever the two switches say.
#pragma once

#include <string>
#include <string_view>

namespace regexp {

class TREPreProcessor {
public:
    bool UseSynonymDic = false;
    bool UseFuzzyCharDic = false;

    std::string Run(std::string_view pattern) const { return std::string(pattern); }
};

} // namespace regexp
