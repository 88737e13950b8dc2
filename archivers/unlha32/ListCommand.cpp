#include <cinttypes>
#include <cstdio>

#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/Commands.h"
#include "archivers/unlha32/MemberMatcher.h"
#include "archivers/unlha32/MemberRecord.h"

namespace unlha {

void ListMembers(const Command& command, Report& report) {
    MemberMatcher matcher(command.names, command.switches.Excludes());
    ResolveNames(matcher, command.archive);
    ArchiveReader reader(command.archive);
    report.Line("    Original       Packed Ratio Date       Time     Attr   Method CRC  Name");
    report.Line("------------ ------------ ----- ---------- -------- ------ ------ ---- ----");
    uint64_t totalOriginal = 0, totalPacked = 0, count = 0;
    const auto damaged = [&](const ArchiveError& e) {
        report.Error(e.code(), std::string(e.what()) + " (at byte " +
                                   std::to_string(reader.HeaderOffset()) + ")");
    };
    MemberHeader h;
    while (reader.NextIntact(h, damaged)) {
        if (!matcher.Matches(h.path))
            continue;
        const DosStamp s = h.dosStamp;
        const unsigned ratio =
            h.originalSize == 0 ? 0
                                : static_cast<unsigned>(h.compressedSize * 1000 / h.originalSize);
        char line[160];
        std::snprintf(line, sizeof line,
                      "%12" PRIu64 " %12" PRIu64
                      " %3u.%u %04u-%02u-%02u %02u:%02u:%02u %s %s %04X ",
                      h.originalSize, h.compressedSize, ratio / 10 > 999 ? 999 : ratio / 10,
                      ratio % 10, (s.date >> 9) + 1980u, (s.date >> 5) & 15u, s.date & 31u,
                      s.time >> 11, (s.time >> 5) & 63u, (s.time & 31u) * 2,
                      AttributeLetters(MemberAttributes(h)).c_str(), h.method.c_str(), h.crc);
        report.Line(line + h.path);
        totalOriginal += h.originalSize;
        totalPacked += h.compressedSize;
        ++count;
    }
    char total[120];
    std::snprintf(total, sizeof total, "%12" PRIu64 " %12" PRIu64 " %" PRIu64 " member(s)",
                  totalOriginal, totalPacked, count);
    report.Line("------------ ------------");
    report.Line(total);
}

} // namespace unlha
