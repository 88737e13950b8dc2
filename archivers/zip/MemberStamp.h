// The stamps and attribute texts of a member record as the program reads them: MS-DOS date
// and time (local), FILETIME, MS-DOS attribute bits and their letters. Shared by every library
// that fills member records.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "ArchiverContract.h"

namespace vmzip {

struct DosStamp {
    uint16_t date = 0;
    uint16_t time = 0;
};

// Local time, 2-second steps, clamped to 1980-01-01 .. 2107-12-31.
DosStamp ToDosStamp(time_t t);
time_t FromDosStamp(DosStamp stamp);

// 100-ns intervals since 1601 (UTC).
ArcFileTime ToFileTime(time_t t);

// MS-DOS attribute bits as the program reads them: read-only when the owner may not write,
// hidden for names starting with '.', directory, archive for every other member.
uint16_t DosAttributes(mode_t mode, std::string_view memberName);

// Six attribute letters by position, '-' where a bit is off, as the LZH library writes them:
// 'd' directory, 'a' archive, 's' system, 'o' read-only, 'h' hidden, one reserved '-'
// (a hidden file: "-a--h-"). The program looks for the letters a, s, h and o.
std::string AttributeLetters(uint16_t attributes);

} // namespace vmzip
