#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;

namespace {

TEST(DateTimeTest, DaysCountFrom30December1899) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2024, 1, 31), 45322.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST(DateTimeTest, EncodingValidatesItsParts) {
    EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTimeTest, DecodeRoundsToTheMillisecondAcrossMidnight) {
    const TDateTime dt = EncodeDateTime(2024, 1, 31, 23, 59, 59, 99);
    const DateParts p = DecodeDateTime(dt);
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 1);
    EXPECT_EQ(p.day, 31);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.msec, 99);
    EXPECT_EQ(p.dayOfWeek, 4); // a Wednesday
    // A hair before midnight rounds up into the next day.
    const DateParts q = DecodeDateTime(EncodeDate(2024, 1, 31) + 0.99999999999);
    EXPECT_EQ(q.day, 1);
    EXPECT_EQ(q.month, 2);
    EXPECT_EQ(q.hour, 0);
}

TEST(DateTimeTest, FormatsOfTheProgram) {
    const TDateTime dt = EncodeDateTime(2024, 1, 31, 2, 5, 9, 7);
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", dt), "20240131020509");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd", dt), "2024/01/31");
    EXPECT_EQ(FormatDateTime("h:nn:ss", dt), "2:05:09");
    EXPECT_EQ(FormatDateTime("hh:mm", dt), "02:05"); // m after h is minutes
    EXPECT_EQ(FormatDateTime("yy-m-d zzz", dt), "24-1-31 007");
    EXPECT_EQ(FormatDateTime("'y'yyyy", dt), "y2024");
    EXPECT_EQ(DateTimeToStr(dt), "2024/01/31 2:05:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 1, 31)), "2024/01/31");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 1, 31)), "2024/01/31");
}

TEST(DateTimeTest, ParserReadsBackWhatTheFormatterWrote) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> days(-600000, 2900000);
    std::uniform_int_distribution<int> secs(0, 86399);
    for (int i = 0; i < 5000; ++i) {
        const TDateTime dt = days(rng) + (i % 5 == 0 ? 0 : secs(rng) / 86400.0);
        const DateParts p = DecodeDateTime(dt);
        if (p.year < 1 || p.year > 9999)
            continue;
        const std::string text = DateTimeToStr(dt);
        const TDateTime back = StrToDateTime(text);
        EXPECT_EQ(DateTimeToStr(back), text);
        EXPECT_NEAR(back, dt, 1.0 / 86400.0) << text;
    }
    EXPECT_EQ(StrToDateTime(TimeToStr(EncodeTime(7, 8, 9, 0))), EncodeTime(7, 8, 9, 0));
}

TEST(DateTimeTest, ParserRejectsWhatIsNoDate) {
    for (const char* bad : {"", "2024/13/01", "2024/02/30", "2024-01-01", "2024/01/01 25:00:00",
                            "2024/01/01 1:00:00x", "abc", "2024/01", "12:61"})
        EXPECT_THROW(StrToDateTime(bad), EConvertError) << bad;
}

TEST(DateTimeTest, FloatTextRoundTripsAtFifteenDigits) {
    for (const double v : {0.0, 45322.99999884259, -2.5, 1e-10, 123456789.125}) {
        const std::string text = FloatToStr(v);
        EXPECT_NEAR(StrToFloat(text), v, std::abs(v) * 1e-14) << text;
    }
    EXPECT_EQ(FloatToStr(45322.5), "45322.5");
    double d;
    EXPECT_FALSE(TryStrToFloat("1,5", d));
    EXPECT_FALSE(TryStrToFloat("nan", d));
    EXPECT_FALSE(TryStrToFloat("", d));
    EXPECT_THROW(StrToFloat("x"), EConvertError);
}

TEST(DateTimeTest, IntegerText) {
    std::int32_t v;
    EXPECT_TRUE(TryStrToInt("30", v));
    EXPECT_EQ(v, 30);
    EXPECT_TRUE(TryStrToInt("-7", v));
    EXPECT_EQ(v, -7);
    EXPECT_FALSE(TryStrToInt("3x", v));
    EXPECT_FALSE(TryStrToInt("", v));
    EXPECT_FALSE(TryStrToInt("99999999999", v));
}

TEST(DateTimeTest, UnixTimeRoundTripsInLocalTime) {
    const std::int64_t t = 1706666709; // 2024-01-31 02:05:09 UTC
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(t)), t);
}

} // namespace
