#include "select/regexp/TREParser.h"

#include "select/regexp/ERegExpParser.h"

#include <list>
#include <utility>

namespace regexp {

namespace {

// Groups nest no deeper than this, so that a hostile pattern cannot exhaust the stack.
constexpr int kMaxGroupDepth = 1000;

} // namespace

TREParser::TREParser(std::string_view pattern)
    : scanner_(pattern), tree_(std::make_unique<TREParseTree>()) {}

void TREParser::Run() {
    scanner_.GetToken();
    TREParseTreeNode* root = Regex();
    if (scanner_.Token() != TREToken::End)
        RaiseParserError(msg::kSurplusChars, scanner_.Position());
    tree_->SetRoot(root);
    tree_->ForceCharsExclusive();
}

TREParseTreeNode* TREParser::Regex() {
    TREParseTreeNode* node = Term();
    while (scanner_.Token() == TREToken::Union) {
        scanner_.GetToken();
        node = tree_->MakeInternalNode(TREParseTreeKind::Union, node, Term());
    }
    return node;
}

TREParseTreeNode* TREParser::Term() {
    auto endsTerm = [this] {
        const TREToken t = scanner_.Token();
        return t == TREToken::Union || t == TREToken::RPar || t == TREToken::End;
    };
    if (endsTerm())
        return tree_->MakeInternalNode(TREParseTreeKind::Empty, nullptr, nullptr);
    TREParseTreeNode* node = Factor();
    while (!endsTerm())
        node = tree_->MakeInternalNode(TREParseTreeKind::Concat, node, Factor());
    return node;
}

TREParseTreeNode* TREParser::Factor() {
    TREParseTreeNode* primary = Primary();
    switch (scanner_.Token()) {
    case TREToken::Star:
        scanner_.GetToken();
        return tree_->MakeInternalNode(TREParseTreeKind::Closure, primary, nullptr);
    case TREToken::Plus: {
        scanner_.GetToken();
        TREParseTreeNode* closure =
            tree_->MakeInternalNode(TREParseTreeKind::Closure, primary, nullptr);
        return tree_->MakeInternalNode(TREParseTreeKind::Concat, primary, closure);
    }
    case TREToken::Question:
        scanner_.GetToken();
        return tree_->MakeInternalNode(
            TREParseTreeKind::Union, primary,
            tree_->MakeInternalNode(TREParseTreeKind::Empty, nullptr, nullptr));
    default:
        return primary;
    }
}

TREParseTreeNode* TREParser::Primary() {
    TREParseTreeNode* node = nullptr;
    switch (scanner_.Token()) {
    case TREToken::Char:
        node = tree_->MakeLeaf(scanner_.Code(), scanner_.Code());
        break;
    case TREToken::LPar:
        if (++depth_ > kMaxGroupDepth)
            RaiseParserError(msg::kNestedTooDeep, scanner_.Position());
        scanner_.GetToken();
        node = Regex();
        if (scanner_.Token() != TREToken::RPar)
            RaiseParserError(msg::kRightParen, scanner_.Position());
        --depth_;
        break;
    case TREToken::ClassOpen:
        node = CharClass(*tree_);
        break;
    case TREToken::NegClassOpen:
        node = NegCharClass();
        break;
    case TREToken::AnyChar:
        node = tree_->MakeAnyCharNode();
        break;
    case TREToken::LineHead:
        node = tree_->MakeLineHeadNode('^');
        break;
    case TREToken::LineTail:
        node = tree_->MakeLineTailNode('$');
        break;
    default:
        RaiseParserError(msg::kCharOrLeftParen, scanner_.Position());
    }
    scanner_.GetToken();
    return node;
}

TREParseTreeNode* TREParser::CharClass(TREParseTree& tree) {
    auto member = [&]() {
        const CharCode lo = scanner_.Code();
        const CharCode hi = scanner_.Token() == TREToken::Range ? scanner_.HiCode() : lo;
        return tree.MakeLeaf(lo, hi);
    };
    if (scanner_.GetToken() == TREToken::ClassClose)
        RaiseParserError(msg::kInvalidClass, scanner_.Position());
    TREParseTreeNode* node = member();
    while (scanner_.GetToken() != TREToken::ClassClose)
        node = tree.MakeInternalNode(TREParseTreeKind::Union, node, member());
    return node;
}

TREParseTreeNode* TREParser::NegCharClass() {
    TREParseTree members;
    CharClass(members);
    members.ForceCharsExclusive();

    // Subtract every member from the any-character set; the parts of a range that survive a
    // member go to the end of the list, where later members meet them.
    std::list<std::pair<CharCode, CharCode>> remaining;
    for (const auto& r : AnyCharRanges())
        remaining.push_back(r);
    for (const TREParseTreeNode* m : members.Leaves()) {
        for (auto it = remaining.begin(); it != remaining.end();) {
            const auto [lo, hi] = *it;
            if (hi < m->lo || lo > m->hi) {
                ++it;
                continue;
            }
            it = remaining.erase(it);
            if (lo < m->lo)
                remaining.emplace_back(lo, m->lo - 1);
            if (hi > m->hi)
                remaining.emplace_back(m->hi + 1, hi);
        }
    }

    // Nothing left: a leaf for code 0, which no search ever consumes, so the class matches
    // nothing.
    if (remaining.empty())
        return tree_->MakeLeaf(0, 0);
    TREParseTreeNode* node = nullptr;
    for (const auto& [lo, hi] : remaining) {
        TREParseTreeNode* leaf = tree_->MakeLeaf(lo, hi);
        node = node ? tree_->MakeInternalNode(TREParseTreeKind::Union, node, leaf) : leaf;
    }
    return node;
}

} // namespace regexp
