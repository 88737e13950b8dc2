// The regular expression component that the rest of the program holds: AWK-style Match and
// Split over the current pattern.
#pragma once

#include "select/regexp/TMatchCORE.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace regexp {

class TAWKStr : public TMatchCORE {
public:
    TAWKStr();

    void SetRegExp(std::string_view pattern) override;

    // Dictionary switches of the preprocessor; this program carries no dictionaries, so they
    // leave patterns unchanged.
    bool UseSynonymDic() const { return PreProcessor().UseSynonymDic; }
    void SetUseSynonymDic(bool value) { PreProcessor().UseSynonymDic = value; }
    bool UseFuzzyCharDic() const { return PreProcessor().UseFuzzyCharDic; }
    void SetUseFuzzyCharDic(bool value) { PreProcessor().UseFuzzyCharDic = value; }

    // Searches subject for the current pattern: the leftmost match, and at that start the
    // longest. On a match stores its 1-based byte position and its length in bytes and
    // returns the position; otherwise stores and returns 0.
    std::size_t Match(std::string_view subject, std::size_t& start, std::size_t& length) const;

    // Replaces the contents of list with the fields of subject between matches of the current
    // pattern and returns their number. An empty match never splits off an empty field.
    std::size_t Split(std::string_view subject, std::vector<std::string>& list) const;

private:
    void ChooseSearch();
    // Searches text; on a match stores its byte offsets from text's start.
    bool Search(std::string_view text, std::size_t* from, std::size_t* to) const;

    bool anchored_ = false;
};

} // namespace regexp
