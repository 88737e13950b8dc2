#include "select/regexp/TRE_NFA.h"

#include "select/regexp/ERegExpParser.h"

namespace regexp {

TRE_NFA::TRE_NFA(CharCode lineHeadCode, CharCode lineTailCode)
    : lineHeadCode_(lineHeadCode), lineTailCode_(lineTailCode) {}

int TRE_NFA::NewState() {
    if (static_cast<int>(states_.size()) >= kMaxStates)
        RaiseParserError(msg::kTooComplex, 0);
    states_.emplace_back();
    return static_cast<int>(states_.size()) - 1;
}

void TRE_NFA::AddTransition(int from, CharCode lo, CharCode hi, int to) {
    if (++transitionCount_ > kMaxTransitions)
        RaiseParserError(msg::kTooComplex, 0);
    states_[from].push_back({lo, hi, to});
}

void TRE_NFA::GenerateStateList(const TREParseTree& tree) {
    states_.clear();
    transitionCount_ = 0;
    headAnchored_ = tailAnchored_ = false;
    entry_ = NewState();
    exit_ = NewState();

    // The recursive generation (node, from, to), run on an explicit stack so that a long
    // pattern cannot exhaust the call stack. A step either generates a node or, after a
    // closure's body, adds one empty transition.
    struct Step {
        const TREParseTreeNode* node; // nullptr: add an empty transition from -> to
        int from;
        int to;
    };
    std::vector<Step> stack{{tree.Root(), entry_, exit_}};
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        const TREParseTreeNode* node = step.node;
        if (!node) {
            AddTransition(step.from, kEmptyLabel, kEmptyLabel, step.to);
            continue;
        }
        switch (node->kind) {
        case TREParseTreeKind::CharRange:
            AddTransition(step.from, node->lo, node->hi, step.to);
            break;
        case TREParseTreeKind::LineHead:
            if (step.from == entry_) {
                headAnchored_ = true;
                AddTransition(step.from, lineHeadCode_, lineHeadCode_, step.to);
            } else {
                AddTransition(step.from, node->lo, node->lo, step.to);
            }
            break;
        case TREParseTreeKind::LineTail:
            if (step.to == exit_) {
                tailAnchored_ = true;
                AddTransition(step.from, lineTailCode_, lineTailCode_, step.to);
            } else {
                AddTransition(step.from, node->lo, node->lo, step.to);
            }
            break;
        case TREParseTreeKind::Concat: {
            const int middle = NewState();
            stack.push_back({node->right, middle, step.to});
            stack.push_back({node->left, step.from, middle});
            break;
        }
        case TREParseTreeKind::Union:
            stack.push_back({node->right, step.from, step.to});
            stack.push_back({node->left, step.from, step.to});
            break;
        case TREParseTreeKind::Closure: {
            const int s1 = NewState();
            const int s2 = NewState();
            AddTransition(step.from, kEmptyLabel, kEmptyLabel, s1);
            stack.push_back({nullptr, s1, step.to});
            stack.push_back({nullptr, s2, s1});
            stack.push_back({node->left, s1, s2});
            break;
        }
        case TREParseTreeKind::Empty:
            AddTransition(step.from, kEmptyLabel, kEmptyLabel, step.to);
            break;
        default:
            RaiseInternalError(msg::kCannotHappen);
        }
    }
}

} // namespace regexp
