// One open ZIP archive: libzip's handle over an ArchiveFile, the members by their stored
// names (the bytes as written in the archive, never converted), and their descriptions.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <sys/types.h>
#include <unordered_map>

#include <zip.h>

#include "ArchiveFile.h"
#include "MemberMeta.h"

namespace vmzip {

struct MemberInfo {
    std::string name;
    uint64_t size = 0;
    uint64_t compressedSize = 0;
    uint32_t crc = 0;
    int32_t method = 0;
    uint16_t flags = 0;
    uint8_t opsys = 0;
    time_t mtime = 0;
    DosStamp stamp;
    mode_t mode = 0;
    uint16_t attributes = 0;
    bool isDir = false;
    bool isLink = false;
    bool encrypted = false;
};

enum class OpenMode { Read, Write, WriteExisting };

class ZipArchive {
public:
    // Read: the archive must exist (ARC_ERROR_NOT_FIND_ARC_FILE otherwise).
    // Write: created when missing. WriteExisting: must exist. Other failures: damaged or
    // not an archive. Throws ArcError.
    ZipArchive(const std::string& path, OpenMode mode);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    zip_t* get() const { return za_; }
    const std::string& path() const { return file_->path(); }
    uint64_t count() const;

    // The stored name of entry index (raw bytes).
    std::string NameOf(zip_uint64_t index) const;
    MemberInfo Describe(zip_uint64_t index) const;

    // Entry index by stored name, or -1. Covers entries added since opening (Remember).
    int64_t Find(const std::string& name);
    void Remember(const std::string& name, zip_uint64_t index);
    void Forget(const std::string& name);

    // Writes the changes (work file renamed over the archive). Throws ArcError; the caller
    // passes the code for a cancel and for a failed member file.
    void Commit(bool cancelled, int32_t sourceFailureCode, const std::string& sourceFailure);

private:
    void BuildIndex();

    std::unique_ptr<ArchiveFile> file_;
    zip_t* za_ = nullptr;
    std::unordered_map<std::string, zip_uint64_t> index_;
    bool indexed_ = false;
};

} // namespace vmzip
