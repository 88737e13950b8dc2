// Member listings behind the archive handles of OpenArchive/FindFirst/FindNext, and the
// member record they fill.
#pragma once

#include <memory>
#include <string>

#include "ArchiverContract.h"
#include "ZipArchive.h"

namespace vmzip {

// Fills the library's part of the record (sizes cut to 32 bits, name cut to 512 bytes).
void FillMemberRecord(const MemberInfo& m, ArcMemberRecord* record);

class Listing {
public:
    explicit Listing(const std::string& path);

    // 0 and the record filled; -1 at the regular end of the members. The first search checks
    // every member's local header against the central directory: from the first member that
    // does not agree on, the listing cannot be trusted and ARC_ERROR_HEADER_BROKEN comes
    // instead of a record (also for every later call). ARC_ERROR_NOT_SEARCH_MODE: Next
    // before First.
    int32_t First(const char* wildcard, ArcMemberRecord* record);
    int32_t Next(ArcMemberRecord* record);
    // The member of the last successful First/Next, or nullptr.
    const MemberInfo* current() const { return hasCurrent_ ? &current_ : nullptr; }

private:
    bool Matches(const std::string& name) const;

    ZipArchive archive_;
    std::string wildcard_;
    bool all_ = true;
    uint64_t next_ = 0;
    enum class State { Idle, Searching, Ended, Broken } state_ = State::Idle;
    MemberInfo current_;
    bool hasCurrent_ = false;
};

// The open listings of this library, by handle. Unknown handles give nullptr or false.
ArcHandle OpenListing(const std::string& path);
bool CloseListing(ArcHandle handle);
Listing* FindListing(ArcHandle handle);

} // namespace vmzip
