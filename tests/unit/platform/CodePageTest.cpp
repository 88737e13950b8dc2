#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

class CodePageTest : public ::testing::Test {
protected:
    void TearDown() override { SetCodePage(CodePage::Utf8); }
};

TEST_F(CodePageTest, Cp932DoubleByteCharactersAreOneCharacter) {
    SetCodePage(CodePage::Cp932);
    // "表" is 0x95 0x5C in Shift_JIS: its trail byte is a backslash.
    const std::string s = "a\x95\x5C"
                          "b";
    EXPECT_EQ(CharLengthAt(s, 0), 1u);
    EXPECT_EQ(CharLengthAt(s, 1), 2u);
    std::size_t n = 0;
    EXPECT_EQ(CharCodeAt(s, 1, &n), 0x955Cu);
    EXPECT_EQ(n, 2u);
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0xA0)); // half-width katakana are single bytes
    EXPECT_FALSE(IsLeadByte(0x7F));
    // A lead byte at the very end is one character and never reads past the end.
    EXPECT_EQ(CharLengthAt(std::string("x\x95"), 1), 1u);
    EXPECT_EQ(MaxCharCode(), 0xFCFFu);
}

TEST_F(CodePageTest, Utf8DecodesCodePointsAndTreatsInvalidBytesAsSingleCharacters) {
    SetCodePage(CodePage::Utf8);
    const std::string s = "\xE6\x97\xA5"
                          "\xF0\x9F\x98\x80"
                          "\xC3";
    std::size_t n = 0;
    EXPECT_EQ(CharCodeAt(s, 0, &n), 0x65E5u);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(CharCodeAt(s, 3, &n), 0x1F600u);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(CharLengthAt(s, 7), 1u);                           // truncated sequence
    EXPECT_EQ(CharLengthAt(std::string("\xC0\xAF"), 0), 1u);     // overlong form
    EXPECT_EQ(CharLengthAt(std::string("\xED\xA0\x80"), 0), 1u); // surrogate
    EXPECT_EQ(CharLengthAt(std::string("\x80"), 0), 1u);
    EXPECT_EQ(MaxCharCode(), 0x10FFFFu);
    EXPECT_EQ(EncodeChar(0x65E5), "\xE6\x97\xA5");
}

TEST_F(CodePageTest, LowerCasingPerCodePage) {
    SetCodePage(CodePage::Utf8);
    EXPECT_EQ(LowerCase("ABC.TXT"), "abc.txt");
    EXPECT_EQ(LowerCase("\xC3\x84"
                        "X"),
              "\xC3\xA4"
              "x");                                       // Ä -> ä
    EXPECT_EQ(LowerCase("\xEF\xBC\xA1"), "\xEF\xBD\x81"); // full-width A -> a
    EXPECT_EQ(LowerCase("a\xFF"
                        "B"),
              "a\xFF"
              "b"); // invalid byte kept
    SetCodePage(CodePage::Cp932);
    // The trail byte 0x41 ('A') of a double-byte character is not lower-cased.
    EXPECT_EQ(LowerCase("\x82\x41"
                        "A"),
              "\x82\x41"
              "a");
    SetCodePage(CodePage::SingleByte);
    EXPECT_EQ(LowerCase("\xC4"
                        "A"),
              "\xC4"
              "a");
}

TEST_F(CodePageTest, FileNameKeyIsTheExactBytes) {
    EXPECT_EQ(FileNameKey("Daily.VMP"), "Daily.VMP");
    EXPECT_NE(FileNameKey("a.txt"), FileNameKey("A.txt"));
}

TEST_F(CodePageTest, ConversionBetweenCp932AndUtf8) {
    SetCodePage(CodePage::Cp932);
    EXPECT_EQ(FromUtf8("変更"), "\x95\xCF\x8D\x58");
    EXPECT_EQ(ToUtf8("\x95\xCF\x8D\x58"), "変更");
    SetCodePage(CodePage::Utf8);
    EXPECT_EQ(FromUtf8("変更"), "変更");
}

} // namespace
