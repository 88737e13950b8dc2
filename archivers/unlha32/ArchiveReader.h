// Walks the members of an archive file: header after header, with access to each member's data.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

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

    // The compressed data of the current member, once.
    ByteSource& Data();
    // Copies the current member (header and data) unchanged.
    void CopyMember(const MemberHeader& header, ByteSink& sink);

    const std::string& Path() const { return path_; }
    uint64_t FileSize() const { return fileSize_; }
    dev_t Device() const { return device_; }
    ino_t Inode() const { return inode_; }

private:
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
};

} // namespace unlha
