#include "platform/DateTime.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace platform {

namespace {

// Days from 0000-03-01 based civil calendar (proleptic Gregorian) to 1970-01-01 style serials.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

// Serial of 1899-12-30, day 0 of TDateTime, in the civil day count above.
constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::string Pad(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

// Count of repeats of character c at format[i], case-insensitive.
std::size_t RunLength(std::string_view format, std::size_t i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
    std::size_t n = 0;
    while (i + n < format.size() && std::tolower(static_cast<unsigned char>(format[i + n])) == c)
        ++n;
    return n;
}

// Reads an unsigned decimal number at text[pos]; false when no digit is there.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value) {
    const std::size_t start = pos;
    long long v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 9) {
        v = v * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start)
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (!IsValidDate(year, month, day))
        return false;
    result = static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        msec < 0 || msec >= 1000)
        return false;
    result = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode");
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime result;
    if (!TryEncodeTime(hour, minute, second, msec, result))
        throw EConvertError("Invalid argument to time encode");
    return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
    const TDateTime date = EncodeDate(year, month, day);
    const TDateTime time = EncodeTime(hour, minute, second, msec);
    // Days before 1899-12-30 carry the time of day as a positive fraction below the day.
    return date >= 0 ? date + time : date - time;
}

DateParts DecodeDateTime(TDateTime dt) {
    DateParts p;
    if (!std::isfinite(dt))
        return p;
    // Round to the millisecond first, so that 23:59:59.9996 becomes the next day.
    double day = std::trunc(dt);
    long long ms = std::llround(std::fabs(dt - day) * MSecsPerDay);
    if (ms >= static_cast<long long>(MSecsPerDay)) {
        ms -= static_cast<long long>(MSecsPerDay);
        day += dt >= 0 ? 1 : -1;
    }
    CivilFromDays(static_cast<std::int64_t>(day) + kEpochDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    const std::int64_t civil = static_cast<std::int64_t>(day) + kEpochDays; // 0 = Thursday
    p.dayOfWeek = static_cast<int>(((civil % 7) + 7 + 4) % 7) + 1;
    return p;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    const DateParts p = DecodeDateTime(dt);
    year = p.year;
    month = p.month;
    day = p.day;
}

void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec) {
    const DateParts p = DecodeDateTime(dt);
    hour = p.hour;
    minute = p.minute;
    second = p.second;
    msec = p.msec;
}

TDateTime DateOf(TDateTime dt) {
    const DateParts p = DecodeDateTime(dt);
    return EncodeDate(p.year, p.month, p.day);
}

TDateTime TimeOf(TDateTime dt) {
    const DateParts p = DecodeDateTime(dt);
    return EncodeTime(p.hour, p.minute, p.second, p.msec);
}

std::uint64_t TickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

void FixLocalTimeZone() {
    if (!std::getenv("TZ"))
        ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

TDateTime Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec == 60 ? 59 : local.tm_sec,
                          static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime UnixToDateTime(std::int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    tm local{};
    if (!localtime_r(&t, &local))
        throw EConvertError("Invalid Unix time");
    TDateTime result;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, result))
        throw EConvertError("Invalid Unix time");
    TDateTime time;
    TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec == 60 ? 59 : local.tm_sec, 0, time);
    return result >= 0 ? result + time : result - time;
}

std::int64_t DateTimeToUnix(TDateTime dt) {
    const DateParts p = DecodeDateTime(dt);
    tm local{};
    local.tm_year = p.year - 1900;
    local.tm_mon = p.month - 1;
    local.tm_mday = p.day;
    local.tm_hour = p.hour;
    local.tm_min = p.minute;
    local.tm_sec = p.second;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(mktime(&local));
}

std::string FormatDateTime(std::string_view format, TDateTime dt) {
    const DateParts p = DecodeDateTime(dt);
    std::string out;
    bool afterHour = false; // "m" right after an hour token means minutes
    for (std::size_t i = 0; i < format.size();) {
        const char raw = format[i];
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
        if (raw == '"' || raw == '\'') {
            const std::size_t end = format.find(raw, i + 1);
            const std::size_t stop = end == std::string_view::npos ? format.size() : end;
            out.append(format.substr(i + 1, stop - i - 1));
            i = end == std::string_view::npos ? format.size() : end + 1;
            continue;
        }
        const std::size_t n = RunLength(format, i);
        switch (c) {
        case 'y':
            out += n <= 2 ? Pad(p.year % 100, 2) : Pad(p.year, 4);
            afterHour = false;
            break;
        case 'm':
            if (afterHour)
                out += n >= 2 ? Pad(p.minute, 2) : std::to_string(p.minute);
            else
                out += n >= 2 ? Pad(p.month, 2) : std::to_string(p.month);
            afterHour = false;
            break;
        case 'd':
            if (n >= 5)
                out += FormatDateTime(ShortDateFormat, dt);
            else
                out += n >= 2 ? Pad(p.day, 2) : std::to_string(p.day);
            afterHour = false;
            break;
        case 'h':
            out += n >= 2 ? Pad(p.hour, 2) : std::to_string(p.hour);
            afterHour = true;
            break;
        case 'n':
            out += n >= 2 ? Pad(p.minute, 2) : std::to_string(p.minute);
            afterHour = false;
            break;
        case 's':
            out += n >= 2 ? Pad(p.second, 2) : std::to_string(p.second);
            afterHour = false;
            break;
        case 'z':
            out += n >= 3 ? Pad(p.msec, 3) : std::to_string(p.msec);
            afterHour = false;
            break;
        case 't':
            out += FormatDateTime(n >= 2 ? LongTimeFormat : std::string_view("h:nn"), dt);
            afterHour = false;
            break;
        case 'c':
            out += DateTimeToStr(dt);
            afterHour = false;
            break;
        default:
            out.append(format.substr(i, n));
            break;
        }
        i += n;
    }
    return out;
}

std::string DateTimeToStr(TDateTime dt) {
    const DateParts p = DecodeDateTime(dt);
    std::string out = FormatDateTime(ShortDateFormat, dt);
    if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.msec != 0) {
        out += ' ';
        out += FormatDateTime(LongTimeFormat, dt);
    }
    return out;
}

std::string DateToStr(TDateTime dt) {
    return FormatDateTime(ShortDateFormat, dt);
}

std::string TimeToStr(TDateTime dt) {
    return FormatDateTime(LongTimeFormat, dt);
}

bool TryStrToDateTime(std::string_view text, TDateTime& result) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool haveDate = false;
    // A date "y/m/d" unless the text is a time alone ("h:n[:s]").
    if (text.find('/') != std::string_view::npos) {
        if (!ReadNumber(text, pos, year) || pos >= text.size() || text[pos] != '/')
            return false;
        ++pos;
        if (!ReadNumber(text, pos, month) || pos >= text.size() || text[pos] != '/')
            return false;
        ++pos;
        if (!ReadNumber(text, pos, day))
            return false;
        haveDate = true;
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
    }
    bool haveTime = false;
    if (pos < text.size()) {
        if (!ReadNumber(text, pos, hour) || pos >= text.size() || text[pos] != ':')
            return false;
        ++pos;
        if (!ReadNumber(text, pos, minute))
            return false;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!ReadNumber(text, pos, second))
                return false;
        }
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
        if (pos != text.size())
            return false;
        haveTime = true;
    }
    if (!haveDate && !haveTime)
        return false;
    TDateTime date = 0, time = 0;
    if (haveDate && !TryEncodeDate(year, month, day, date))
        return false;
    if (!TryEncodeTime(hour, minute, second, 0, time))
        return false;
    result = date >= 0 ? date + time : date - time;
    return true;
}

TDateTime StrToDateTime(std::string_view text) {
    TDateTime result;
    if (!TryStrToDateTime(text, result))
        throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
    return result;
}

std::string FloatToStr(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return buf;
}

bool TryStrToFloat(std::string_view text, double& result) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    if (b == e)
        return false;
    std::string_view t = text.substr(b, e - b);
    if (t.front() == '+')
        t.remove_prefix(1);
    if (t.empty() || (!std::isdigit(static_cast<unsigned char>(t.front())) && t.front() != '-' &&
                      t.front() != '.'))
        return false;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(value))
        return false;
    result = value;
    return true;
}

double StrToFloat(std::string_view text) {
    double result;
    if (!TryStrToFloat(text, result))
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return result;
}

bool TryStrToInt(std::string_view text, std::int32_t& result) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    std::string_view t = text.substr(b, e - b);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    if (t.empty())
        return false;
    std::int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size())
        return false;
    result = value;
    return true;
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t result;
    if (!TryStrToInt(text, result))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return result;
}

} // namespace platform
