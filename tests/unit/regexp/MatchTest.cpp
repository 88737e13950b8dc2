#include "RegExpTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace regexp;
using regexp_test::Find;
using regexp_test::Found;
using regexp_test::MatchWith;

namespace {

std::vector<std::string> SplitWith(std::string_view pattern, std::string_view subject) {
    TAWKStr awk;
    awk.SetRegExp(pattern);
    std::vector<std::string> list{"left over"};
    const std::size_t n = awk.Split(subject, list);
    EXPECT_EQ(n, list.size());
    return list;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(TAWKStrMatch, LeftmostThenLongest) {
    EXPECT_EQ(Find("", ""), (Found{1, 0}));
    EXPECT_EQ(Find("", "abc"), (Found{1, 0}));
    EXPECT_EQ(Find("abc", "xxabcabc"), (Found{3, 3}));
    EXPECT_EQ(Find("a*", "baaa"), (Found{1, 0}));
    EXPECT_EQ(Find("ab|abcd", "abcd"), (Found{1, 4}));
    EXPECT_EQ(Find("abcd|bc", "xabcxbc"), (Found{3, 2}));
    EXPECT_EQ(Find("a+", "xaaay"), (Found{2, 3}));
    EXPECT_EQ(Find("(ab)+c?", "abababcab"), (Found{1, 7}));
    EXPECT_EQ(Find("colou?r", "my color"), (Found{4, 5}));
    EXPECT_EQ(Find("x", "abc"), (Found{}));
    EXPECT_EQ(Find("x*y", ""), (Found{}));
    EXPECT_EQ(Find("b|", ""), (Found{1, 0}));
    EXPECT_EQ(Find("a{2}", "aa{2}"), (Found{2, 4}));
    EXPECT_EQ(Find("[a-]+", "x-a-y"), (Found{2, 3}));
    EXPECT_EQ(Find("[\\]]", "a]"), (Found{2, 1}));
}

TEST(TAWKStrMatch, LineHeadAnchorsOnlyWhereItCanComeFirst) {
    EXPECT_EQ(Find("^ab", "abab"), (Found{1, 2}));
    EXPECT_EQ(Find("^ab", "x\nab"), (Found{3, 2}));
    EXPECT_EQ(Find("^ab", "xab"), (Found{}));
    // A carriage return does not start a line.
    EXPECT_EQ(Find("^ab", "x\rab"), (Found{}));
    EXPECT_EQ(Find("^a|^b", "xb\nb"), (Found{4, 1}));
    EXPECT_EQ(Find("(^a|b)c", "xacbc"), (Found{4, 2}));
    EXPECT_EQ(Find("(^a|b)c", "acbc"), (Found{1, 2}));
    // Anywhere else "^" is the literal character.
    EXPECT_EQ(Find("x^y", "ax^y"), (Found{2, 3}));
    EXPECT_EQ(Find("()^a", "a^a"), (Found{2, 2}));
    EXPECT_EQ(Find("(^a)*b", "^a^ab"), (Found{1, 5}));
    EXPECT_EQ(Find("(^a)+", "a^a^ax"), (Found{1, 5}));
    // At a line head the anchored and the unanchored branch both count; the longer wins.
    EXPECT_EQ(Find("^a|ab", "ab"), (Found{1, 2}));
    EXPECT_EQ(Find("^ab|a", "ab"), (Found{1, 2}));
    EXPECT_EQ(Find("^", ""), (Found{1, 0}));
    EXPECT_EQ(Find("^", "abc"), (Found{1, 0}));
    // When the anchored alternatives fail at a line head the others still count, also where
    // no later start position exists: in an empty subject.
    EXPECT_EQ(Find("^a|b*", ""), (Found{1, 0}));
    EXPECT_EQ(Find("^a|", ""), (Found{1, 0}));
    EXPECT_EQ(Find("^a|b*", "x"), (Found{1, 0}));
    EXPECT_EQ(Find("^a|b", "x\nb"), (Found{3, 1}));
}

TEST(TAWKStrMatch, LineTailAnchorsOnlyWhereItCanComeLast) {
    EXPECT_EQ(Find("ab$", "xab"), (Found{2, 2}));
    EXPECT_EQ(Find("ab$", "abx"), (Found{}));
    EXPECT_EQ(Find("ab$", "ab\r\nmore"), (Found{1, 2}));
    // Under mcls_CRLF only the carriage return ends a line for "$".
    EXPECT_EQ(Find("ab$", "ab\nmore"), (Found{}));
    EXPECT_EQ(Find("$", "abc"), (Found{4, 0}));
    EXPECT_EQ(Find("$", ""), (Found{1, 0}));
    EXPECT_EQ(Find("^$", ""), (Found{1, 0}));
    EXPECT_EQ(Find("^$", "a"), (Found{}));
    EXPECT_EQ(Find("a$|b", "ba"), (Found{1, 1}));
    EXPECT_EQ(Find("a$|b", "xa"), (Found{2, 1}));
    // The literal character elsewhere, as in the names of history backups.
    EXPECT_EQ(Find("$vm$[0-9]+", "x$vm$20240101"), (Found{2, 12}));
    EXPECT_EQ(Find("$vm$.*[0-9]$", "$vm$20240101.lzh"), (Found{}));
    EXPECT_EQ(Find("$vm$.*[0-9]$", "$vm$a1"), (Found{1, 6}));
    EXPECT_EQ(Find("$vm$[0-9]+\\.zip$", "$vm$123.zip"), (Found{1, 11}));
    EXPECT_EQ(Find("a$b", "a$b"), (Found{1, 3}));

    TAWKStr lf;
    lf.SetLineSeparator(TMatchCORE_LineSeparator::mcls_LF);
    lf.SetRegExp("ab$");
    EXPECT_EQ(MatchWith(lf, "ab\nmore"), (Found{1, 2}));
    EXPECT_EQ(MatchWith(lf, "ab\r\nmore"), (Found{}));
}

TEST(TAWKStrMatch, AnyCharacterStopsAtLineBreaks) {
    EXPECT_EQ(Find(".", "\r\n"), (Found{}));
    EXPECT_EQ(Find(".", ""), (Found{}));
    EXPECT_EQ(Find(".*", "ab\ncd"), (Found{1, 2}));
    EXPECT_EQ(Find(".+", "\r\nab"), (Found{3, 2}));
    EXPECT_EQ(Find("[^a]+", "a\r\tb\n"), (Found{3, 2}));
    EXPECT_EQ(Find("a.c", "a\x7F"
                          "c"),
              (Found{1, 3}));
}

TEST(TAWKStrMatch, CodeZeroNeverMatchesAndTheSearchStopsAtTheEnd) {
    // Every way of naming code 0 compiles; that part of the pattern matches nothing.
    EXPECT_EQ(Find("a\\0", "a"), (Found{}));
    EXPECT_EQ(Find("a\\x0", std::string("a\0", 2)), (Found{}));
    EXPECT_EQ(Find("a\\0|b", "ab"), (Found{2, 1}));
    EXPECT_EQ(Find("[\\0-a]+", "ab"), (Found{1, 1}));
    EXPECT_EQ(Find("a\\0*", "aaa"), (Found{1, 1}));
    EXPECT_EQ(Find("a[\\0]*$", "a"), (Found{1, 1}));
    EXPECT_EQ(Find("\\0$", ""), (Found{}));
    // A zero byte inside a subject is a character that nothing matches; the text after it is
    // searched as usual.
    const std::string withZero("ab\0cd", 5);
    EXPECT_EQ(Find("cd", withZero), (Found{4, 2}));
    EXPECT_EQ(Find(".*", withZero), (Found{1, 2}));
    EXPECT_EQ(Find("b.c", withZero), (Found{}));
    EXPECT_EQ(Find("$", withZero), (Found{6, 0}));
    EXPECT_EQ(Find("d$", withZero), (Found{5, 1}));
}

TEST(TAWKStrMatch, MatchBeforeAnyAssignmentUsesTheEmptyPattern) {
    TAWKStr awk;
    EXPECT_EQ(awk.RegExp(), "");
    EXPECT_EQ(MatchWith(awk, "xyz"), (Found{1, 0}));
    std::vector<std::string> list;
    EXPECT_EQ(awk.Split("ab", list), 1u);
    EXPECT_EQ(list, (Strings{"ab"}));
}

TEST(TAWKStrMatch, AFailedAssignmentLeavesTheEmptyPattern) {
    TAWKStr awk;
    awk.SetRegExp("^abc$");
    EXPECT_THROW(awk.SetRegExp("(a"), ERegExpParser);
    EXPECT_EQ(awk.RegExp(), "");
    EXPECT_EQ(awk.CurrentIndex(), 0);
    // The search procedure follows: the empty pattern matches at the start.
    EXPECT_EQ(MatchWith(awk, "xyz"), (Found{1, 0}));
    awk.SetRegExp("y");
    EXPECT_EQ(awk.RegExp(), "y");
    EXPECT_EQ(MatchWith(awk, "xyz"), (Found{2, 1}));
}

TEST(TAWKStrSplit, FieldsBetweenMatches) {
    EXPECT_EQ(SplitWith(";", "a;b"), (Strings{"a", "b"}));
    EXPECT_EQ(SplitWith(";", "a;b;"), (Strings{"a", "b", ""}));
    EXPECT_EQ(SplitWith(";", ";a"), (Strings{"", "a"}));
    EXPECT_EQ(SplitWith(";", ""), (Strings{}));
    EXPECT_EQ(SplitWith(";", "*.txt;;*.doc"), (Strings{"*.txt", "", "*.doc"}));
    EXPECT_EQ(SplitWith(";", "no separator"), (Strings{"no separator"}));
    EXPECT_EQ(SplitWith(";", ";"), (Strings{"", ""}));
    EXPECT_EQ(SplitWith(", *", "a, b,c,  d"), (Strings{"a", "b", "c", "d"}));
    // Empty matches never split off empty fields; the characters are carried over.
    EXPECT_EQ(SplitWith("x*", "abc"), (Strings{"abc"}));
    EXPECT_EQ(SplitWith("x*", "axbxxc"), (Strings{"a", "b", "c"}));
    EXPECT_EQ(SplitWith("", "abc"), (Strings{"abc"}));
    // Anchors see the rest of the subject as a new subject.
    EXPECT_EQ(SplitWith("^a", "aaab"), (Strings{"", "", "", "b"}));
    // A zero byte is carried like any other character.
    EXPECT_EQ(SplitWith(";", std::string("a\0;b", 4)), (Strings{std::string("a\0", 2), "b"}));
}
