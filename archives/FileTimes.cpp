#include "archives/FileTimes.h"

#include "platform/DateTime.h"

namespace archives {

ArcFileTime DosDateTimeToUtcFileTime(std::uint16_t dosDate, std::uint16_t dosTime) {
    const int year = 1980 + (dosDate >> 9);
    const int month = (dosDate >> 5) & 0x0F;
    const int day = dosDate & 0x1F;
    const int hour = dosTime >> 11;
    const int minute = (dosTime >> 5) & 0x3F;
    const int second = (dosTime & 0x1F) * 2;
    platform::TDateTime date, time;
    if (!platform::TryEncodeDate(year, month, day, date) ||
        !platform::TryEncodeTime(hour, minute, second, 0, time))
        return 0;
    return UnixToFileTime(platform::DateTimeToUnix(date + time));
}

ArcFileTime UnixToFileTime(std::int64_t seconds) {
    const std::int64_t ticks = seconds * FileTimeTicksPerSecond + FileTimeUnixEpoch;
    return ticks < 0 ? 0 : static_cast<ArcFileTime>(ticks);
}

std::int64_t FileTimeToUnix(ArcFileTime time) {
    return (static_cast<std::int64_t>(time) - FileTimeUnixEpoch) / FileTimeTicksPerSecond;
}

} // namespace archives
