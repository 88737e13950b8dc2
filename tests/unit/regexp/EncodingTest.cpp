// The same searches under CP932 (real Shift_JIS bytes), under UTF-8 and in a single-byte code
// page: a multi-byte character is one character everywhere.
#include "RegExpTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace regexp;
using regexp_test::CodePageScope;
using regexp_test::ErrorOf;
using regexp_test::Find;
using regexp_test::Found;

namespace {

// Shift_JIS bytes.
const std::string kHyo = "\x95\x5C";   // 表, trail byte "\"
const std::string kSo = "\x83\x5C";    // ソ, trail byte "\"
const std::string kZe = "\x83\x5B";    // ゼ, trail byte "["
const std::string kTa = "\x83\x5E";    // タ, trail byte "^"
const std::string kPo = "\x83\x7C";    // ポ, trail byte "|"
const std::string kA = "\x82\xA0";     // あ
const std::string kKa = "\x82\xA9";    // か
const std::string kN = "\x82\xF1";     // ん
const std::string kKataA = "\x83\x41"; // ア
const std::string kHalfKa = "\xB6";    // half-width カ, a single byte

// UTF-8 bytes of the same words.
const std::string kHyo8 = "\xE8\xA1\xA8";
const std::string kA8 = "\xE3\x81\x82";
const std::string kKa8 = "\xE3\x81\x8B";
const std::string kN8 = "\xE3\x82\x93";
const std::string kKataA8 = "\xE3\x82\xA2";

} // namespace

TEST(Cp932Search, DoubleByteCharactersAreOneCharacter) {
    CodePageScope cp(platform::CodePage::Cp932);
    EXPECT_EQ(Find(".", kHyo), (Found{1, 2}));
    EXPECT_EQ(Find("^.$", kHyo), (Found{1, 2}));
    EXPECT_EQ(Find("^..$", kHyo), (Found{}));
    EXPECT_EQ(Find("^...$", "a" + kHyo + "b"), (Found{1, 4}));
    EXPECT_EQ(Find(kHyo, "a" + kHyo + "b"), (Found{2, 2}));
    EXPECT_EQ(Find(kA + "+", "x" + kA + kA + kKa), (Found{2, 4}));
    EXPECT_EQ(Find(kHalfKa + ".", kHalfKa + kHyo), (Found{1, 3}));
}

TEST(Cp932Search, TrailBytesAreNeverTakenForSymbolsOrMatchedAlone) {
    CodePageScope cp(platform::CodePage::Cp932);
    // In the pattern: 表 and ソ end in "\" but start no escape; ゼ, タ, ポ are no "[", "^", "|".
    EXPECT_EQ(Find(kHyo + "x", kHyo + "x"), (Found{1, 3}));
    EXPECT_EQ(Find(kSo + kZe + kTa + kPo, "-" + kSo + kZe + kTa + kPo), (Found{2, 8}));
    EXPECT_EQ(Find("\\" + kHyo, kHyo), (Found{1, 2}));
    // In the subject: the search steps over whole characters, so a trail byte that equals a
    // pattern's character is not found.
    EXPECT_EQ(Find("\\\\", kHyo + kSo), (Found{}));
    EXPECT_EQ(Find("\\[", kZe), (Found{}));
    EXPECT_EQ(Find("\\|", "a" + kPo), (Found{}));
    EXPECT_EQ(Find("\\\\", kHyo + "\\"), (Found{3, 1}));
    EXPECT_EQ(Find("[\\\\x]+", "x" + kHyo + "\\x"), (Found{1, 1}));
}

TEST(Cp932Search, ClassesAndRangesCompareDoubleByteCodes) {
    CodePageScope cp(platform::CodePage::Cp932);
    const std::string hiragana = "[" + kA + "-" + kN + "]+";
    EXPECT_EQ(Find(hiragana, kKataA + kKa + kA + "x"), (Found{3, 4}));
    EXPECT_EQ(Find("[^" + kA + "]", kA + kHyo), (Found{3, 2}));
    EXPECT_EQ(Find("[" + kHyo + "x]+", "a" + kHyo + "x" + kSo), (Found{2, 3}));
    EXPECT_EQ(Find("\\x82A0", "x" + kA), (Found{2, 2}));
    EXPECT_EQ(Find("[\\x8140-\\x9FFC]", "ab" + kHyo), (Found{3, 2}));
    // The any-character set ends at 0xFCFC, as the code page's highest character.
    EXPECT_EQ(Find(".", "\xFC\xFC"), (Found{1, 2}));
    EXPECT_EQ(Find(".", "\xFC\xFD"), (Found{}));
    // A negated class that leaves nothing matches nothing.
    EXPECT_EQ(Find("[^\\x01-\\xFCFC]", "a" + kHyo), (Found{}));
    EXPECT_EQ(Find("a[^\\x01-\\xFCFC]|" + kHyo, "a" + kHyo), (Found{2, 2}));
    // A range in the wrong order of codes.
    EXPECT_EQ(ErrorOf("[" + kN + "-" + kA + "]").message, platform::FromUtf8(msg::kInvalidRange));
}

TEST(Cp932Search, ALeadByteAtTheEndOfTheSubjectIsOneCharacter) {
    CodePageScope cp(platform::CodePage::Cp932);
    // Never read past the end: the lone lead byte is a character of its own value.
    EXPECT_EQ(Find(".*", "a\x95"), (Found{1, 2}));
    EXPECT_EQ(Find("^a.$", "a\x95"), (Found{1, 2}));
    EXPECT_EQ(Find("\\x95$", "a\x95"), (Found{2, 1}));
    EXPECT_EQ(Find(kHyo, "a\x95"), (Found{}));
    // A zero byte is no trail byte in a subject.
    EXPECT_EQ(Find("\\x95", std::string("a\x95\0", 3)), (Found{2, 1}));
}

TEST(Cp932Search, SplitKeepsDoubleByteCharactersWhole) {
    CodePageScope cp(platform::CodePage::Cp932);
    TAWKStr awk;
    awk.SetRegExp(";");
    std::vector<std::string> list;
    EXPECT_EQ(awk.Split(kHyo + ";*." + kSo + ";;", list), 4u);
    EXPECT_EQ(list, (std::vector<std::string>{kHyo, "*." + kSo, "", ""}));
    // Empty matches carry whole characters over.
    awk.SetRegExp("x*");
    EXPECT_EQ(awk.Split(kHyo + "x" + kSo, list), 2u);
    EXPECT_EQ(list, (std::vector<std::string>{kHyo, kSo}));
}

TEST(Utf8Search, MultiByteCharactersAreOneCharacterWithTheirCodePoint) {
    EXPECT_EQ(Find(".", kHyo8), (Found{1, 3}));
    EXPECT_EQ(Find("^.$", kHyo8), (Found{1, 3}));
    EXPECT_EQ(Find("^...$", "a" + kHyo8 + "b"), (Found{1, 5}));
    EXPECT_EQ(Find("^.$", "\xF0\x9F\x98\x80"), (Found{1, 4}));
    const std::string hiragana = "[" + kA8 + "-" + kN8 + "]+";
    EXPECT_EQ(Find(hiragana, kKataA8 + kKa8 + kA8 + "x"), (Found{4, 6}));
    EXPECT_EQ(Find("[^" + kA8 + "]", kA8 + kHyo8), (Found{4, 3}));
    EXPECT_EQ(Find("\\x8868", "x" + kHyo8), (Found{2, 3}));
    EXPECT_EQ(Find(".", "\xF4\x8F\xBF\xBF"), (Found{1, 4})); // U+10FFFF
    EXPECT_EQ(ErrorOf("[" + kN8 + "-" + kA8 + "]").message, msg::kInvalidRange);
}

TEST(Utf8Search, InvalidBytesAreSingleCharactersThatOnlyMatchThemselves) {
    // A truncated sequence at the end, a stray continuation byte, an overlong form.
    EXPECT_EQ(Find("^a.$", "a\xE8\xA1"), (Found{}));
    EXPECT_EQ(Find("^a..$", "a\xE8\xA1"), (Found{1, 3}));
    EXPECT_EQ(Find(".", "\x80"), (Found{1, 1}));
    EXPECT_EQ(Find("^..$", "\xC0\xAF"), (Found{1, 2}));
    // The same bytes in a pattern match them, and never a valid character.
    EXPECT_EQ(Find("\xE8\xA1", "x\xE8\xA1"), (Found{2, 2}));
    EXPECT_EQ(Find("\xE8\xA1", kHyo8), (Found{}));
    EXPECT_EQ(Find("\xE9", "\xC3\xA9"), (Found{})); // é is U+00E9
    EXPECT_EQ(Find("\\xE9", "\xE9"), (Found{}));
    EXPECT_EQ(Find("[^a]+", "\xFF\xFE"), (Found{1, 2}));
}

TEST(SingleByteSearch, EveryByteIsOneCharacter) {
    CodePageScope cp(platform::CodePage::SingleByte);
    EXPECT_EQ(Find("^.$", "\xE9"), (Found{1, 1}));
    EXPECT_EQ(Find("^.$", kHyo8), (Found{}));
    EXPECT_EQ(Find("^...$", kHyo8), (Found{1, 3}));
    EXPECT_EQ(Find("\\xE9", "a\xE9"), (Found{2, 1}));
    EXPECT_EQ(Find("[\\xE0-\\xFF]+", "ab\xE9\xFF"), (Found{3, 2}));
    EXPECT_EQ(Find(".", "\xFF"), (Found{1, 1}));
}
