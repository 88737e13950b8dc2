// Writes a new version of an archive into a work file beside it and makes it the archive only
// when complete: flushed to disk, then renamed over the old one. Until then (a failure, a
// cancel, a full disk) the old archive stays as it was and the work file is removed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/FileHandle.h"

namespace unlha {

class ArchiveWriter : public ByteSink {
public:
    // Creates the work file in the archive's directory (the directory of the file a symbolic
    // link names; missing directories are made). An archive directory that cannot be written
    // raises ArchiveError (ARC_ERROR_ARC_READ_ONLY, ARC_ERROR_DISK_SPACE or ARC_ERROR_TMP_OPEN).
    explicit ArchiveWriter(const std::string& archivePath);
    ~ArchiveWriter() override;
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    void Write(const uint8_t* data, std::size_t size) override;
    void Write(const std::string& bytes) {
        Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    uint64_t Position() const { return flushed_ + buffer_.size(); }
    // Drops everything written after position.
    void Rewind(uint64_t position);
    // Overwrites bytes written earlier.
    void Patch(uint64_t position, const std::string& bytes);

    // Flushes the work file to disk and renames it over the archive, with the given mode.
    void Commit(mode_t mode);

    // The file the work file replaces (the archive, or the file its link names).
    const std::string& Target() const { return target_; }
    dev_t Device() const { return device_; }
    ino_t Inode() const { return inode_; }

private:
    void Drain();

    std::string target_;
    std::string directory_;
    std::string tempPath_;
    FileHandle fd_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::vector<uint8_t> buffer_;
    uint64_t flushed_ = 0;
    bool committed_ = false;
};

} // namespace unlha
