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

#include "ArchiveCheck.h"
#include "ArchiveFile.h"
#include "MemberCatalog.h"

namespace vmzip {

enum class OpenMode { Read, Write, WriteExisting };

class ZipArchive : public MemberCatalog {
public:
    // Read: the archive must exist (ARC_ERROR_NOT_FIND_ARC_FILE otherwise).
    // Write: created when missing. WriteExisting: must exist. Other failures: damaged or
    // not an archive. Throws ArcError.
    ZipArchive(const std::string& path, OpenMode mode);
    ~ZipArchive() override;
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    zip_t* get() const { return za_; }
    const std::string& path() const { return file_->path(); }
    uint64_t count() const override;

    // The stored name of entry index (raw bytes).
    std::string NameOf(uint64_t index) const override;
    MemberInfo Describe(uint64_t index) const override;

    // Entry index by stored name, or -1. Covers entries added since opening (Remember).
    int64_t Find(const std::string& name) override;
    // The member's data (CRC checked at the end): libzip's reading, or libarchive's for the
    // methods libzip cannot decode (see ForeignMethodData.h).
    std::unique_ptr<MemberData> Open(uint64_t index) override;

    // The members' local headers compared with the central directory as opened (done once,
    // before any change).
    const ArchiveCheck& Check();
    void Remember(const std::string& name, zip_uint64_t index);
    void Forget(const std::string& name);

    // Writes the changes (work file renamed over the archive). Throws ArcError; a failed
    // close leaves the archive as it was and the handle open, so it may be tried again.
    void Commit(bool cancelled);

private:
    void BuildIndex();

    std::unique_ptr<ArchiveFile> file_;
    zip_t* za_ = nullptr;
    std::unordered_map<std::string, zip_uint64_t> index_;
    bool indexed_ = false;
    std::unique_ptr<ArchiveCheck> check_;
};

} // namespace vmzip
