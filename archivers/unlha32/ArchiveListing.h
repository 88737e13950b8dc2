// An archive opened by OpenArchive: FindFirst and FindNext walk its members, and the time and
// size entries read the current one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveReader.h"

namespace unlha {

class ArchiveListing {
public:
    // Opens the archive and checks its first header; ArchiveError when it is no LZH archive.
    explicit ArchiveListing(const std::string& path);

    // 0 and the record filled: found; -1: the regular end (the end mark) was reached; another
    // code: the archive is damaged or cannot be read there (ARC_ERROR_HEADER_BROKEN for a cut
    // or broken header or member data cut off, ARC_ERROR_HEADER_CRC, ARC_ERROR_VERSION,
    // ARC_ERROR_CANNOT_READ, ...). Once the search has ended, Next answers the same again.
    int32_t First(const std::string& wildcard, ArcMemberRecord* record);
    int32_t Next(ArcMemberRecord* record);

    // The member found last, or nullptr.
    const MemberHeader* Current() const { return haveCurrent_ ? &current_ : nullptr; }
    bool Searching() const { return searching_; }

private:
    int32_t Advance(ArcMemberRecord* record);

    std::string path_;
    std::unique_ptr<ArchiveReader> reader_;
    std::string wildcard_;
    MemberHeader current_;
    bool haveCurrent_ = false;
    bool searching_ = false;
    int32_t ended_ = 0; // how the last search ended: -1 or an error code; 0 while it runs
};

// True when the file is an LZH archive: its first header is sound (ARC_CHECK_RAPID), every
// header is (ARC_CHECK_BASIC, ARC_CHECK_ALL), and every member's data too (ARC_CHECK_FULLCRC).
// An archive of no members (the end mark alone) counts.
bool CheckArchiveFile(const std::string& path, int32_t mode);

} // namespace unlha
