// The search procedures over the current automaton. Subjects are byte strings of the active
// code page, as long as their size. A search steps through the subject one character at a time
// and never reads past its end, which reads as code 0 and is never consumed. Code 0 itself never
// matches: a pattern that names it ("\x0", "\0", a range from 0) compiles, but that part of it
// matches nothing, and a zero byte inside a subject is a character that no pattern matches.
#pragma once

#include "select/regexp/TRegularExpression.h"

#include <cstddef>
#include <string_view>

namespace regexp {

enum class TMatchCORE_LineSeparator {
    mcls_CRLF, // "$" anchors before a carriage return
    mcls_LF,   // "$" anchors before a line feed
};

class TMatchCORE : public TRegularExpression {
public:
    TMatchCORE() = default;

    TMatchCORE_LineSeparator LineSeparator() const { return lineSeparator_; }
    void SetLineSeparator(TMatchCORE_LineSeparator value) { lineSeparator_ = value; }

protected:
    using Byte = unsigned char;

    // Searches text with the plain or the anchored procedure; on a match stores its byte
    // offsets from text's start and returns true.
    bool Search(std::string_view text, bool anchored, std::size_t* from, std::size_t* to) const;

    // The leftmost match, and at that start the longest, of a pattern without anchors.
    // Stores its bounds and returns true when there is one.
    bool PlainSearch(const Byte* begin, const Byte* end, const Byte** matchStart,
                     const Byte** matchEnd) const;
    // The same for a pattern with "^" or "$": "^" matches at the start of the subject and after
    // every line feed, "$" at the end and before the line-end character.
    bool AnchoredSearch(const Byte* begin, const Byte* end, const Byte** matchStart,
                        const Byte** matchEnd) const;

private:
    struct RunResult {
        const Byte* lastAccept; // end of the longest match, or nullptr
        int lastState;          // the state in which the run stopped
        CharCode lastChar;      // the character that had no next state; 0 at the end
        const Byte* stop;       // the position after lastChar
        bool atEnd;             // the run stopped at the end of the subject
    };

    RunResult RunDFA(const TRE_DFA& dfa, int state, const Byte* p, const Byte* end,
                     platform::CodePage cp) const;
    // The end of the match from p in state, or nullptr; reachedEnd tells whether the
    // automaton read up to the end of the subject.
    const Byte* MatchAt(const TRE_DFA& dfa, int state, const Byte* p, const Byte* end,
                        platform::CodePage cp, bool* reachedEnd = nullptr) const;
    // The same at a line head, where anchored alternatives may match too; reachedEnd tells
    // whether the anchored run read up to the end of the subject.
    const Byte* MatchAtLineHead(const TRE_DFA& dfa, const Byte* p, const Byte* end,
                                platform::CodePage cp, bool* reachedEnd = nullptr) const;
    bool IsLineEnd(CharCode c) const {
        return c == (lineSeparator_ == TMatchCORE_LineSeparator::mcls_CRLF ? 13u : 10u);
    }

    TMatchCORE_LineSeparator lineSeparator_ = TMatchCORE_LineSeparator::mcls_CRLF;
};

// Advances past one character of the subject.
inline const unsigned char* NextChar(platform::CodePage cp, const unsigned char* p,
                                     const unsigned char* end) {
    if (*p < 0x80)
        return p + 1;
    CharCode c = 0;
    return p + DecodeChar(cp, p, end, &c);
}

} // namespace regexp
