// The parse tree of a pattern. Character-range leaves are unique per range and shared wherever
// the pattern uses that range, so the tree is a directed acyclic graph; the tree's two lists,
// not the parents, own the nodes.
#pragma once

#include "select/regexp/CharCodes.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace regexp {

enum class TREParseTreeKind : int {
    CharRange = 0, // lo..hi
    LineHead = 1,  // "^"; lo holds the character used when it is not an anchor
    LineTail = 2,  // "$"; likewise
    Concat = 3,    // left then right
    Union = 4,     // left or right
    Closure = 5,   // zero or more of left
    Empty = 6,     // the empty string
};

struct TREParseTreeNode {
    TREParseTreeKind kind = TREParseTreeKind::Empty;
    CharCode lo = 0;
    CharCode hi = 0;
    TREParseTreeNode* left = nullptr;
    TREParseTreeNode* right = nullptr;
};

class TREParseTree {
public:
    TREParseTree() = default;
    virtual ~TREParseTree() = default;
    TREParseTree(const TREParseTree&) = delete;
    TREParseTree& operator=(const TREParseTree&) = delete;

    // The node for ".": union(union(1..9, 11..12), 14..AnyCharMax()).
    virtual TREParseTreeNode* MakeAnyCharNode();

    // The leaf for lo..hi; the existing one when the tree already holds that range.
    TREParseTreeNode* MakeLeaf(CharCode lo, CharCode hi);
    TREParseTreeNode* MakeInternalNode(TREParseTreeKind kind, TREParseTreeNode* left,
                                       TREParseTreeNode* right);
    TREParseTreeNode* MakeLineHeadNode(CharCode c);
    TREParseTreeNode* MakeLineTailNode(CharCode c);

    // Splits overlapping leaves until every two leaves are disjoint; a split leaf becomes, in
    // place, the union of its pieces, so that every reference to it keeps its meaning.
    void ForceCharsExclusive();

    TREParseTreeNode* Root() const { return root_; }
    void SetRoot(TREParseTreeNode* root) { root_ = root; }
    // The leaves in list order.
    std::vector<const TREParseTreeNode*> Leaves() const;

private:
    void SplitLeaves(TREParseTreeNode* a, TREParseTreeNode* b);
    // Turns a leaf into the union of its pieces (two or three, in order) and moves it from
    // the leaf list to the node list.
    void ConvertToUnion(TREParseTreeNode* leaf, TREParseTreeNode* p1, TREParseTreeNode* p2,
                        TREParseTreeNode* p3);

    TREParseTreeNode* root_ = nullptr;
    std::vector<std::unique_ptr<TREParseTreeNode>> nodes_;
    std::vector<std::unique_ptr<TREParseTreeNode>> leaves_;
    std::map<std::pair<CharCode, CharCode>, TREParseTreeNode*> leafIndex_;
};

// The any-character set as its three ranges: every code but 0, line feed and carriage return.
std::vector<std::pair<CharCode, CharCode>> AnyCharRanges();

} // namespace regexp
