#include "select/TFileNameCompare.h"
#include "platform/CodePage.h"
#include "select/regexp/ERegExpParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using selection::TFileNameCompare;
using Strings = std::vector<std::string>;

namespace {

class CodePageScope {
public:
    explicit CodePageScope(platform::CodePage cp) { platform::SetCodePage(cp); }
    ~CodePageScope() { platform::SetCodePage(platform::CodePage::Utf8); }
};

TFileNameCompare FileList(std::string_view text, bool regExp = false) {
    TFileNameCompare list;
    list.SetFilePatterns(text);
    list.SetUseRegExp(regExp);
    return list;
}

// The names among candidates that list matches.
Strings Matching(TFileNameCompare& list, const Strings& candidates) {
    Strings out;
    for (const auto& name : candidates) {
        if (list.MatchName(name))
            out.push_back(name);
    }
    return out;
}

} // namespace

TEST(WildcardToRegExp, TranslatesAsSpecifiedForEveryKindOfItem) {
    const std::pair<const char*, const char*> cases[] = {
        {"*.*", "^.*"},
        {"*", "^.*"},
        {"*.txt", "^.*\\.txt$"},
        {"a?c.doc", "^a.c\\.doc$"},
        {"abc", "^abc"},
        {".txt", ".*\\.txt$"},
        {"data.*", "^data"},
        {".*", "^"},
        {"*.", "^.*\\.$"},
        {"a+b(1).txt", "^a\\+b\\(1\\)\\.txt$"},
        {"[x]|^$", "^\\[x\\]\\|\\^\\$"},
        {"{a}-\\.b", "^{a}-\\\\.b$"},
        {"", "^"},
    };
    for (const auto& [item, expected] : cases)
        EXPECT_EQ(TFileNameCompare::WildcardToRegExp(item), expected) << item;
}

TEST(WildcardToRegExp, Cp932TrailBytesAreCopiedWithTheirCharacter) {
    CodePageScope cp(platform::CodePage::Cp932);
    // 表 ends in 0x5C, ゼ in 0x5B ("["), ポ in 0x7C ("|"), タ in 0x5E ("^").
    EXPECT_EQ(TFileNameCompare::WildcardToRegExp("\x95\x5C*"), "^\x95\x5C.*");
    EXPECT_EQ(TFileNameCompare::WildcardToRegExp("\x83\x5B?\x83\x7C.\x83\x5E"),
              "^\x83\x5B.\x83\x7C\\.\x83\x5E$");
}

TEST(TFileNameCompare, FileAndDirectoryItemsOfOneText) {
    TFileNameCompare files;
    files.SetFilePatterns("*.txt;*.doc\\;;temp\\");
    EXPECT_EQ(files.Items(), (Strings{"^.*\\.txt$"}));
    EXPECT_EQ(files.PatternText(), "*.txt");

    TFileNameCompare dirs;
    dirs.SetDirPatterns("*.txt;*.doc\\;;temp\\");
    EXPECT_EQ(dirs.Items(), (Strings{"^.*\\.doc$", "^temp"}));
    EXPECT_EQ(dirs.PatternText(), "*.doc\\;temp\\");
    EXPECT_TRUE(dirs.MatchName("x.doc"));
    EXPECT_TRUE(dirs.MatchName("temporary"));
    EXPECT_FALSE(dirs.MatchName("a.txt"));

    // Loading PatternText again the same way gives the same list.
    TFileNameCompare again;
    again.SetDirPatterns(dirs.PatternText());
    EXPECT_EQ(again.Items(), dirs.Items());
    // An item of only "\" names every directory.
    TFileNameCompare every;
    every.SetDirPatterns("\\");
    EXPECT_EQ(every.Items(), (Strings{"^"}));
    EXPECT_EQ(every.PatternText(), "\\");
    EXPECT_TRUE(every.MatchName("anything"));
    EXPECT_TRUE(every.MatchName(""));
}

TEST(TFileNameCompare, EmptyListsMatchNothing) {
    for (const char* text : {"", ";", ";;;", "a\\;b\\", "\\"}) {
        TFileNameCompare list = FileList(text);
        EXPECT_TRUE(list.Items().empty()) << text;
        EXPECT_EQ(list.PatternText(), "") << text;
        EXPECT_FALSE(list.MatchName("a.txt")) << text;
        EXPECT_FALSE(list.MatchName("")) << text;
    }
    TFileNameCompare fresh;
    EXPECT_FALSE(fresh.UseRegExp());
    EXPECT_FALSE(fresh.MatchName("x"));
}

TEST(TFileNameCompare, WildcardsMatchWholeNamesPrefixesAndSuffixes) {
    const Strings names = {"a.txt", ".txt",   "a.txt.bak", "atxt",  "abcdef.txt", "readme",
                           "abc",   "xabc",   "data.csv",  "data",  "a.b.c",      "",
                           "A.TXT", "a.txtx", "b.doc",     "ab.doc"};
    auto list = FileList("*.txt");
    EXPECT_EQ(Matching(list, names), (Strings{"a.txt", ".txt", "abcdef.txt"}));
    list = FileList("abc");
    EXPECT_EQ(Matching(list, names), (Strings{"abcdef.txt", "abc"}));
    list = FileList(".txt");
    EXPECT_EQ(Matching(list, names), (Strings{"a.txt", ".txt", "abcdef.txt"}));
    list = FileList("data.*");
    EXPECT_EQ(Matching(list, names), (Strings{"data.csv", "data"}));
    list = FileList("?.doc;a?c*");
    EXPECT_EQ(Matching(list, names), (Strings{"abcdef.txt", "abc", "b.doc"}));
    // Case is compared exactly; the callers lower-case names and patterns.
    list = FileList("*.TXT");
    EXPECT_EQ(Matching(list, names), (Strings{"A.TXT"}));
    for (const char* every : {"*.*", "*"}) {
        list = FileList(every);
        EXPECT_EQ(Matching(list, names), names) << every;
    }
}

TEST(TFileNameCompare, RegularExpressionSymbolsInWildcardsAreLiteral) {
    auto list = FileList("a+b(1).txt");
    EXPECT_EQ(Matching(list, {"a+b(1).txt", "aab1.txt", "a+b(1)xtxt", "aa+b(1).txt"}),
              (Strings{"a+b(1).txt"}));
    list = FileList("[x]^$|*");
    EXPECT_EQ(Matching(list, {"[x]^$|", "[x]^$|more", "x", "[x]"}),
              (Strings{"[x]^$|", "[x]^$|more"}));
}

TEST(TFileNameCompare, SpacesAreSignificantAndLineBreaksDoNotSeparate) {
    auto list = FileList(" *.txt;*.doc ");
    EXPECT_EQ(Matching(list, {"a.txt", " a.txt", "a.doc", "a.doc "}),
              (Strings{" a.txt", "a.doc "}));
    // Two lines are one item, which matches no name.
    list = FileList("*.txt\r\n*.doc");
    EXPECT_EQ(list.Items().size(), 1u);
    EXPECT_EQ(Matching(list, {"a.txt", "b.doc", "a.txt*.doc"}), Strings{});
}

TEST(TFileNameCompare, RegularExpressionItemsMatchAnyPartOfTheName) {
    auto list = FileList("txt", true);
    EXPECT_EQ(Matching(list, {"a.txt", "txtfile", "mytxt.doc", "a.doc"}),
              (Strings{"a.txt", "txtfile", "mytxt.doc"}));
    list = FileList("^a.*\\.txt$", true);
    EXPECT_EQ(Matching(list, {"a.txt", "abc.txt", "ba.txt", "a.txt.bak", "a.txtx"}),
              (Strings{"a.txt", "abc.txt"}));
    list = FileList("^(foo|bar)[0-9]+$;\\.bak$", true);
    EXPECT_EQ(Matching(list, {"foo12", "bar7", "foo", "x.bak", "foo12.bak.x"}),
              (Strings{"foo12", "bar7", "x.bak"}));
}

TEST(TFileNameCompare, SwitchingModesReloadsTheItemsOfTheSameReading) {
    TFileNameCompare list;
    list.SetDirPatterns("abc\\;x.y\\;file");
    EXPECT_EQ(list.Items(), (Strings{"^abc", "^x\\.y$"}));
    EXPECT_FALSE(list.MatchName("xzy"));
    list.SetUseRegExp(true);
    EXPECT_EQ(list.Items(), (Strings{"abc", "x.y"}));
    EXPECT_EQ(list.PatternText(), "abc\\;x.y\\");
    EXPECT_TRUE(list.MatchName("xzy"));
    EXPECT_TRUE(list.MatchName("1abc"));
    // Writing the current value changes nothing.
    list.SetUseRegExp(true);
    EXPECT_EQ(list.Items(), (Strings{"abc", "x.y"}));
    list.SetUseRegExp(false);
    EXPECT_EQ(list.Items(), (Strings{"^abc", "^x\\.y$"}));
    EXPECT_FALSE(list.MatchName("1abc"));

    TFileNameCompare files;
    files.SetFilePatterns("*.txt;dir\\");
    files.SetUseRegExp(true);
    EXPECT_EQ(files.Items(), (Strings{"*.txt"}));
    files.SetUseRegExp(false);
    EXPECT_EQ(files.Items(), (Strings{"^.*\\.txt$"}));
}

TEST(TFileNameCompare, InvalidItemsRaiseAtEveryMatchThatReachesThem) {
    auto list = FileList("ok;(bad;[z-a]", true);
    EXPECT_TRUE(list.MatchName("is ok"));
    for (int i = 0; i < 2; ++i) {
        try {
            list.MatchName("nothing");
            FAIL() << "no error";
        } catch (const regexp::ERegExpParser& e) {
            EXPECT_STREQ(e.what(), regexp::msg::kRightParen);
        }
    }
    EXPECT_TRUE(list.MatchName("still ok"));

    // Wildcards with a backslash that forms no valid escape.
    auto hex = FileList("a\\xz.txt");
    EXPECT_THROW(hex.MatchName("a.txt"), regexp::ERegExpParser);
    EXPECT_THROW(hex.MatchName("a.txt"), regexp::ERegExpParser);
    TFileNameCompare doubled;
    doubled.SetDirPatterns("temp\\\\");
    EXPECT_EQ(doubled.Items(), (Strings{"^temp\\"}));
    EXPECT_THROW(doubled.MatchName("temp"), regexp::ERegExpParser);
    // A valid escape works: "\d" is the letter d.
    auto escaped = FileList("\\d*");
    EXPECT_TRUE(escaped.MatchName("data"));
}

TEST(TFileNameCompare, ManyItemsStillMatchWhenTheCacheOverflows) {
    std::string text;
    for (int i = 0; i < 45; ++i)
        text += "*.e" + std::to_string(i) + ";";
    auto list = FileList(text);
    EXPECT_EQ(list.Items().size(), 45u);
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(list.MatchName("a.e0"));
        EXPECT_TRUE(list.MatchName("a.e44"));
        EXPECT_FALSE(list.MatchName("a.e45"));
    }
}

// Japanese names under CP932 (Shift_JIS bytes) and under UTF-8: the results are the same.
struct JapaneseCase {
    platform::CodePage cp;
    std::string hyo;   // 表: under CP932 its trail byte is "\"
    std::string so;    // ソ: likewise
    std::string ze;    // ゼ: under CP932 its trail byte is "["
    std::string nihon; // 日本
};

class JapaneseNames : public ::testing::TestWithParam<JapaneseCase> {
protected:
    void SetUp() override { platform::SetCodePage(GetParam().cp); }
    void TearDown() override { platform::SetCodePage(platform::CodePage::Utf8); }
};

TEST_P(JapaneseNames, QuestionMarkIsOneCharacter) {
    const auto& j = GetParam();
    auto list = FileList("?.txt");
    EXPECT_EQ(Matching(list, {j.hyo + ".txt", "a.txt", "ab.txt", ".txt", j.nihon + ".txt"}),
              (Strings{j.hyo + ".txt", "a.txt"}));
    list = FileList("??.txt");
    EXPECT_EQ(Matching(list, {j.hyo + ".txt", j.nihon + ".txt", "a" + j.so + ".txt"}),
              (Strings{j.nihon + ".txt", "a" + j.so + ".txt"}));
}

TEST_P(JapaneseNames, ItemsWithJapaneseCharactersMatchTheirNames) {
    const auto& j = GetParam();
    auto list = FileList(j.hyo + "*;*" + j.ze + ".doc;" + j.nihon);
    EXPECT_EQ(list.Items().size(), 3u);
    EXPECT_EQ(Matching(list, {j.hyo + "1.xls", "x" + j.hyo, "a" + j.ze + ".doc", j.nihon + "x",
                              j.so + "x", "\\x"}),
              (Strings{j.hyo + "1.xls", "a" + j.ze + ".doc", j.nihon + "x"}));
}

TEST_P(JapaneseNames, ACharacterEndingInByte5CIsNoDirectoryMark) {
    const auto& j = GetParam();
    // "*表" and "*ソ" name files; "日本\" names a directory.
    const std::string text = "*" + j.hyo + ";*" + j.so + ";" + j.nihon + "\\";
    TFileNameCompare files;
    files.SetFilePatterns(text);
    EXPECT_EQ(files.PatternText(), "*" + j.hyo + ";*" + j.so);
    EXPECT_TRUE(files.MatchName("a" + j.hyo));
    EXPECT_TRUE(files.MatchName(j.so));
    EXPECT_FALSE(files.MatchName(j.nihon));
    TFileNameCompare dirs;
    dirs.SetDirPatterns(text);
    EXPECT_EQ(dirs.PatternText(), j.nihon + "\\");
    EXPECT_TRUE(dirs.MatchName(j.nihon + "x"));
    EXPECT_FALSE(dirs.MatchName("a" + j.hyo));
    EXPECT_TRUE(TFileNameCompare::IsDirectoryItem(j.nihon + "\\"));
    EXPECT_FALSE(TFileNameCompare::IsDirectoryItem(j.hyo));
    EXPECT_FALSE(TFileNameCompare::IsDirectoryItem(""));
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, JapaneseNames,
    ::testing::Values(JapaneseCase{platform::CodePage::Cp932, "\x95\x5C", "\x83\x5C", "\x83\x5B",
                                   "\x93\xFA\x96\x7B"},
                      JapaneseCase{platform::CodePage::Utf8, "\xE8\xA1\xA8", "\xE3\x82\xBD",
                                   "\xE3\x82\xBC", "\xE6\x97\xA5\xE6\x9C\xAC"}),
    [](const auto& info) { return info.param.cp == platform::CodePage::Cp932 ? "Cp932" : "Utf8"; });
