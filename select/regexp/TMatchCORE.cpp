#include "select/regexp/TMatchCORE.h"

#include <cstring>

namespace regexp {

// The helpers of the two searches are inlined into them: the searches run once per name and
// pattern, so their call overhead is a good part of the time.
[[gnu::always_inline]] inline TMatchCORE::RunResult
TMatchCORE::RunDFA(const TRE_DFA& dfa, int state, const Byte* p, const Byte* end,
                   platform::CodePage cp) const {
    const Byte* q = p;
    const Byte* lastAccept = nullptr;
    CharCode c = 0;
    while (true) {
        // Characters that keep the state change nothing but the position.
        q = dfa.SkipSelfLoop(state, q, end);
        if (dfa.Accepting(state))
            lastAccept = q;
        if (q == end) {
            // The end reads as code 0 and is never consumed.
            return RunResult{lastAccept, state, 0, q, true};
        }
        c = *q;
        if (c < 0x80)
            ++q;
        else
            q += DecodeChar(cp, q, end, &c);
        const int next = dfa.Next(state, c);
        if (next == TRE_DFA::kNone)
            break;
        state = next;
    }
    return RunResult{lastAccept, state, c, q, false};
}

[[gnu::always_inline]] inline bool TMatchCORE::PlainSearch(const Byte* begin, const Byte* end,
                                                           const Byte** matchStart,
                                                           const Byte** matchEnd) const {
    const TRE_DFA& dfa = CurrentDFA();
    if (begin == end) {
        if (!dfa.Accepting(dfa.Initial()))
            return false;
        *matchStart = *matchEnd = begin;
        return true;
    }
    const platform::CodePage cp = platform::ActiveCodePage();
    for (const Byte* p = begin; p < end; p = NextChar(cp, p, end)) {
        const RunResult r = RunDFA(dfa, dfa.Initial(), p, end, cp);
        if (r.lastAccept) {
            *matchStart = p;
            *matchEnd = r.lastAccept;
            return true;
        }
    }
    return false;
}

[[gnu::always_inline]] inline const TMatchCORE::Byte*
TMatchCORE::MatchAt(const TRE_DFA& dfa, int state, const Byte* p, const Byte* end,
                    platform::CodePage cp, bool* reachedEnd) const {
    const RunResult r = RunDFA(dfa, state, p, end, cp);
    if (reachedEnd)
        *reachedEnd = r.atEnd;
    if ((r.atEnd || IsLineEnd(r.lastChar)) && dfa.LineTailNext(r.lastState) != TRE_DFA::kNone)
        return r.atEnd ? r.stop : r.stop - 1;
    return r.lastAccept;
}

// At a line head both the anchored and the unanchored alternatives may match; the longer
// match wins. (Giving up when the anchored ones fail would lose the empty match of a pattern
// such as '^a|b*' in an empty subject, which no later start position can find.)
[[gnu::always_inline]] inline const TMatchCORE::Byte*
TMatchCORE::MatchAtLineHead(const TRE_DFA& dfa, const Byte* p, const Byte* end,
                            platform::CodePage cp, bool* reachedEnd) const {
    if (reachedEnd)
        *reachedEnd = false;
    if (!dfa.HeadAnchored())
        return MatchAt(dfa, dfa.Initial(), p, end, cp);
    const int headState = dfa.LineHeadNext(dfa.Initial());
    const Byte* anchored =
        headState != TRE_DFA::kNone ? MatchAt(dfa, headState, p, end, cp, reachedEnd) : nullptr;
    const Byte* plain = dfa.InitialCanStart() ? MatchAt(dfa, dfa.Initial(), p, end, cp) : nullptr;
    if (!anchored)
        return plain;
    return plain && plain >= anchored ? plain : anchored;
}

[[gnu::always_inline]] inline bool TMatchCORE::AnchoredSearch(const Byte* begin, const Byte* end,
                                                              const Byte** matchStart,
                                                              const Byte** matchEnd) const {
    const TRE_DFA& dfa = CurrentDFA();
    const platform::CodePage cp = platform::ActiveCodePage();
    auto found = [&](const Byte* s, const Byte* e) {
        *matchStart = s;
        *matchEnd = e;
        return true;
    };
    bool readWhole = false;
    if (const Byte* e = MatchAtLineHead(dfa, begin, end, cp, &readWhole))
        return found(begin, e);
    // When the initial state neither accepts nor leads anywhere on a character or the line
    // tail, a match can only start at a line head; outside CP932 a line feed byte is always a
    // character of its own, so the line heads are found by searching for that byte, unless
    // the automaton has just read the whole subject without meeting one.
    if (!dfa.InitialCanStart() && cp != platform::CodePage::Cp932) {
        if (dfa.HeadAnchored() && !(readWhole && !dfa.ConsumesLineFeed())) {
            for (const Byte* p = begin; p < end; ++p) {
                p = static_cast<const Byte*>(
                    std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
                if (!p)
                    break;
                if (const Byte* e = MatchAtLineHead(dfa, p + 1, end, cp))
                    return found(p + 1, e);
            }
        }
    } else {
        for (const Byte* p = begin; p < end; p = NextChar(cp, p, end)) {
            if (dfa.InitialCanStart()) {
                if (const Byte* e = MatchAt(dfa, dfa.Initial(), p, end, cp))
                    return found(p, e);
            }
            if (*p == '\n' && dfa.HeadAnchored()) {
                if (const Byte* e = MatchAtLineHead(dfa, p + 1, end, cp))
                    return found(p + 1, e);
            }
        }
    }
    if (dfa.TailAnchored() && dfa.LineTailNext(dfa.Initial()) != TRE_DFA::kNone)
        return found(end, end);
    return false;
}

bool TMatchCORE::Search(std::string_view text, bool anchored, std::size_t* from,
                        std::size_t* to) const {
    const auto* begin = reinterpret_cast<const Byte*>(text.data());
    const Byte* end = begin + text.size();
    const Byte* s = nullptr;
    const Byte* e = nullptr;
    const bool found =
        anchored ? AnchoredSearch(begin, end, &s, &e) : PlainSearch(begin, end, &s, &e);
    if (found) {
        *from = static_cast<std::size_t>(s - begin);
        *to = static_cast<std::size_t>(e - begin);
    }
    return found;
}

} // namespace regexp
