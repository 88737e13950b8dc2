#include "archivers/unlha32/DosTime.h"

#include <ctime>

namespace unlha {
namespace {
constexpr int64_t kFileTimeEpochOffset = 11644473600; // seconds from 1601 to 1970
}

DosStamp ToDosStamp(int64_t unixTime) {
    const time_t t = static_cast<time_t>(unixTime);
    struct tm tm {};
    if (localtime_r(&t, &tm) == nullptr)
        return {static_cast<uint16_t>((0 << 9) | (1 << 5) | 1), 0};
    int year = tm.tm_year + 1900;
    if (year < 1980)
        return {static_cast<uint16_t>((1 << 5) | 1), 0};
    if (year > 2107)
        return {static_cast<uint16_t>((127 << 9) | (12 << 5) | 31),
                static_cast<uint16_t>((23 << 11) | (59 << 5) | 29)};
    DosStamp s;
    s.date = static_cast<uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    s.time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return s;
}

int64_t FromDosStamp(DosStamp stamp) {
    struct tm tm {};
    tm.tm_year = (stamp.date >> 9) + 80;
    tm.tm_mon = ((stamp.date >> 5) & 15) - 1;
    tm.tm_mday = stamp.date & 31;
    tm.tm_hour = stamp.time >> 11;
    tm.tm_min = (stamp.time >> 5) & 63;
    tm.tm_sec = (stamp.time & 31) * 2;
    if (tm.tm_mon < 0)
        tm.tm_mon = 0;
    if (tm.tm_mday == 0)
        tm.tm_mday = 1;
    tm.tm_isdst = -1;
    const time_t t = mktime(&tm);
    return t == static_cast<time_t>(-1) ? 0 : static_cast<int64_t>(t);
}

uint64_t ToFileTime(int64_t unixTime) {
    const int64_t t = unixTime + kFileTimeEpochOffset;
    return t < 0 ? 0 : static_cast<uint64_t>(t) * 10000000u;
}

int64_t FromFileTime(uint64_t fileTime) {
    return static_cast<int64_t>(fileTime / 10000000u) - kFileTimeEpochOffset;
}

} // namespace unlha
