// The deterministic automaton made from a TRE_NFA by subset construction. Every state's
// transitions are sorted by ascending lo and pairwise disjoint, so the next state for a code is
// found by one walk that stops early; for codes below 256 a table gives it directly.
#pragma once

#include "select/regexp/TRE_NFA.h"

#include <cstdint>
#include <vector>

namespace regexp {

struct TRE_DFATransition {
    CharCode lo = 0;
    CharCode hi = 0;
    int target = 0;
};

class TRE_DFA {
public:
    static constexpr int kNone = -1;
    // Bounds that keep a pathological pattern from exhausting the memory.
    static constexpr int kMaxStates = 10'000;
    static constexpr std::size_t kMaxSetEntries = 8'000'000;

    TRE_DFA() = default;

    // Runs the subset construction over nfa. Raises ERegExpParser when the automaton would
    // exceed the bounds above.
    void Build(const TRE_NFA& nfa);

    int StateCount() const { return static_cast<int>(states_.size()); }
    int Initial() const { return 0; }
    bool HeadAnchored() const { return headAnchored_; }
    bool TailAnchored() const { return tailAnchored_; }
    // Whether a match can begin in the initial state without the line head: it accepts, or
    // has a transition on a character or on the line tail.
    bool InitialCanStart() const { return initialCanStart_; }
    // Whether any transition reads a line feed.
    bool ConsumesLineFeed() const { return consumesLineFeed_; }
    bool Accepting(int state) const { return rows_[state].accepting; }
    const std::vector<TRE_DFATransition>& Transitions(int state) const {
        return states_[state].transitions;
    }

    // The state reached from state by a character code, or kNone.
    int Next(int state, CharCode c) const {
        if (c < 256)
            return rows_[state].next[c];
        return NextByWalk(state, c);
    }
    // Advances p over the single-byte characters (below 0x80) that lead from state back to
    // itself, and returns the first position that does not.
    const unsigned char* SkipSelfLoop(int state, const unsigned char* p,
                                      const unsigned char* end) const {
        const Row& row = rows_[state];
        if (!row.selfLoop)
            return p;
        while (end - p >= 4 && row.stays[p[0]] && row.stays[p[1]] && row.stays[p[2]] &&
               row.stays[p[3]])
            p += 4;
        while (p < end && row.stays[*p])
            ++p;
        return p;
    }

    // The state reached by a label, walking the sorted transitions, or kNone.
    int NextByWalk(int state, CharCode c) const {
        for (const auto& t : states_[state].transitions) {
            if (t.lo > c)
                break;
            if (c <= t.hi)
                return t.target;
        }
        return kNone;
    }
    // The states reached by the line-head and line-tail codes of the NFA, or kNone.
    int LineHeadNext(int state) const { return states_[state].lineHeadTarget; }
    int LineTailNext(int state) const { return states_[state].lineTailTarget; }

private:
    struct State {
        bool accepting = false;
        int lineHeadTarget = kNone;
        int lineTailTarget = kNone;
        std::vector<TRE_DFATransition> transitions;
    };

    // What a search needs of a state, in one place.
    struct Row {
        std::int16_t next[256];  // the next state for each code below 256
        std::uint8_t stays[256]; // the bytes below 0x80 that lead back to this state
        bool accepting;
        bool selfLoop; // some byte below 0x80 leads back to this state
    };
    static_assert(kMaxStates < 32767, "state numbers must fit Row::next");

    std::vector<State> states_;
    std::vector<Row> rows_;
    bool headAnchored_ = false;
    bool tailAnchored_ = false;
    bool initialCanStart_ = true;
    bool consumesLineFeed_ = true;
};

} // namespace regexp
