#include "RegExpTestSupport.h"
#include "select/regexp/TREParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

using namespace regexp;
using regexp_test::CodePageScope;
using regexp_test::ErrorOf;

namespace {

using Ranges = std::vector<std::pair<CharCode, CharCode>>;

Ranges LeafRanges(const TREParseTree& tree) {
    Ranges out;
    for (const TREParseTreeNode* leaf : tree.Leaves())
        out.emplace_back(leaf->lo, leaf->hi);
    std::sort(out.begin(), out.end());
    return out;
}

// The characters a class node stands for: its leaves under unions, sorted and merged.
Ranges ClassRanges(const TREParseTreeNode* node) {
    Ranges out;
    std::vector<const TREParseTreeNode*> stack{node};
    while (!stack.empty()) {
        const TREParseTreeNode* n = stack.back();
        stack.pop_back();
        if (n->kind == TREParseTreeKind::CharRange) {
            out.emplace_back(n->lo, n->hi);
        } else {
            EXPECT_EQ(n->kind, TREParseTreeKind::Union);
            stack.push_back(n->left);
            stack.push_back(n->right);
        }
    }
    std::sort(out.begin(), out.end());
    Ranges merged;
    for (const auto& r : out) {
        if (!merged.empty() && merged.back().second + 1 >= r.first)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    return merged;
}

struct Parsed {
    std::unique_ptr<TREParseTree> tree;
    const TREParseTreeNode* root() const { return tree->Root(); }
};

Parsed Parse(std::string_view pattern) {
    TREParser parser(pattern);
    parser.Run();
    return {parser.TakeParseTree()};
}

} // namespace

TEST(TREParser, EverySyntaxErrorHasItsMessageAndPosition) {
    struct Case {
        const char* pattern;
        const char* message;
        std::size_t pos;
    };
    const Case cases[] = {
        {"\\", msg::kCharAfterBackslash, 2}, {"a\\", msg::kCharAfterBackslash, 3},
        {"\\x", msg::kInvalidHex, 3},        {"\\xg", msg::kInvalidHex, 4},
        {"[\\x]", msg::kInvalidHex, 5},      {"\\200000", msg::kInvalidOctal, 8},
        {"[", msg::kRightBracket, 2},        {"[^", msg::kRightBracket, 3},
        {"[a", msg::kRightBracket, 3},       {"[a-", msg::kRightBracket, 4},
        {"[\\]", msg::kRightBracket, 4},     {"[z-a]", msg::kInvalidRange, 5},
        {"[]", msg::kInvalidClass, 3},       {"[^]", msg::kInvalidClass, 4},
        {"[]]", msg::kInvalidClass, 3},      {"(a", msg::kRightParen, 3},
        {"((a)", msg::kRightParen, 5},       {"a**", msg::kCharOrLeftParen, 4},
        {"a+*", msg::kCharOrLeftParen, 4},   {"a+?", msg::kCharOrLeftParen, 4},
        {"*a", msg::kCharOrLeftParen, 2},    {"+", msg::kCharOrLeftParen, 2},
        {"?", msg::kCharOrLeftParen, 2},     {"]", msg::kCharOrLeftParen, 2},
        {"a|*", msg::kCharOrLeftParen, 4},   {"a)", msg::kSurplusChars, 3},
        {"())", msg::kSurplusChars, 4},
    };
    for (const Case& c : cases) {
        const auto error = ErrorOf(c.pattern);
        EXPECT_EQ(error.message, c.message) << c.pattern;
        EXPECT_EQ(error.pos, c.pos) << c.pattern;
    }
}

TEST(TREParser, ValidPatternsOfTheDialect) {
    for (const char* pattern :
         {"", "a|", "|a", "a||b", "(|x)", "()", "a{2}", "\\]", "[a-]", "[-a]", "[\\]]", "[^^]",
          "x^y", "a$b", "^*", "\\177777", "$vm$[0-9]+\\.zip$"})
        EXPECT_EQ(ErrorOf(pattern).message, "") << pattern;
}

TEST(TREParser, Cp932LoneLeadByteAtTheEndIsReportedAtThatByte) {
    CodePageScope cp(platform::CodePage::Cp932);
    const auto lone = ErrorOf("\x82");
    EXPECT_EQ(lone.message, platform::FromUtf8(msg::kInvalidDoubleByte));
    EXPECT_EQ(lone.pos, 1u);
    const auto late = ErrorOf("ab\x95");
    EXPECT_EQ(late.message, platform::FromUtf8(msg::kInvalidDoubleByte));
    EXPECT_EQ(late.pos, 3u);
    // Messages come in the active code page.
    EXPECT_EQ(ErrorOf("(a").message, platform::FromUtf8(msg::kRightParen));
    EXPECT_NE(ErrorOf("(a").message, msg::kRightParen);
}

TEST(TREParser, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
    const std::string ok = std::string(1000, '(') + "a" + std::string(1000, ')');
    EXPECT_EQ(ErrorOf(ok).message, "");
    const std::string deep = std::string(100000, '(') + "a" + std::string(100000, ')');
    EXPECT_EQ(ErrorOf(deep).message, msg::kNestedTooDeep);
    // A long flat pattern is fine: building it does not recurse per character.
    const std::string flat = std::string(5000, 'a') + "b";
    EXPECT_EQ(regexp_test::Find(flat, "x" + flat), (regexp_test::Found{2, 5001}));
    // One that would need too big an automaton is refused with a message, not a crash.
    EXPECT_EQ(ErrorOf(std::string(20000, 'a')).message, msg::kTooComplex);
    EXPECT_EQ(ErrorOf("((((((((((((((((((((a+)+)+)+)+)+)+)+)+)+)+)+)+)+)+)+)+)+)+)+)+").message,
              msg::kTooComplex);
}

TEST(TREParser, TreeShapesShareNodes) {
    // A repeated character is one shared leaf.
    const Parsed twice = Parse("aa");
    ASSERT_EQ(twice.root()->kind, TREParseTreeKind::Concat);
    EXPECT_EQ(twice.root()->left, twice.root()->right);
    EXPECT_EQ(twice.tree->Leaves().size(), 1u);

    // "+" references its operand twice: concat(p, closure(p)).
    const Parsed plus = Parse("(ab)+");
    ASSERT_EQ(plus.root()->kind, TREParseTreeKind::Concat);
    ASSERT_EQ(plus.root()->right->kind, TREParseTreeKind::Closure);
    EXPECT_EQ(plus.root()->left, plus.root()->right->left);
    EXPECT_EQ(plus.root()->right->right, nullptr);

    const Parsed question = Parse("a?");
    ASSERT_EQ(question.root()->kind, TREParseTreeKind::Union);
    EXPECT_EQ(question.root()->right->kind, TREParseTreeKind::Empty);

    // Unions and concatenations associate to the left.
    const Parsed alternatives = Parse("a|b|c");
    ASSERT_EQ(alternatives.root()->kind, TREParseTreeKind::Union);
    EXPECT_EQ(alternatives.root()->left->kind, TREParseTreeKind::Union);
    EXPECT_EQ(alternatives.root()->right->lo, static_cast<CharCode>('c'));

    // Empty alternatives and the empty pattern are empty nodes.
    EXPECT_EQ(Parse("").root()->kind, TREParseTreeKind::Empty);
    EXPECT_EQ(Parse("a|").root()->right->kind, TREParseTreeKind::Empty);
    EXPECT_EQ(Parse("()").root()->kind, TREParseTreeKind::Empty);
}

TEST(TREParser, OverlappingLeavesBecomeDisjointWithoutChangingTheirMeaning) {
    // '[a-fd-k]': the leaves end as a..c, d..f and g..k; the class still means a..k.
    const Parsed overlap = Parse("[a-fd-k]");
    EXPECT_EQ(LeafRanges(*overlap.tree), (Ranges{{'a', 'c'}, {'d', 'f'}, {'g', 'k'}}));
    EXPECT_EQ(ClassRanges(overlap.root()), (Ranges{{'a', 'k'}}));

    const Parsed disjoint = Parse("[a-z0-9_]");
    EXPECT_EQ(LeafRanges(*disjoint.tree), (Ranges{{'0', '9'}, {'_', '_'}, {'a', 'z'}}));

    // A leaf referenced elsewhere keeps its meaning after it was split in place: in
    // '[a-f]x[d-k]a' the first class and the last "a" still denote a..f and a.
    const Parsed shared = Parse("[a-f]x[d-k]a");
    const TREParseTreeNode* first = shared.root()->left->left->left;
    EXPECT_EQ(ClassRanges(first), (Ranges{{'a', 'f'}}));
    EXPECT_EQ(ClassRanges(shared.root()->left->right), (Ranges{{'d', 'k'}}));
    EXPECT_EQ(ClassRanges(shared.root()->right), (Ranges{{'a', 'a'}}));
    const Ranges leaves = LeafRanges(*shared.tree);
    for (std::size_t i = 1; i < leaves.size(); ++i)
        EXPECT_LT(leaves[i - 1].second, leaves[i].first);

    // The characters of literal "^" and "$" are leaves too, so they never overlap a class.
    const Parsed literal = Parse("x[\\x5D-\\x60]^y");
    EXPECT_EQ(LeafRanges(*literal.tree),
              (Ranges{{0x5D, 0x5D}, {0x5E, 0x5E}, {0x5F, 0x60}, {'x', 'x'}, {'y', 'y'}}));
}

TEST(TREParser, NegatedClassesAreTheAnyCharacterSetMinusTheirMembers) {
    EXPECT_EQ(ClassRanges(Parse(".").root()), (Ranges{{1, 9}, {11, 12}, {14, 0x10FFFF}}));
    EXPECT_EQ(ClassRanges(Parse("[^a]").root()),
              (Ranges{{1, 9}, {11, 12}, {14, 96}, {98, 0x10FFFF}}));
    // The piece 11..12 lies wholly inside the member range and disappears.
    EXPECT_EQ(ClassRanges(Parse("[^\\t-\\r]").root()), (Ranges{{1, 8}, {14, 0x10FFFF}}));
    EXPECT_EQ(ClassRanges(Parse("[^^]").root()),
              (Ranges{{1, 9}, {11, 12}, {14, 93}, {95, 0x10FFFF}}));
    // Overlapping members are subtracted as their union.
    EXPECT_EQ(ClassRanges(Parse("[^b-dc-f\\n]").root()),
              (Ranges{{1, 9}, {11, 12}, {14, 'a'}, {'g', 0x10FFFF}}));

    CodePageScope cp(platform::CodePage::Cp932);
    EXPECT_EQ(ClassRanges(Parse("[^a]").root()),
              (Ranges{{1, 9}, {11, 12}, {14, 96}, {98, 0xFCFC}}));
}

TEST(TREParser, NegatedClassWithoutCharactersLeftMatchesNothing) {
    CodePageScope cp(platform::CodePage::SingleByte);
    const Parsed nothing = Parse("[^\\x01-\\xFF]");
    ASSERT_NE(nothing.root(), nullptr);
    EXPECT_EQ(ClassRanges(nothing.root()), (Ranges{{0, 0}}));
    EXPECT_EQ(regexp_test::Find("[^\\x01-\\xFF]", std::string("ab\0c", 4)), (regexp_test::Found{}));
    EXPECT_EQ(regexp_test::Find("a[^\\x01-\\xFF]|c", "abc"), (regexp_test::Found{3, 1}));
}
