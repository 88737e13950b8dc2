#include "select/regexp/TREParseTree.h"

#include "select/regexp/ERegExpParser.h"

#include <algorithm>

namespace regexp {

std::vector<std::pair<CharCode, CharCode>> AnyCharRanges() {
    return {{1, 9}, {11, 12}, {14, AnyCharMax()}};
}

TREParseTreeNode* TREParseTree::MakeAnyCharNode() {
    const auto ranges = AnyCharRanges();
    TREParseTreeNode* a = MakeLeaf(ranges[0].first, ranges[0].second);
    TREParseTreeNode* b = MakeLeaf(ranges[1].first, ranges[1].second);
    TREParseTreeNode* c = MakeLeaf(ranges[2].first, ranges[2].second);
    return MakeInternalNode(TREParseTreeKind::Union,
                            MakeInternalNode(TREParseTreeKind::Union, a, b), c);
}

TREParseTreeNode* TREParseTree::MakeLeaf(CharCode lo, CharCode hi) {
    const auto found = leafIndex_.find({lo, hi});
    if (found != leafIndex_.end())
        return found->second;
    auto leaf = std::make_unique<TREParseTreeNode>();
    leaf->kind = TREParseTreeKind::CharRange;
    leaf->lo = lo;
    leaf->hi = hi;
    TREParseTreeNode* raw = leaf.get();
    leaves_.push_back(std::move(leaf));
    leafIndex_.emplace(std::make_pair(lo, hi), raw);
    return raw;
}

TREParseTreeNode* TREParseTree::MakeInternalNode(TREParseTreeKind kind, TREParseTreeNode* left,
                                                 TREParseTreeNode* right) {
    auto node = std::make_unique<TREParseTreeNode>();
    node->kind = kind;
    node->left = left;
    node->right = right;
    nodes_.push_back(std::move(node));
    return nodes_.back().get();
}

TREParseTreeNode* TREParseTree::MakeLineHeadNode(CharCode c) {
    // The leaf for the literal character takes part in ForceCharsExclusive, so that a literal
    // "^" never overlaps a class of the same pattern in the automaton.
    MakeLeaf(c, c);
    TREParseTreeNode* node = MakeInternalNode(TREParseTreeKind::LineHead, nullptr, nullptr);
    node->lo = node->hi = c;
    return node;
}

TREParseTreeNode* TREParseTree::MakeLineTailNode(CharCode c) {
    MakeLeaf(c, c);
    TREParseTreeNode* node = MakeInternalNode(TREParseTreeKind::LineTail, nullptr, nullptr);
    node->lo = node->hi = c;
    return node;
}

std::vector<const TREParseTreeNode*> TREParseTree::Leaves() const {
    std::vector<const TREParseTreeNode*> out;
    out.reserve(leaves_.size());
    for (const auto& leaf : leaves_)
        out.push_back(leaf.get());
    return out;
}

void TREParseTree::ForceCharsExclusive() {
    std::size_t i = 0;
    while (i < leaves_.size()) {
        bool split = false;
        for (std::size_t j = i + 1; j < leaves_.size(); ++j) {
            TREParseTreeNode* x = leaves_[i].get();
            TREParseTreeNode* y = leaves_[j].get();
            if (x->lo <= y->hi && y->lo <= x->hi) {
                // A starts lower; on equal lo the earlier of the two.
                if (y->lo < x->lo)
                    SplitLeaves(y, x);
                else
                    SplitLeaves(x, y);
                split = true;
                break;
            }
        }
        if (!split)
            ++i;
    }
}

void TREParseTree::SplitLeaves(TREParseTreeNode* a, TREParseTreeNode* b) {
    const CharCode aLo = a->lo, aHi = a->hi, bLo = b->lo, bHi = b->hi;
    const CharCode commonHi = std::min(aHi, bHi);
    TREParseTreeNode* below = aLo < bLo ? MakeLeaf(aLo, bLo - 1) : nullptr;
    TREParseTreeNode* common = MakeLeaf(bLo, commonHi);
    TREParseTreeNode* above = aHi != bHi ? MakeLeaf(commonHi + 1, std::max(aHi, bHi)) : nullptr;
    auto isPiece = [&](const TREParseTreeNode* n) {
        return n == below || n == common || n == above;
    };
    if (!isPiece(a))
        ConvertToUnion(a, below, common, aHi > bHi ? above : nullptr);
    if (!isPiece(b))
        ConvertToUnion(b, nullptr, common, bHi > aHi ? above : nullptr);
}

void TREParseTree::ConvertToUnion(TREParseTreeNode* leaf, TREParseTreeNode* p1,
                                  TREParseTreeNode* p2, TREParseTreeNode* p3) {
    std::vector<TREParseTreeNode*> pieces;
    for (TREParseTreeNode* p : {p1, p2, p3}) {
        if (p)
            pieces.push_back(p);
    }
    if (pieces.size() < 2)
        RaiseInternalError(msg::kTreeFatal);
    const auto owned = std::find_if(leaves_.begin(), leaves_.end(),
                                    [&](const auto& l) { return l.get() == leaf; });
    if (owned == leaves_.end())
        RaiseInternalError(msg::kTreeFatal);
    leafIndex_.erase({leaf->lo, leaf->hi});
    nodes_.push_back(std::move(*owned));
    leaves_.erase(owned);
    leaf->kind = TREParseTreeKind::Union;
    leaf->lo = leaf->hi = 0;
    if (pieces.size() == 2) {
        leaf->left = pieces[0];
        leaf->right = pieces[1];
    } else {
        leaf->left = MakeInternalNode(TREParseTreeKind::Union, pieces[0], pieces[1]);
        leaf->right = pieces[2];
    }
}

} // namespace regexp
