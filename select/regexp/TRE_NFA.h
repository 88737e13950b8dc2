// The nondeterministic automaton of a parse tree. States are numbered in order of creation;
// a transition is labelled with a character range, with the line-head or line-tail code, or with
// the empty label (taken without reading a character).
#pragma once

#include "select/regexp/TREParseTree.h"

#include <vector>

namespace regexp {

struct TRE_NFATransition {
    CharCode lo = 0;
    CharCode hi = 0;
    int target = 0;
};

class TRE_NFA {
public:
    TRE_NFA(CharCode lineHeadCode, CharCode lineTailCode);

    // Builds the states for the tree: entry state 0, exit state 1. "^" anchors (line-head code)
    // when it starts at the entry state, "$" (line-tail code) when it ends at the exit state;
    // elsewhere they are the literal characters. Raises ERegExpParser when the automaton would
    // need more than kMaxStates states.
    void GenerateStateList(const TREParseTree& tree);

    int StateCount() const { return static_cast<int>(states_.size()); }
    CharCode LineHeadCode() const { return lineHeadCode_; }
    CharCode LineTailCode() const { return lineTailCode_; }
    int Entry() const { return entry_; }
    int Exit() const { return exit_; }
    bool HeadAnchored() const { return headAnchored_; }
    bool TailAnchored() const { return tailAnchored_; }
    // The transitions of a state, oldest first; the automaton's list order is the reverse
    // (a transition added to a state goes to the front of its list).
    const std::vector<TRE_NFATransition>& Transitions(int state) const { return states_[state]; }

    // As many states as a state set of 32768 bytes can hold.
    static constexpr int kMaxStates = 32768 * 8 - 1;
    // A bound on all transitions together: shared subtrees are generated once per reference,
    // so nested "+" could otherwise multiply a large group without limit.
    static constexpr long kMaxTransitions = 4'000'000;

private:
    int NewState();
    void AddTransition(int from, CharCode lo, CharCode hi, int to);

    CharCode lineHeadCode_;
    CharCode lineTailCode_;
    std::vector<std::vector<TRE_NFATransition>> states_;
    int entry_ = 0;
    int exit_ = 0;
    long transitionCount_ = 0;
    bool headAnchored_ = false;
    bool tailAnchored_ = false;
};

} // namespace regexp
