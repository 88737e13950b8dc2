// Conversions between Unix time, MS-DOS date and time stamps (local time) and FILETIMEs.
#pragma once

#include <cstdint>

namespace unlha {

struct DosStamp {
    uint16_t date = 0;
    uint16_t time = 0;
};

// The local time of t as an MS-DOS stamp, clamped to 1980-01-01 .. 2107-12-31, seconds
// rounded down to even.
DosStamp ToDosStamp(int64_t unixTime);
// The Unix time of an MS-DOS stamp read as local time; invalid fields are brought into range.
int64_t FromDosStamp(DosStamp stamp);

// 100-nanosecond intervals since 1601-01-01 UTC.
uint64_t ToFileTime(int64_t unixTime);
int64_t FromFileTime(uint64_t fileTime);

} // namespace unlha
