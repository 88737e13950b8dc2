#include "ReadableArchive.h"

#include "ArcError.h"
#include "ArchiverContract.h"

namespace vmzip {

namespace {

// libzip's refusals that a damaged archive gives (not a missing or unreadable file).
bool MayBeDamage(int32_t code) {
    return code == ARC_ERROR_NOT_ARC_FILE || code == ARC_ERROR_HEADER_BROKEN ||
           code == ARC_ERROR_EOF;
}

} // namespace

ReadableArchive::ReadableArchive(const std::string& path) {
    try {
        zip_ = std::make_unique<ZipArchive>(path, OpenMode::Read);
    } catch (const ArcError& e) {
        if (!MayBeDamage(e.code()) || !StartsWithLocalHeader(path))
            throw;
        damage_ = "damaged archive " + path +
                  ": its central directory cannot be read; members were read from their local "
                  "headers";
        recovered_ = std::make_unique<RecoveredArchive>(path, nullptr);
        return;
    }
    const ArchiveCheck& check = zip_->Check();
    if (check.ok())
        return;
    damage_ = "damaged archive " + path + ": " + check.problem +
              "; members were read from their local headers";
    recovered_ = std::make_unique<RecoveredArchive>(zip_->path(), &check.verified);
    zip_.reset();
}

MemberCatalog& ReadableArchive::members() {
    if (recovered_)
        return *recovered_;
    return *zip_;
}

std::vector<std::string> ReadableArchive::notes() const {
    return recovered_ ? recovered_->notes() : std::vector<std::string>();
}

} // namespace vmzip
