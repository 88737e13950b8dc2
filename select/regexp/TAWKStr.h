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

    // Pattern lists assign a pattern before every search, so a cached one is found inline.
    void SetRegExp(std::string_view pattern) override {
        if (!SelectCached(pattern))
            Assign(pattern);
        ChooseSearch();
    }

    // Dictionary switches of the preprocessor; this program carries no dictionaries, so they
    // leave patterns unchanged.
    bool UseSynonymDic() const { return PreProcessor().UseSynonymDic; }
    void SetUseSynonymDic(bool value) { PreProcessor().UseSynonymDic = value; }
    bool UseFuzzyCharDic() const { return PreProcessor().UseFuzzyCharDic; }
    void SetUseFuzzyCharDic(bool value) { PreProcessor().UseFuzzyCharDic = value; }

    // Searches subject for the current pattern: the leftmost match, and at that start the
    // longest. On a match stores its 1-based byte position and its length in bytes and
    // returns the position; otherwise stores and returns 0.
    std::size_t Match(std::string_view subject, std::size_t& start, std::size_t& length) const {
        std::size_t from = 0, to = 0;
        if (!Search(subject, anchored_, &from, &to)) {
            start = length = 0;
            return 0;
        }
        start = from + 1;
        length = to - from;
        return start;
    }

    // Replaces the contents of list with the fields of subject between matches of the current
    // pattern and returns their number. An empty match never splits off an empty field.
    std::size_t Split(std::string_view subject, std::vector<std::string>& list) const;

private:
    // The full assignment, when the pattern is not simply a cached one.
    void Assign(std::string_view pattern);
    // The plain search when the pattern has no anchor, otherwise the anchored one.
    void ChooseSearch() {
        const TRE_DFA& dfa = CurrentDFA();
        anchored_ = dfa.HeadAnchored() || dfa.TailAnchored();
    }

    bool anchored_ = false;
};

} // namespace regexp
