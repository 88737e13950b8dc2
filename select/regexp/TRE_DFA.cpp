#include "select/regexp/TRE_DFA.h"

#include "select/regexp/ERegExpParser.h"

#include <algorithm>
#include <unordered_map>

namespace regexp {

namespace {

using StateSet = std::vector<int>; // ascending NFA state numbers

struct StateSetHash {
    std::size_t operator()(const StateSet& s) const {
        std::size_t h = s.size();
        for (const int v : s)
            h = h * 1000003u ^ static_cast<std::size_t>(v);
        return h;
    }
};

// Adds to set every state reachable through empty transitions; the result is ascending.
class EmptyClosure {
public:
    explicit EmptyClosure(const TRE_NFA& nfa)
        : nfa_(nfa), mark_(static_cast<std::size_t>(nfa.StateCount()), 0) {}

    void Close(StateSet& set) {
        ++stamp_;
        for (const int s : set)
            mark_[s] = stamp_;
        stack_.assign(set.begin(), set.end());
        while (!stack_.empty()) {
            const int s = stack_.back();
            stack_.pop_back();
            for (const auto& t : nfa_.Transitions(s)) {
                if (t.lo == kEmptyLabel && mark_[t.target] != stamp_) {
                    mark_[t.target] = stamp_;
                    set.push_back(t.target);
                    stack_.push_back(t.target);
                }
            }
        }
        std::sort(set.begin(), set.end());
    }

private:
    const TRE_NFA& nfa_;
    std::vector<unsigned> mark_;
    std::vector<int> stack_;
    unsigned stamp_ = 0;
};

} // namespace

void TRE_DFA::Build(const TRE_NFA& nfa) {
    states_.clear();
    rows_.clear();
    headAnchored_ = nfa.HeadAnchored();
    tailAnchored_ = nfa.TailAnchored();

    EmptyClosure closure(nfa);
    std::unordered_map<StateSet, int, StateSetHash> known;
    std::vector<const StateSet*> sets;
    std::size_t setEntries = 0;

    // Finds the DFA state of a closed set, creating it when new.
    auto registerSet = [&](StateSet&& set) {
        const auto found = known.find(set);
        if (found != known.end())
            return found->second;
        if (static_cast<int>(states_.size()) >= kMaxStates ||
            (setEntries += set.size()) > kMaxSetEntries)
            RaiseParserError(msg::kTooComplex, 0);
        State state;
        state.accepting = std::binary_search(set.begin(), set.end(), nfa.Exit());
        const int index = static_cast<int>(states_.size());
        states_.push_back(std::move(state));
        const auto inserted = known.emplace(std::move(set), index).first;
        sets.push_back(&inserted->first);
        return index;
    };

    StateSet initial{nfa.Entry()};
    closure.Close(initial);
    registerSet(std::move(initial));

    struct Move {
        CharCode lo;
        CharCode hi;
        StateSet targets;
    };
    // Moves of one state often lead to the same NFA states (the pieces of one split range):
    // their closure is looked up rather than computed again.
    std::unordered_map<StateSet, int, StateSetHash> byTargets;
    auto isLineCode = [&](CharCode c) {
        return c == nfa.LineHeadCode() || c == nfa.LineTailCode();
    };
    // States are visited in creation order, which is the order of the first unvisited one.
    for (std::size_t current = 0; current < states_.size(); ++current) {
        std::vector<Move> moves;
        for (const int s : *sets[current]) {
            const auto& transitions = nfa.Transitions(s);
            for (auto t = transitions.rbegin(); t != transitions.rend(); ++t) {
                if (t->lo == kEmptyLabel)
                    continue;
                const auto same = std::find_if(moves.begin(), moves.end(), [&](const Move& m) {
                    return m.lo == t->lo && m.hi == t->hi;
                });
                if (same != moves.end()) {
                    if (std::find(same->targets.begin(), same->targets.end(), t->target) ==
                        same->targets.end())
                        same->targets.push_back(t->target);
                } else {
                    moves.push_back({t->lo, t->hi, {t->target}});
                }
            }
        }
        // A new move went to the front of the move list: take them newest first.
        std::vector<TRE_DFATransition> transitions;
        for (auto m = moves.rbegin(); m != moves.rend(); ++m) {
            std::sort(m->targets.begin(), m->targets.end());
            int target = 0;
            if (const auto known = byTargets.find(m->targets); known != byTargets.end()) {
                target = known->second;
            } else {
                StateSet closed = m->targets;
                closure.Close(closed);
                target = registerSet(std::move(closed));
                if ((setEntries += m->targets.size()) > kMaxSetEntries)
                    RaiseParserError(msg::kTooComplex, 0);
                byTargets.emplace(std::move(m->targets), target);
            }
            transitions.push_back({m->lo, m->hi, target});
        }
        std::reverse(transitions.begin(), transitions.end());
        std::stable_sort(
            transitions.begin(), transitions.end(),
            [](const TRE_DFATransition& a, const TRE_DFATransition& b) { return a.lo < b.lo; });
        // Adjacent character ranges with the same target become one, which shortens the walk.
        std::vector<TRE_DFATransition> merged;
        for (const auto& t : transitions) {
            if (!merged.empty() && merged.back().target == t.target && !isLineCode(t.lo) &&
                !isLineCode(merged.back().lo) && merged.back().hi + 1 == t.lo)
                merged.back().hi = t.hi;
            else
                merged.push_back(t);
        }
        transitions = std::move(merged);
        for (const auto& t : transitions) {
            if (t.lo == nfa.LineHeadCode())
                states_[current].lineHeadTarget = t.target;
            else if (t.lo == nfa.LineTailCode())
                states_[current].lineTailTarget = t.target;
        }
        states_[current].transitions = std::move(transitions);
    }

    consumesLineFeed_ = false;
    for (const auto& state : states_) {
        for (const auto& t : state.transitions)
            consumesLineFeed_ = consumesLineFeed_ || (t.lo <= '\n' && '\n' <= t.hi);
    }
    initialCanStart_ = states_[0].accepting;
    for (const auto& t : states_[0].transitions) {
        if (t.lo != nfa.LineHeadCode())
            initialCanStart_ = true;
    }

    rows_.resize(states_.size());
    for (std::size_t s = 0; s < states_.size(); ++s) {
        Row& row = rows_[s];
        std::fill(std::begin(row.next), std::end(row.next), static_cast<std::int16_t>(kNone));
        // Walked backwards so that, should two labels overlap, the first in sorted order wins.
        const auto& transitions = states_[s].transitions;
        for (auto t = transitions.rbegin(); t != transitions.rend(); ++t) {
            if (t->lo >= 256)
                continue;
            const CharCode hi = std::min<CharCode>(t->hi, 255);
            for (CharCode c = t->lo; c <= hi; ++c)
                row.next[c] = static_cast<std::int16_t>(t->target);
        }
        // Code 0 never matches (it is also what the end reads as).
        row.next[0] = static_cast<std::int16_t>(kNone);
        row.accepting = states_[s].accepting;
        row.selfLoop = false;
        for (std::size_t c = 0; c < 256; ++c) {
            row.stays[c] = c < 128 && row.next[c] == static_cast<std::int16_t>(s);
            row.selfLoop = row.selfLoop || row.stays[c];
        }
    }
}

} // namespace regexp
