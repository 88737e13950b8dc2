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
    bool Accepting(int state) const { return accepting_[state] != 0; }
    const std::vector<TRE_DFATransition>& Transitions(int state) const {
        return states_[state].transitions;
    }

    // The state reached from state by a character code, or kNone.
    int Next(int state, CharCode c) const {
        if (c < 256)
            return table_[static_cast<std::size_t>(state) * 256 + c];
        return NextByWalk(state, c);
    }
    // Advances p over the single-byte characters (below 0x80) that lead from state back to
    // itself, and returns the first position that does not.
    const unsigned char* SkipSelfLoop(int state, const unsigned char* p,
                                      const unsigned char* end) const {
        if (!selfLoop_[state])
            return p;
        const std::uint8_t* stays = &stays_[static_cast<std::size_t>(state) * 256];
        while (p < end && stays[*p])
            ++p;
        return p;
    }

    // The state reached by a label, walking the sorted transitions, or kNone.
    int NextByWalk(int state, CharCode c) const;
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

    std::vector<State> states_;
    std::vector<std::int32_t> table_; // next state for codes below 256, 256 per state
    std::vector<std::uint8_t> accepting_;
    std::vector<std::uint8_t> selfLoop_; // a code below 0x80 leads back to the same state
    std::vector<std::uint8_t> stays_;    // 256 per state: which bytes below 0x80 do
    bool headAnchored_ = false;
    bool tailAnchored_ = false;
    bool initialCanStart_ = true;
};

} // namespace regexp
