// FILETIME values of member records: 100-nanosecond intervals since 1601-01-01 UTC.
#pragma once

#include "archives/ArchiverTypes.h"

#include <cstdint>

namespace archives {

inline constexpr std::int64_t FileTimeUnixEpoch = 116444736000000000LL; // 1970-01-01 UTC
inline constexpr std::int64_t FileTimeTicksPerSecond = 10000000LL;

// An MS-DOS date and time, read as local time, as a UTC FILETIME; 0 when the fields form no
// valid date and time.
ArcFileTime DosDateTimeToUtcFileTime(std::uint16_t dosDate, std::uint16_t dosTime);

ArcFileTime UnixToFileTime(std::int64_t seconds);
std::int64_t FileTimeToUnix(ArcFileTime time);

} // namespace archives
