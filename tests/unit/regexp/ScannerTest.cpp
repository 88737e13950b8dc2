#include "RegExpTestSupport.h"
#include "select/regexp/TREScanner.h"

#include <gtest/gtest.h>

#include <vector>

using namespace regexp;
using regexp_test::CodePageScope;

namespace {

struct Tok {
    TREToken kind;
    CharCode code = 0;
    CharCode hi = 0;
    bool operator==(const Tok& o) const {
        if (kind != o.kind)
            return false;
        if (kind == TREToken::Char)
            return code == o.code;
        if (kind == TREToken::Range)
            return code == o.code && hi == o.hi;
        return true;
    }
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
    return os << "{kind " << static_cast<int>(t.kind) << ", " << std::hex << t.code << ".." << t.hi
              << std::dec << "}";
}

// Every token of pattern up to and including End, switching modes as the parser does.
std::vector<Tok> Tokens(std::string_view pattern) {
    TREScanner scanner(pattern);
    std::vector<Tok> out;
    while (true) {
        const TREToken t = scanner.GetToken();
        out.push_back({t, scanner.Code(), scanner.HiCode()});
        if (t == TREToken::End || out.size() > 100)
            return out;
    }
}

Tok C(CharCode c) {
    return {TREToken::Char, c};
}
Tok R(CharCode lo, CharCode hi) {
    return {TREToken::Range, lo, hi};
}
const Tok kEnd{TREToken::End};
const Tok kOpen{TREToken::ClassOpen};
const Tok kClose{TREToken::ClassClose};

} // namespace

TEST(TREScanner, NormalModeKnowsExactlyTheTwelveMetacharacters) {
    EXPECT_EQ(Tokens("^(|)+*?.[a]$"), (std::vector<Tok>{{TREToken::LineHead},
                                                        {TREToken::LPar},
                                                        {TREToken::Union},
                                                        {TREToken::RPar},
                                                        {TREToken::Plus},
                                                        {TREToken::Star},
                                                        {TREToken::Question},
                                                        {TREToken::AnyChar},
                                                        kOpen,
                                                        C('a'),
                                                        kClose,
                                                        {TREToken::LineTail},
                                                        kEnd}));
    // "{", "}", "-" and the rest are ordinary; a stray "]" is a class close token.
    EXPECT_EQ(Tokens("{-}]"), (std::vector<Tok>{C('{'), C('-'), C('}'), kClose, kEnd}));
    EXPECT_EQ(Tokens("[^a]"), (std::vector<Tok>{{TREToken::NegClassOpen}, C('a'), kClose, kEnd}));
}

TEST(TREScanner, EscapesAlwaysGiveCharacters) {
    EXPECT_EQ(Tokens("\\b\\r\\n\\t"), (std::vector<Tok>{C(8), C(13), C(10), C(9), kEnd}));
    EXPECT_EQ(Tokens("\\.\\*\\[\\]\\\\\\^\\$"),
              (std::vector<Tok>{C('.'), C('*'), C('['), C(']'), C('\\'), C('^'), C('$'), kEnd}));
    // Hexadecimal: at most four digits, the character that ends them is read again.
    EXPECT_EQ(Tokens("\\x41"), (std::vector<Tok>{C(0x41), kEnd}));
    EXPECT_EQ(Tokens("\\x414"), (std::vector<Tok>{C(0x414), kEnd}));
    EXPECT_EQ(Tokens("\\x41424"), (std::vector<Tok>{C(0x4142), C('4'), kEnd}));
    EXPECT_EQ(Tokens("\\xfFz"), (std::vector<Tok>{C(0xFF), C('z'), kEnd}));
    EXPECT_EQ(Tokens("\\x4*"), (std::vector<Tok>{C(4), {TREToken::Star}, kEnd}));
    // Octal: at most six digits; "8" and "9" are no octal digits.
    EXPECT_EQ(Tokens("\\101"), (std::vector<Tok>{C('A'), kEnd}));
    EXPECT_EQ(Tokens("\\0"), (std::vector<Tok>{C(0), kEnd}));
    EXPECT_EQ(Tokens("\\1777777"), (std::vector<Tok>{C(0xFFFF), C('7'), kEnd}));
    EXPECT_EQ(Tokens("\\18"), (std::vector<Tok>{C(1), C('8'), kEnd}));
    EXPECT_EQ(Tokens("\\9\\8"), (std::vector<Tok>{C('9'), C('8'), kEnd}));
}

TEST(TREScanner, ClassModeMembersRangesAndDashes) {
    EXPECT_EQ(Tokens("[a-z0-9_]"),
              (std::vector<Tok>{kOpen, R('a', 'z'), R('0', '9'), C('_'), kClose, kEnd}));
    // A "-" before "]" or first is a member; "^", "[" and "." are ordinary inside.
    EXPECT_EQ(Tokens("[a-]"), (std::vector<Tok>{kOpen, C('a'), C('-'), kClose, kEnd}));
    EXPECT_EQ(Tokens("[-a]"), (std::vector<Tok>{kOpen, C('-'), C('a'), kClose, kEnd}));
    EXPECT_EQ(Tokens("[.^[]"), (std::vector<Tok>{kOpen, C('.'), C('^'), C('['), kClose, kEnd}));
    // Escapes inside a class, also as range ends.
    EXPECT_EQ(Tokens("[\\]\\t-\\r]"), (std::vector<Tok>{kOpen, C(']'), R(9, 13), kClose, kEnd}));
    EXPECT_EQ(Tokens("[\\x41-\\x43]"), (std::vector<Tok>{kOpen, R(0x41, 0x43), kClose, kEnd}));
    // After the class the scanner is back in normal mode.
    EXPECT_EQ(Tokens("[*]*"), (std::vector<Tok>{kOpen, C('*'), kClose, {TREToken::Star}, kEnd}));
}

TEST(TREScanner, Cp932DoubleByteCharactersAreOneCharacterAndTheirTrailByteIsNoSymbol) {
    CodePageScope cp(platform::CodePage::Cp932);
    // 表 (0x95 0x5C) and ソ (0x83 0x5C) end in a backslash byte, ゼ (0x83 0x5B) in "[",
    // ゾ (0x83 0x5D) in "]", タ (0x83 0x5E) in "^", ポ (0x83 0x7C) in "|".
    EXPECT_EQ(
        Tokens("\x95\x5C\x83\x5C\x83\x5B\x83\x5D\x83\x5E\x83\x7C"),
        (std::vector<Tok>{C(0x955C), C(0x835C), C(0x835B), C(0x835D), C(0x835E), C(0x837C), kEnd}));
    // A class member read ahead and stepped back over (the lead-byte count decides that the
    // byte before the position is a trail byte).
    EXPECT_EQ(Tokens("[a\x95\x5C]"), (std::vector<Tok>{kOpen, C('a'), C(0x955C), kClose, kEnd}));
    // Full-width b (0x82 0x82) before あ (0x82 0xA0): three lead-byte values in a row before
    // 0xA0, an odd count, so 0xA0 is a trail byte and the step back covers two bytes.
    EXPECT_EQ(Tokens("[\x82\x82\x82\xA0]"),
              (std::vector<Tok>{kOpen, C(0x8282), C(0x82A0), kClose, kEnd}));
    // Ranges between double-byte characters compare their codes.
    EXPECT_EQ(Tokens("[\x82\xA0-\x82\xF1]"),
              (std::vector<Tok>{kOpen, R(0x82A0, 0x82F1), kClose, kEnd}));
    // The hexadecimal digits end at a double-byte character, which is read again whole.
    EXPECT_EQ(Tokens("\\x4\x95\x5C"), (std::vector<Tok>{C(4), C(0x955C), kEnd}));
    EXPECT_EQ(Tokens("\\\x95\x5C"), (std::vector<Tok>{C(0x955C), kEnd}));
    // "a-]" with a double-byte member before it steps back to the "-".
    EXPECT_EQ(Tokens("[\x95\x5C-]"), (std::vector<Tok>{kOpen, C(0x955C), C('-'), kClose, kEnd}));
    // A lead byte takes any following byte as its trail, a zero byte too, and stepping back
    // agrees with that.
    EXPECT_EQ(Tokens(std::string("[\x95\0x]", 5)),
              (std::vector<Tok>{kOpen, C(0x9500), C('x'), kClose, kEnd}));
    EXPECT_EQ(Tokens(std::string("[\x81\x81\x81"
                                 "a]",
                                 6)),
              (std::vector<Tok>{kOpen, C(0x8181), C(0x8161), kClose, kEnd}));
}

TEST(TREScanner, Utf8CharactersAndStrayBytesStepBackWhole) {
    // 日 (E6 97 A5), 😀 (F0 9F 98 80), a stray continuation byte and a truncated sequence.
    EXPECT_EQ(Tokens("[\xE6\x97\xA5\xF0\x9F\x98\x80\x80\xE6\x97]"),
              (std::vector<Tok>{kOpen, C(0x65E5), C(0x1F600), C(0xDC80), C(0xDCE6), C(0xDC97),
                                kClose, kEnd}));
    EXPECT_EQ(Tokens("[\xE3\x81\x82-\xE3\x82\x93]"),
              (std::vector<Tok>{kOpen, R(0x3042, 0x3093), kClose, kEnd}));
    EXPECT_EQ(Tokens("\\x4\xE6\x97\xA5"), (std::vector<Tok>{C(4), C(0x65E5), kEnd}));
}
