// Local date-times as days since 1899-12-30 with the time of day as the fraction, and their
// text forms in the program's fixed formats.
#pragma once

#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

using TDateTime = double;

// Raised when a text or a set of numbers does not form a valid date, time or number.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr double MSecsPerDay = 86400000.0;

// The user's date and time formats (the Japanese system defaults).
inline constexpr std::string_view ShortDateFormat = "yyyy/mm/dd";
inline constexpr std::string_view LongTimeFormat = "h:nn:ss";
inline constexpr char DecimalSeparator = '.';
inline constexpr char ThousandSeparator = ',';

bool IsValidDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
// Raise EConvertError for values that form no date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

struct DateParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
    int dayOfWeek = 0; // 1 = Sunday .. 7 = Saturday
};
// Splits a date-time into its parts, the time rounded to the millisecond.
DateParts DecodeDateTime(TDateTime dt);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec);

// Date part only (midnight) and time part only.
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);

// Milliseconds of a monotonic clock, for measuring intervals.
std::uint64_t TickCount();

// The current local date and time, to the millisecond.
TDateTime Now();
// Reads the local time zone once for the process (when TZ is unset, the C library would look at
// /etc/localtime again on every conversion).
void FixLocalTimeZone();

// Conversions between Unix time (seconds since the epoch, UTC) and local date-times.
TDateTime UnixToDateTime(std::int64_t seconds);
std::int64_t DateTimeToUnix(TDateTime dt);

// Formats a date-time. Tokens: yyyy yy (year), m mm (month; minutes right after h or hh),
// d dd (day), ddddd (short date), h hh (hour), n nn (minute), s ss (second), z zzz
// (milliseconds), t (short time "h:nn"), tt (long time), c (short date, then a blank and the
// long time unless the time is exactly midnight), text in double or single quotes verbatim;
// every other character is copied.
std::string FormatDateTime(std::string_view format, TDateTime dt);

// Short date + " " + long time, the time left out at exactly midnight (format "c").
std::string DateTimeToStr(TDateTime dt);
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);

// Reads back what DateTimeToStr, DateToStr and TimeToStr write ("yyyy/m/d", optionally followed
// by a blank and "h:n[:s]"). Raises EConvertError naming the text otherwise.
TDateTime StrToDateTime(std::string_view text);
bool TryStrToDateTime(std::string_view text, TDateTime& result);

// Floating-point text: 15 significant digits, decimal separator ".", as the settings store them.
std::string FloatToStr(double value);
// Reads a decimal number (optional sign, digits, optional fraction and exponent); the whole
// text must be the number. Raises EConvertError otherwise.
double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, double& result);

// A decimal integer (optional sign, digits only, within int32). Raises EConvertError otherwise.
std::int32_t StrToInt(std::string_view text);
bool TryStrToInt(std::string_view text, std::int32_t& result);

} // namespace platform
