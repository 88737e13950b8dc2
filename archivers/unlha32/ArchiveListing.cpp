#include "archivers/unlha32/ArchiveListing.h"

#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/MemberData.h"
#include "archivers/unlha32/MemberRecord.h"
#include "archivers/unlha32/Wildcard.h"

namespace unlha {
namespace {

bool AllMembers(const std::string& wildcard) {
    return wildcard.empty() || wildcard == "*" || wildcard == "*.*";
}

} // namespace

ArchiveListing::ArchiveListing(const std::string& path) : path_(path) {
    if (!CheckArchiveFile(path, ARC_CHECK_RAPID))
        Fail(ARC_ERROR_NOT_ARC_FILE, "not an LZH archive: " + path);
}

int32_t ArchiveListing::First(const std::string& wildcard, ArcMemberRecord* record) {
    wildcard_ = wildcard;
    haveCurrent_ = false;
    searching_ = true;
    ended_ = 0;
    try {
        reader_ = std::make_unique<ArchiveReader>(path_);
    } catch (const ArchiveError& e) {
        searching_ = false;
        ended_ = e.code();
        return ended_;
    }
    return Advance(record);
}

int32_t ArchiveListing::Next(ArcMemberRecord* record) {
    if (ended_ != 0)
        return ended_;
    if (!searching_ || !reader_)
        return ARC_ERROR_NOT_SEARCH_MODE;
    return Advance(record);
}

int32_t ArchiveListing::Advance(ArcMemberRecord* record) {
    try {
        while (reader_->Next(current_)) {
            if (!AllMembers(wildcard_) && current_.path != wildcard_ &&
                !WildcardMatch(wildcard_, current_.path))
                continue;
            haveCurrent_ = true;
            if (record != nullptr)
                FillMemberRecord(current_, *record);
            return 0;
        }
        ended_ = -1;
    } catch (const ArchiveError& e) {
        // Damage is never the end: a caller must not take a cut-off archive as complete.
        ended_ = e.code();
    }
    haveCurrent_ = false;
    searching_ = false;
    return ended_;
}

bool CheckArchiveFile(const std::string& path, int32_t mode) {
    try {
        ArchiveReader reader(path);
        MemberHeader h;
        if (!reader.Next(h))
            return reader.FileSize() == 1; // the end mark of an archive without members
        const bool fullCrc = (mode & ARC_CHECK_FULLCRC) != 0;
        if (mode == ARC_CHECK_RAPID)
            return true;
        do {
            if (fullCrc && !h.IsDirectory())
                ReadMemberData(reader, h, nullptr, nullptr);
        } while (reader.Next(h));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace unlha
