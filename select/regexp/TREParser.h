// Parses a pattern into a TREParseTree:
//   pattern := term ("|" term)*
//   term    := factor* (empty when the next token is "|", ")" or the end)
//   factor  := primary ("*" | "+" | "?")?
//   primary := char | "(" pattern ")" | class | negated class | "." | "^" | "$"
#pragma once

#include "select/regexp/TREParseTree.h"
#include "select/regexp/TREScanner.h"

#include <memory>
#include <string_view>

namespace regexp {

class TREParser {
public:
    explicit TREParser(std::string_view pattern);

    // Parses the whole pattern, stores the root and makes the leaves disjoint. Raises
    // ERegExpParser on a syntax error.
    void Run();

    TREParseTree& ParseTree() { return *tree_; }
    std::unique_ptr<TREParseTree> TakeParseTree() { return std::move(tree_); }

private:
    TREParseTreeNode* Regex();
    TREParseTreeNode* Term();
    TREParseTreeNode* Factor();
    TREParseTreeNode* Primary();
    // The members of a class up to "]", as unions of leaves of tree; the current token is the
    // class open.
    TREParseTreeNode* CharClass(TREParseTree& tree);
    // The any-character set minus the members of a class.
    TREParseTreeNode* NegCharClass();

    TREScanner scanner_;
    std::unique_ptr<TREParseTree> tree_;
    int depth_ = 0;
};

} // namespace regexp
