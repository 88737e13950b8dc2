#include "ArchiveCheck.h"

#include <algorithm>

#include "ArcError.h"

namespace vmzip {

namespace {

constexpr uint16_t kUnicodePathId = 0x7075; // libzip gives this name instead of the stored one

// Why the entry disagrees with its local header (filled into header), or empty.
std::string Compare(const RawFile& file, const CentralDirectory& cd, const CentralEntry& e,
                    LocalHeader& header) {
    if (e.offset >= cd.offset || ReadLocalHeader(file, e.offset, header) != HeaderRead::Ok)
        return "its local header is missing";
    if (header.name != e.name)
        return "its local header names another member";
    if (header.method != e.method)
        return "its compression method differs from its local header";
    if (header.dosTime != e.dosTime || header.dosDate != e.dosDate)
        return "its time differs from its local header";
    const auto localTime = ExtraModificationTime(header.extra);
    const auto centralTime = ExtraModificationTime(e.extra);
    if (localTime && centralTime && *localTime != *centralTime)
        return "its time differs from its local header";
    if ((header.flags & kFlagDescriptor) == 0 &&
        (header.crc != e.crc || header.compressedSize != e.compressedSize || header.size != e.size))
        return "its CRC or size differs from its local header";
    if (header.dataOffset > cd.offset || e.compressedSize > cd.offset - header.dataOffset)
        return "its data runs into the central directory";
    return std::string();
}

} // namespace

ArchiveCheck CheckArchiveMembers(const std::string& path, const std::vector<std::string>& names) {
    ArchiveCheck check;
    const RawFile file(path);
    if (!file.ok()) {
        check.problem = WithErrno("cannot read the archive", file.openErrno());
        return check;
    }
    if (file.size() == 0 && names.empty())
        return check; // an empty file that a writing command takes for an empty archive
    const auto cd = ReadCentralDirectory(file);
    if (!cd) {
        check.problem = "the central directory cannot be read";
        return check;
    }
    const std::size_t n = cd->entries.size();
    if (n != names.size()) {
        check.problem = "the central directory holds " + std::to_string(n) +
                        " members, libzip reads " + std::to_string(names.size());
        return check;
    }

    std::vector<std::string> bad(n);
    std::vector<uint64_t> dataEnd(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const CentralEntry& e = cd->entries[i];
        if (!ExtraField(e.extra, kUnicodePathId) && e.name != names[i]) {
            bad[i] = "its name is read differently";
            continue;
        }
        LocalHeader header;
        bad[i] = Compare(file, *cd, e, header);
        if (bad[i].empty())
            dataEnd[i] = header.dataOffset + e.compressedSize;
    }

    // In file order, every member's data ends before the next member starts.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < n; ++i) {
        if (bad[i].empty())
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return cd->entries[a].offset < cd->entries[b].offset;
    });
    for (std::size_t k = 0; k + 1 < order.size(); ++k) {
        const std::size_t a = order[k];
        const std::size_t b = order[k + 1];
        if (dataEnd[a] > cd->entries[b].offset) {
            bad[a] = "its data overlaps another member";
            bad[b] = "its data overlaps another member";
        }
    }

    check.intact = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (bad[i].empty()) {
            check.verified.emplace(cd->entries[i].offset, cd->entries[i]);
        } else if (check.intact == n) {
            check.intact = i;
            check.problem = "member " + cd->entries[i].name + ": " + bad[i];
        }
    }
    return check;
}

} // namespace vmzip
