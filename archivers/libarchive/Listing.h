// Member listings behind the archive handles of OpenArchive/FindFirst/FindNext. Opening reads
// every header once; a header that breaks the reading ends the listing with
// ARC_ERROR_HEADER_BROKEN after the members before it, so a listing cut short is never taken
// for a complete one.
#pragma once

#include <string>
#include <vector>

#include "ArchiveReader.h"
#include "ArchiverContract.h"

namespace vmla {

class Listing {
public:
    // Throws ArcError when the file is no readable archive of the kind.
    Listing(Kind kind, const std::string& path);

    // 0 and the record filled; -1 after the last member; ARC_ERROR_NOT_SEARCH_MODE for Next
    // before First.
    int32_t First(const char* wildcard, ArcMemberRecord* record);
    int32_t Next(ArcMemberRecord* record);
    // The member of the last successful First/Next, or nullptr.
    const Member* current() const;

private:
    int32_t Advance(ArcMemberRecord* record);
    bool Matches(const std::string& name) const;

    std::vector<Member> members_;
    std::string method_;
    bool compressed_ = true;
    bool broken_ = false;
    std::string wildcard_;
    bool searching_ = false;
    std::size_t next_ = 0;
    const Member* current_ = nullptr;
};

// The open listings of this library, by handle. Unknown handles give nullptr or false.
ArcHandle OpenListing(Kind kind, const std::string& path);
bool CloseListing(ArcHandle handle);
Listing* FindListing(ArcHandle handle);

} // namespace vmla
