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

    // 0 and the record filled, or -1 when there is no (further) member.
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
    bool searching_ = false;
    MemberInfo current_;
    bool hasCurrent_ = false;
};

// The open listings of this library, by handle. Unknown handles give nullptr or false.
ArcHandle OpenListing(const std::string& path);
bool CloseListing(ArcHandle handle);
Listing* FindListing(ArcHandle handle);

} // namespace vmzip
