#include "definition/TarnStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace definition;

namespace {

std::string Image(double v) {
    TMemoryStream s;
    WriteExtendedToStr(s, v);
    return s.Data();
}

TEST(TarnStreamTest, IntegersAndBoolsAreFourLittleEndianBytes) {
    TMemoryStream s;
    WriteIntegerToStr(s, 0x12345678);
    WriteIntegerToStr(s, -2);
    WriteBoolToStr(s, true);
    WriteBoolToStr(s, false);
    EXPECT_EQ(s.Data(), std::string("\x78\x56\x34\x12\xFE\xFF\xFF\xFF\x01\0\0\0\0\0\0\0", 16));
    TMemoryStream r(s.Data());
    EXPECT_EQ(ReadIntegerFromStr(r), 0x12345678);
    EXPECT_EQ(ReadIntegerFromStr(r), -2);
    EXPECT_TRUE(ReadBoolFromStr(r));
    EXPECT_FALSE(ReadBoolFromStr(r));
    TMemoryStream two(std::string("\x02\0\0\0", 4));
    EXPECT_TRUE(ReadBoolFromStr(two)); // any non-zero value is true
}

TEST(TarnStreamTest, StringsAreALengthAndTheBytes) {
    TMemoryStream s;
    WriteStringToStr(s, "");
    EXPECT_EQ(s.Data(), std::string(4, '\0'));
    WriteStringToStr(s, std::string("a\0b", 3));
    EXPECT_EQ(s.Data().substr(4), std::string("\x03\0\0\0a\0b", 7));
    TMemoryStream r(s.Data());
    EXPECT_EQ(ReadStringFromStr(r), "");
    EXPECT_EQ(ReadStringFromStr(r), std::string("a\0b", 3));
}

TEST(TarnStreamTest, StringLengthLimits) {
    TMemoryStream ok;
    WriteStringToStr(ok, std::string(65535, 'x'));
    TMemoryStream r(ok.Data());
    EXPECT_EQ(ReadStringFromStr(r).size(), 65535u);

    for (const std::int32_t bad : {65536, -1}) {
        TMemoryStream s;
        WriteIntegerToStr(s, bad);
        s.Write(std::string(70000, 'y').data(), 70000);
        TMemoryStream in(s.Data());
        try {
            ReadStringFromStr(in);
            FAIL() << bad;
        } catch (const ETarnStreamError& e) {
            EXPECT_STREQ(e.what(), "ReadStringFromStr: Out Of Memory.");
        }
        EXPECT_EQ(in.Position(), 4u); // nothing read after the count
    }
}

TEST(TarnStreamTest, TruncatedStreamsRaiseTheReadError) {
    TMemoryStream three(std::string("\x01\x02\x03", 3));
    EXPECT_THROW(ReadIntegerFromStr(three), EReadError);
    TMemoryStream shortString(std::string("\x05\0\0\0abc", 7));
    EXPECT_THROW(ReadStringFromStr(shortString), EReadError);
    TMemoryStream nine(std::string(9, '\0'));
    EXPECT_THROW(ReadExtendedFromStr(nine), EReadError);
}

TEST(TarnStreamTest, ExtendedByteImages) {
    EXPECT_EQ(Image(0.0), std::string(10, '\0'));
    EXPECT_EQ(Image(1.0), std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10));
    EXPECT_EQ(Image(-2.5), std::string("\0\0\0\0\0\0\0\xA0\x00\xC0", 10));
    // 2024-01-31 12:00 = 45322.5
    EXPECT_EQ(Image(45322.5), std::string("\0\0\0\0\0\x80\x0A\xB1\x0E\x40", 10));
    EXPECT_EQ(Image(-0.0), std::string("\0\0\0\0\0\0\0\0\0\x80", 10));
    EXPECT_EQ(Image(std::numeric_limits<double>::infinity()),
              std::string("\0\0\0\0\0\0\0\x80\xFF\x7F", 10));
}

TEST(TarnStreamTest, ExtendedIsExactForEveryFiniteDouble) {
    std::mt19937_64 rng(42);
    auto check = [](double v) {
        TMemoryStream s;
        WriteExtendedToStr(s, v);
        TMemoryStream r(s.Data());
        const double back = ReadExtendedFromStr(r);
        std::uint64_t a, b;
        std::memcpy(&a, &v, 8);
        std::memcpy(&b, &back, 8);
        EXPECT_EQ(a, b) << v;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, 8);
        if (std::isfinite(v))
            check(v);
    }
    for (const double v : {std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::denorm_min(), 45322.99999884259})
        check(v);
}

TEST(TarnStreamTest, ExtendedValuesNarrowToTheNearestDouble) {
    // 1 + 2^-60: the low bits round away; 1 + 2^-53 + 2^-60 rounds up.
    unsigned char a[10] = {0x08, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(ExtendedToDouble(a), 1.0);
    unsigned char b[10] = {0x08, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(ExtendedToDouble(b), 1.0 + std::ldexp(1.0, -52));
    // Beyond the double range: infinity, not undefined behaviour.
    unsigned char big[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
    EXPECT_TRUE(std::isinf(ExtendedToDouble(big)));
    unsigned char nan[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};
    EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

} // namespace
