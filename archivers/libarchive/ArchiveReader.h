// Reading one archive through libarchive from start to end: each member's header, then (on
// request) its data. libarchive reads forward only, so every command makes one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>

#include "Formats.h"

struct archive_entry;

namespace vmla {

enum class MemberType { File, Directory, Symlink, Hardlink, Special };

struct Member {
    std::string name; // the stored path, '/' between parts
    uint64_t size = 0;
    bool sizeKnown = false;
    time_t mtime = 0;
    mode_t mode = 0;
    MemberType type = MemberType::File;
    bool encrypted = false;
    std::string linkTarget; // the earlier member a hard link names
};

class ArchiveReader {
public:
    // Throws ArcError: missing file (ARC_ERROR_NOT_FIND_ARC_FILE), unreadable
    // (ARC_ERROR_ARC_FILE_OPEN), not an archive of the kind (ARC_ERROR_NOT_ARC_FILE).
    ArchiveReader(Kind kind, const std::string& path);

    // The next member's header; false after the last. Throws ArcError for a broken header.
    bool Next(Member& member);
    // The current member's data: bytes read, 0 at its end. Throws ArcError for broken or
    // encrypted data, and for more data than the header declared.
    std::size_t Read(void* buffer, std::size_t size);

    archive* handle() const { return a_.get(); }
    // libarchive's header of the current member, valid until the next call of Next.
    archive_entry* entry() const { return entry_; }
    Kind kind() const { return kind_; }

private:
    void Describe(archive_entry* entry, Member& member) const;

    Kind kind_;
    std::string path_;
    ArchivePtr a_;
    archive_entry* entry_ = nullptr;
    bool first_ = true;
    bool eof_ = false;
    std::string current_;
    uint64_t declared_ = 0;
    bool declaredKnown_ = false;
    uint64_t delivered_ = 0;
};

} // namespace vmla
