// Random wildcard lists against random names, compared with independent oracles: glibc fnmatch
// for names and items of ASCII characters, and a small backtracking glob matcher for names and
// items with Japanese characters under UTF-8 and CP932. (glibc's fnmatch cannot serve there: in
// a UTF-8 locale it lets "?*?" match a single multi-byte character.) The oracles apply the list
// rules themselves: items separated by ";", directory items ending in "\", a trailing ".*"
// dropped, an item without "." a prefix, an item starting with "." a suffix.
#include "platform/CodePage.h"
#include "select/TFileNameCompare.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <random>
#include <string>
#include <vector>

using selection::TFileNameCompare;

namespace {

struct Token {
    enum Kind { Lit, Star, Quest, DirMark } kind;
    std::uint32_t code = 0;
};
using Item = std::vector<Token>;

class ListGenerator {
public:
    ListGenerator(std::mt19937& rng, std::vector<std::uint32_t> letters)
        : rng_(rng), letters_(std::move(letters)) {}

    std::uint32_t Letter() { return letters_[rng_() % letters_.size()]; }

    Item RandomItem() {
        Item item;
        const int length = static_cast<int>(rng_() % 6);
        for (int i = 0; i < length; ++i) {
            const unsigned r = rng_() % 10;
            if (r < 2)
                item.push_back({Token::Star});
            else if (r < 3)
                item.push_back({Token::Quest});
            else
                item.push_back({Token::Lit, Letter()});
        }
        if (rng_() % 8 == 0)
            item.push_back({Token::Lit, '.'}), item.push_back({Token::Star});
        if (rng_() % 4 == 0)
            item.push_back({Token::DirMark});
        return item;
    }

    std::vector<Item> RandomList() {
        std::vector<Item> items;
        const int count = 1 + static_cast<int>(rng_() % 4);
        for (int i = 0; i < count; ++i)
            items.push_back(RandomItem());
        return items;
    }

    std::vector<std::uint32_t> RandomName() {
        std::vector<std::uint32_t> name;
        const int length = static_cast<int>(rng_() % 9);
        for (int i = 0; i < length; ++i)
            name.push_back(Letter());
        return name;
    }

private:
    std::mt19937& rng_;
    std::vector<std::uint32_t> letters_;
};

std::string Encode(const std::vector<std::uint32_t>& codes) {
    std::string s;
    for (const auto c : codes)
        s += platform::EncodeChar(c);
    return s;
}

std::string Text(const std::vector<Item>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += ';';
        for (const Token& t : items[i]) {
            switch (t.kind) {
            case Token::Lit:
                text += platform::EncodeChar(t.code);
                break;
            case Token::Star:
                text += '*';
                break;
            case Token::Quest:
                text += '?';
                break;
            case Token::DirMark:
                text += '\\';
                break;
            }
        }
    }
    return text;
}

// The items of a list that the reading keeps, rewritten into whole-name globs.
std::vector<Item> Globs(const std::vector<Item>& items, bool directories) {
    std::vector<Item> globs;
    for (Item item : items) {
        const bool isDir = !item.empty() && item.back().kind == Token::DirMark;
        if (item.empty() || isDir != directories)
            continue;
        if (isDir)
            item.pop_back();
        if (item.size() >= 2 && item[item.size() - 2].kind == Token::Lit &&
            item[item.size() - 2].code == '.' && item.back().kind == Token::Star)
            item.resize(item.size() - 2);
        bool hasDot = false;
        for (const Token& t : item)
            hasDot = hasDot || (t.kind == Token::Lit && t.code == '.');
        const bool leadingDot = !item.empty() && item[0].kind == Token::Lit && item[0].code == '.';
        if (leadingDot)
            item.insert(item.begin(), Token{Token::Star});
        if (!hasDot)
            item.push_back({Token::Star});
        globs.push_back(item);
    }
    return globs;
}

bool GlobMatch(const Item& glob, std::size_t g, const std::vector<std::uint32_t>& name,
               std::size_t n) {
    if (g == glob.size())
        return n == name.size();
    switch (glob[g].kind) {
    case Token::Star:
        for (std::size_t k = n; k <= name.size(); ++k) {
            if (GlobMatch(glob, g + 1, name, k))
                return true;
        }
        return false;
    case Token::Quest:
        return n < name.size() && GlobMatch(glob, g + 1, name, n + 1);
    default:
        return n < name.size() && name[n] == glob[g].code && GlobMatch(glob, g + 1, name, n + 1);
    }
}

std::string FnmatchPattern(const Item& glob) {
    std::string p;
    for (const Token& t : glob) {
        if (t.kind == Token::Star)
            p += '*';
        else if (t.kind == Token::Quest)
            p += '?';
        else if (t.code == '[' || t.code == ']' || t.code == '\\')
            p += "\\" + platform::EncodeChar(t.code);
        else
            p += platform::EncodeChar(t.code);
    }
    return p;
}

enum class OracleKind { Fnmatch, Backtracking };

void CompareWithOracle(platform::CodePage cp, const std::vector<std::uint32_t>& letters,
                       OracleKind oracle, unsigned seed) {
    platform::SetCodePage(cp);
    std::mt19937 rng(seed);
    ListGenerator generator(rng, letters);
    int compared = 0, matched = 0;
    for (int round = 0; round < 1500; ++round) {
        const std::vector<Item> items = generator.RandomList();
        const std::string text = Text(items);
        for (const bool directories : {false, true}) {
            TFileNameCompare list;
            if (directories)
                list.SetDirPatterns(text);
            else
                list.SetFilePatterns(text);
            const std::vector<Item> globs = Globs(items, directories);
            ASSERT_EQ(list.Items().size(), globs.size()) << text;

            // Loading PatternText again the same way gives the same list.
            TFileNameCompare again;
            if (directories)
                again.SetDirPatterns(list.PatternText());
            else
                again.SetFilePatterns(list.PatternText());
            ASSERT_EQ(again.Items(), list.Items()) << text;

            for (int k = 0; k < 20; ++k) {
                const auto codes = generator.RandomName();
                const std::string name = Encode(codes);
                bool expected = false;
                for (const Item& glob : globs) {
                    expected = oracle == OracleKind::Fnmatch
                                   ? fnmatch(FnmatchPattern(glob).c_str(), name.c_str(), 0) == 0
                                   : GlobMatch(glob, 0, codes, 0);
                    if (expected)
                        break;
                }
                ASSERT_EQ(list.MatchName(name), expected)
                    << "text '" << text << "' " << (directories ? "(directories)" : "(files)")
                    << " name '" << name << "'";
                ++compared;
                matched += expected ? 1 : 0;
            }
        }
    }
    platform::SetCodePage(platform::CodePage::Utf8);
    EXPECT_EQ(compared, 1500 * 2 * 20);
    // Both outcomes occur often enough for the comparison to mean something.
    EXPECT_GT(matched, compared / 20);
    EXPECT_LT(matched, compared - compared / 20);
}

// Letters: ordinary characters, regular-expression symbols and two Japanese characters.
const std::vector<std::uint32_t> kAscii = {'a', 'b', 'x', '.', '.', ' ', '+', '(',
                                           ')', '^', '$', '[', ']', '|', '{', '-'};

std::vector<std::uint32_t> With(std::vector<std::uint32_t> letters, std::uint32_t j1,
                                std::uint32_t j2) {
    letters.push_back(j1);
    letters.push_back(j2);
    letters.push_back(j1);
    return letters;
}

} // namespace

TEST(WildcardProperty, AgreesWithFnmatchOnAsciiNames) {
    CompareWithOracle(platform::CodePage::Utf8, kAscii, OracleKind::Fnmatch, 99);
}

TEST(WildcardProperty, AgreesWithABacktrackingGlobMatcherUnderUtf8) {
    // 表 (U+8868) and ソ (U+30BD).
    CompareWithOracle(platform::CodePage::Utf8, With(kAscii, 0x8868, 0x30BD),
                      OracleKind::Backtracking, 55);
}

TEST(WildcardProperty, AgreesWithABacktrackingGlobMatcherUnderCp932) {
    // 表 (0x955C) and ソ (0x835C), whose trail bytes are backslashes.
    CompareWithOracle(platform::CodePage::Cp932, With(kAscii, 0x955C, 0x835C),
                      OracleKind::Backtracking, 77);
}
