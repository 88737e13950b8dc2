// Member headers of an LZH archive: reading levels 0 to 3, writing level 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archivers/unlha32/DosTime.h"
#include "archivers/unlha32/FileHandle.h"

namespace unlha {

struct MemberHeader {
    std::string method;          // five bytes such as "-lh5-"
    uint64_t compressedSize = 0; // bytes of data after the header
    uint64_t originalSize = 0;
    int64_t mtime = 0; // Unix seconds
    DosStamp dosStamp; // MS-DOS local stamp (as stored, or derived from mtime)
    uint16_t crc = 0;  // CRC-16 of the original data
    int level = 2;
    uint8_t osId = 'U';
    uint8_t dosAttributes = 0x20;
    std::optional<uint16_t> unixMode;
    // Windows time stamps (FILETIMEs) when the header carries them.
    std::optional<uint64_t> creationTime, writeTime, accessTime;
    std::string path;     // parts separated by '/'; a directory member has no trailing '/'
    std::string raw;      // the header bytes as stored
    uint64_t offset = 0;  // of the header in the archive
    bool checked = false; // a header CRC (level 2) or checksum (levels 0, 1) was stored and matched

    bool IsDirectory() const { return method == "-lhd-"; }
};

// Reads the header at the reader's position and leaves the reader at the member's data.
// Returns false at the end mark of the archive (a zero byte). A damaged header, and the end of
// the file where a header or the end mark should be, raise ArchiveError (broken header, header
// CRC, unsupported level; an empty file is no archive).
bool ReadMemberHeader(FileReader& in, MemberHeader& header);

// The level-2 header for a member, with its header CRC. The 64-bit size extension is added
// when largeSizes is set (the header's length then does not depend on the sizes, so a header
// written before the data can be rewritten in place afterwards). A path that cannot be
// stored raises ArchiveError.
std::string BuildLevel2Header(const MemberHeader& header, bool largeSizes);

// True when the sizes need the 64-bit extension.
inline bool NeedsLargeSizes(uint64_t size) {
    return size > 0xFFFFFFFFu;
}

} // namespace unlha
