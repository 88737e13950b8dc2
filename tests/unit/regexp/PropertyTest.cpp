// Random patterns of the dialect's common subset (characters, ".", classes, negated classes,
// groups, "|", "*", "+", "?", "^" at the start and "$" at the end of a top-level alternative)
// against random subjects: the engine must find the same match as a plain backtracking
// matcher written here, which enumerates every way a pattern can match and takes the leftmost
// start and the longest match there.
#include "RegExpTestSupport.h"
#include "select/regexp/TREParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace regexp;
using regexp_test::CodePageScope;

namespace {

struct Node {
    enum Kind { Lit, Any, Set, NegSet, Cat, Alt, Star, Plus, Opt, Empty, Bol, Eol } kind;
    CharCode code = 0;
    std::vector<std::pair<CharCode, CharCode>> members;
    std::unique_ptr<Node> a, b;
};

using NodePtr = std::unique_ptr<Node>;

NodePtr Make(Node::Kind kind, NodePtr a = nullptr, NodePtr b = nullptr) {
    auto n = std::make_unique<Node>();
    n->kind = kind;
    n->a = std::move(a);
    n->b = std::move(b);
    return n;
}

class Generator {
public:
    Generator(std::mt19937& rng, std::vector<CharCode> alphabet)
        : rng_(rng), alphabet_(std::move(alphabet)) {}

    CharCode Letter() { return alphabet_[rng_() % alphabet_.size()]; }

    NodePtr Regex(int depth) {
        const unsigned r = rng_() % 10;
        if (depth <= 0 || r < 3)
            return Atom(depth);
        if (r < 6)
            return Make(Node::Cat, Regex(depth - 1), Regex(depth - 1));
        if (r < 8)
            return Make(Node::Alt, Regex(depth - 1), Regex(depth - 1));
        static const Node::Kind postfix[] = {Node::Star, Node::Plus, Node::Opt};
        return Make(postfix[rng_() % 3], Atom(depth - 1));
    }

    NodePtr Atom(int depth) {
        const unsigned r = rng_() % 12;
        if (r < 6) {
            auto n = Make(Node::Lit);
            n->code = Letter();
            return n;
        }
        if (r == 6)
            return Make(Node::Any);
        if (r == 7 || r == 8) {
            auto n = Make(r == 7 ? Node::Set : Node::NegSet);
            const int count = 1 + static_cast<int>(rng_() % 3);
            for (int i = 0; i < count; ++i) {
                CharCode lo = Letter(), hi = Letter();
                if (rng_() % 2 || lo > hi)
                    hi = lo;
                n->members.emplace_back(lo, hi);
            }
            return n;
        }
        if (r == 9)
            return Make(Node::Empty);
        return depth > 0 ? Regex(depth - 1) : Atom(0);
    }

    // One to three top-level alternatives, each possibly anchored at either end.
    NodePtr Top() {
        NodePtr top;
        const int branches = 1 + static_cast<int>(rng_() % 3);
        for (int i = 0; i < branches; ++i) {
            NodePtr branch = Regex(3);
            if (rng_() % 3 == 0)
                branch = Make(Node::Cat, Make(Node::Bol), std::move(branch));
            if (rng_() % 3 == 0)
                branch = Make(Node::Cat, std::move(branch), Make(Node::Eol));
            top = top ? Make(Node::Alt, std::move(top), std::move(branch)) : std::move(branch);
        }
        return top;
    }

private:
    std::mt19937& rng_;
    std::vector<CharCode> alphabet_;
};

std::string Char(CharCode c) {
    if (c == '.')
        return "\\.";
    return platform::EncodeChar(c);
}

bool IsAtom(const Node& n) {
    return n.kind == Node::Lit || n.kind == Node::Any || n.kind == Node::Set ||
           n.kind == Node::NegSet;
}

// The pattern text; alternatives inside a concatenation and compound operands of a postfix
// operator are put in parentheses.
std::string Render(const Node& n) {
    switch (n.kind) {
    case Node::Lit:
        return Char(n.code);
    case Node::Any:
        return ".";
    case Node::Set:
    case Node::NegSet: {
        std::string s = n.kind == Node::Set ? "[" : "[^";
        for (const auto& [lo, hi] : n.members) {
            s += Char(lo);
            if (hi != lo)
                s += "-" + Char(hi);
        }
        return s + "]";
    }
    case Node::Cat: {
        auto part = [](const Node& x) {
            return x.kind == Node::Alt ? "(" + Render(x) + ")" : Render(x);
        };
        return part(*n.a) + part(*n.b);
    }
    case Node::Alt:
        return Render(*n.a) + "|" + Render(*n.b);
    case Node::Star:
    case Node::Plus:
    case Node::Opt: {
        const std::string operand = IsAtom(*n.a) ? Render(*n.a) : "(" + Render(*n.a) + ")";
        return operand + (n.kind == Node::Star ? "*" : n.kind == Node::Plus ? "+" : "?");
    }
    case Node::Empty:
        return "()";
    case Node::Bol:
        return "^";
    case Node::Eol:
        return "$";
    }
    return "";
}

// The backtracking matcher: every end position at which n, started at pos, can end.
class Oracle {
public:
    Oracle(const std::vector<CharCode>& subject, CharCode anyMax) : s_(subject), anyMax_(anyMax) {}

    std::set<int> Ends(const Node& n, int pos) const {
        const int size = static_cast<int>(s_.size());
        auto one = [&](bool ok) { return ok ? std::set<int>{pos + 1} : std::set<int>{}; };
        switch (n.kind) {
        case Node::Lit:
            return one(pos < size && s_[pos] == n.code);
        case Node::Any:
            return one(pos < size && IsAny(s_[pos]));
        case Node::Set:
            return one(pos < size && InMembers(n, s_[pos]));
        case Node::NegSet:
            return one(pos < size && IsAny(s_[pos]) && !InMembers(n, s_[pos]));
        case Node::Cat: {
            std::set<int> out;
            for (const int mid : Ends(*n.a, pos)) {
                const auto rest = Ends(*n.b, mid);
                out.insert(rest.begin(), rest.end());
            }
            return out;
        }
        case Node::Alt: {
            auto out = Ends(*n.a, pos);
            const auto other = Ends(*n.b, pos);
            out.insert(other.begin(), other.end());
            return out;
        }
        case Node::Star:
        case Node::Plus: {
            std::set<int> reached;
            std::vector<int> frontier{pos};
            if (n.kind == Node::Star)
                reached.insert(pos);
            while (!frontier.empty()) {
                const int p = frontier.back();
                frontier.pop_back();
                for (const int e : Ends(*n.a, p)) {
                    if (reached.insert(e).second)
                        frontier.push_back(e);
                }
            }
            return reached;
        }
        case Node::Opt: {
            auto out = Ends(*n.a, pos);
            out.insert(pos);
            return out;
        }
        case Node::Empty:
            return {pos};
        case Node::Bol:
            return pos == 0 ? std::set<int>{pos} : std::set<int>{};
        case Node::Eol:
            return pos == size ? std::set<int>{pos} : std::set<int>{};
        }
        return {};
    }

    // The leftmost start and the longest end there, in characters; {-1, -1} for none.
    std::pair<int, int> Search(const Node& top) const {
        for (int start = 0; start <= static_cast<int>(s_.size()); ++start) {
            const auto ends = Ends(top, start);
            if (!ends.empty())
                return {start, *ends.rbegin()};
        }
        return {-1, -1};
    }

private:
    bool IsAny(CharCode c) const { return c != 0 && c != 10 && c != 13 && c <= anyMax_; }
    static bool InMembers(const Node& n, CharCode c) {
        for (const auto& [lo, hi] : n.members) {
            if (lo <= c && c <= hi)
                return true;
        }
        return false;
    }

    const std::vector<CharCode>& s_;
    CharCode anyMax_;
};

void CompareWithOracle(platform::CodePage cp, const std::vector<CharCode>& alphabet,
                       unsigned seed) {
    CodePageScope scope(cp);
    std::mt19937 rng(seed);
    Generator generator(rng, alphabet);
    TAWKStr awk;
    int compared = 0;
    for (int round = 0; round < 1500; ++round) {
        const NodePtr top = generator.Top();
        const std::string pattern = Render(*top);
        ASSERT_NO_THROW(awk.SetRegExp(pattern)) << pattern;

        // The leaves the automaton is built from are pairwise disjoint.
        TREParser parser(pattern);
        parser.Run();
        auto leaves = parser.ParseTree().Leaves();
        std::sort(leaves.begin(), leaves.end(),
                  [](const auto* x, const auto* y) { return x->lo < y->lo; });
        for (std::size_t i = 1; i < leaves.size(); ++i)
            ASSERT_LT(leaves[i - 1]->hi, leaves[i]->lo) << pattern;

        for (int k = 0; k < 25; ++k) {
            std::vector<CharCode> chars;
            std::vector<std::size_t> offsets{0};
            std::string subject;
            const int length = static_cast<int>(rng() % 8);
            for (int i = 0; i < length; ++i) {
                const CharCode c = rng() % 6 == 0 ? 'x' : generator.Letter();
                chars.push_back(c);
                subject += platform::EncodeChar(c);
                offsets.push_back(subject.size());
            }
            const auto [start, end] = Oracle(chars, AnyCharMax()).Search(*top);
            regexp_test::Found expected;
            if (start >= 0)
                expected = {offsets[start] + 1, offsets[end] - offsets[start]};
            ASSERT_EQ(regexp_test::MatchWith(awk, subject), expected)
                << "pattern '" << pattern << "' subject '" << subject << "'";
            ++compared;
        }
    }
    EXPECT_EQ(compared, 1500 * 25);
}

} // namespace

TEST(RegExpProperty, AgreesWithABacktrackingMatcherUnderUtf8) {
    // a, b, c, ".", 表 (U+8868) and あ (U+3042).
    CompareWithOracle(platform::CodePage::Utf8, {'a', 'b', 'c', '.', 0x8868, 0x3042}, 1234);
}

TEST(RegExpProperty, AgreesWithABacktrackingMatcherUnderCp932) {
    // a, b, c, ".", 表 (0x955C) and ソ (0x835C), whose trail bytes are backslashes.
    CompareWithOracle(platform::CodePage::Cp932, {'a', 'b', 'c', '.', 0x955C, 0x835C}, 5678);
}
