// Walks the members of an archive file: header after header, with access to each member's data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/FileHandle.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha {

class ArchiveReader {
public:
    // Opens the archive; a missing or unreadable file raises ArchiveError
    // (ARC_ERROR_ARC_FILE_OPEN), one that is not a regular file ARC_ERROR_NOT_ARC_FILE.
    explicit ArchiveReader(const std::string& path);

    // Reads the next header (skipping the data of the current member); false at the end. A
    // member whose data would reach past the end of the file is a damaged archive.
    bool Next(MemberHeader& header);

    // After Next raised ArchiveError for a damaged header, moves on to the next sound header
    // behind the damage: where the damaged header's own sizes point when a sound header stands
    // there, else the first one a search forward finds (a header whose CRC or checksum matches
    // and whose data fit in the file). False when there is none, and after member data cut off
    // by the end of the file, as nothing can follow them.
    bool Recover();
    // Offset of the header Next read last (the damaged one after a failure).
    uint64_t HeaderOffset() const { return headerAt_; }

    // Next, going on past damage: each damaged place is reported to onDamage (ARC_ERROR_HEADER_*
    // and ARC_ERROR_VERSION codes), then the walk goes on with Recover. Other failures raise.
    template <typename OnDamage> bool NextIntact(MemberHeader& header, OnDamage onDamage);

    // The compressed data of the current member, once.
    ByteSource& Data();
    // Copies the current member (header and data) unchanged.
    void CopyMember(const MemberHeader& header, ByteSink& sink);

    const std::string& Path() const { return path_; }
    uint64_t FileSize() const { return fileSize_; }
    dev_t Device() const { return device_; }
    ino_t Inode() const { return inode_; }

private:
    // True when a sound header starts at position (see Recover).
    bool SoundHeaderAt(uint64_t position);
    // Where the member whose header starts at position ends by the header's own sizes.
    std::optional<uint64_t> DeclaredEnd(uint64_t position);
    // The first position from start on where a sound header starts.
    std::optional<uint64_t> FindSoundHeader(uint64_t start);

    class DataSource : public ByteSource {
    public:
        explicit DataSource(FileReader& in) : in_(in) {}
        void Reset(uint64_t size) { remaining_ = size; }
        std::size_t Read(uint8_t* data, std::size_t size) override;

    private:
        FileReader& in_;
        uint64_t remaining_ = 0;
    };

    std::string path_;
    FileHandle fd_;
    struct stat stat_;
    uint64_t fileSize_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    FileReader in_;
    DataSource data_;
    uint64_t nextHeader_ = 0;
    uint64_t headerAt_ = 0;
    bool cutOff_ = false; // the last failure was member data cut off by the end of the file
};

// Damage a walk can go on after: a header that is broken, fails its check, or has an unknown
// level.
bool IsHeaderDamage(int32_t code);

template <typename OnDamage>
bool ArchiveReader::NextIntact(MemberHeader& header, OnDamage onDamage) {
    for (;;) {
        try {
            return Next(header);
        } catch (const ArchiveError& e) {
            if (!IsHeaderDamage(e.code()))
                throw;
            onDamage(e);
            if (!Recover())
                return false;
        }
    }
}

} // namespace unlha
