#include "MemberStamp.h"

#include <sys/stat.h>

namespace vmzip {

DosStamp ToDosStamp(time_t t) {
    struct tm tmv {};
    if (localtime_r(&t, &tmv) == nullptr || tmv.tm_year < 80)
        return DosStamp{static_cast<uint16_t>((1 << 5) | 1), 0};
    if (tmv.tm_year > 207)
        return DosStamp{static_cast<uint16_t>((127 << 9) | (12 << 5) | 31),
                        static_cast<uint16_t>((23 << 11) | (59 << 5) | 29)};
    DosStamp s;
    s.date =
        static_cast<uint16_t>(((tmv.tm_year - 80) << 9) | ((tmv.tm_mon + 1) << 5) | tmv.tm_mday);
    s.time = static_cast<uint16_t>((tmv.tm_hour << 11) | (tmv.tm_min << 5) | (tmv.tm_sec / 2));
    return s;
}

time_t FromDosStamp(DosStamp stamp) {
    struct tm tmv {};
    tmv.tm_year = (stamp.date >> 9) + 80;
    tmv.tm_mon = ((stamp.date >> 5) & 15) - 1;
    tmv.tm_mday = stamp.date & 31;
    tmv.tm_hour = stamp.time >> 11;
    tmv.tm_min = (stamp.time >> 5) & 63;
    tmv.tm_sec = (stamp.time & 31) * 2;
    tmv.tm_isdst = -1;
    return mktime(&tmv);
}

ArcFileTime ToFileTime(time_t t) {
    const int64_t seconds = static_cast<int64_t>(t) + 11644473600LL;
    if (seconds < 0)
        return 0;
    return static_cast<ArcFileTime>(seconds) * 10000000ULL;
}

uint16_t DosAttributes(mode_t mode, std::string_view memberName) {
    uint16_t attr = 0;
    std::string_view base = memberName;
    while (!base.empty() && base.back() == '/')
        base.remove_suffix(1);
    const std::size_t slash = base.rfind('/');
    if (slash != std::string_view::npos)
        base = base.substr(slash + 1);
    if (!base.empty() && base[0] == '.')
        attr |= ARC_ATTR_HIDDEN;
    if (S_ISDIR(mode))
        attr |= ARC_ATTR_DIRECTORY;
    else
        attr |= ARC_ATTR_ARCHIVE;
    if ((mode & S_IWUSR) == 0)
        attr |= ARC_ATTR_READONLY;
    return attr;
}

std::string AttributeLetters(uint16_t attributes) {
    std::string s = "------";
    if (attributes & ARC_ATTR_DIRECTORY)
        s[0] = 'd';
    if (attributes & ARC_ATTR_ARCHIVE)
        s[1] = 'a';
    if (attributes & ARC_ATTR_SYSTEM)
        s[2] = 's';
    if (attributes & ARC_ATTR_READONLY)
        s[3] = 'o';
    if (attributes & ARC_ATTR_HIDDEN)
        s[4] = 'h';
    return s;
}

} // namespace vmzip
