// Whether the central directory that libzip read can be trusted. libzip takes the central
// directory as it is; a flipped byte in it gives wrong names, sizes, times or offsets, and a
// listing or an update built on them would be wrong without a word. Each member's local
// header is therefore compared with its central entry (name, method, time, CRC and sizes
// unless a data descriptor carries them), and no member's data may run into the next member
// or into the central directory.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ZipRecords.h"

namespace vmzip {

struct ArchiveCheck {
    // Members 0 .. intact-1 (in directory order) agree; intact == their count when all do.
    uint64_t intact = 0;
    // Why member `intact` (or the whole directory) cannot be trusted; empty when all agree.
    std::string problem;
    // The central entries that agree with their local header, by the header's offset.
    std::unordered_map<uint64_t, CentralEntry> verified;

    bool ok() const { return problem.empty(); }
};

// Checks the archive at path against the names libzip gives its members (raw, in index
// order).
ArchiveCheck CheckArchiveMembers(const std::string& path, const std::vector<std::string>& names);

} // namespace vmzip
