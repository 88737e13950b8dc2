#include "Listing.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <sys/stat.h>

#include "ArcError.h"
#include "MemberStamp.h"
#include "NamePattern.h"

namespace vmla {

Listing::Listing(Kind kind, const std::string& path) {
    ArchiveReader reader(kind, path);
    Member m;
    try {
        while (reader.Next(m))
            members_.push_back(m);
    } catch (const vmzip::ArcError& e) {
        if (members_.empty())
            throw;
        broken_ = true;
    }
    method_ = MethodText(kind, reader.handle());
    compressed_ = !(kind == Kind::Tar && archive_filter_code(reader.handle(), 0) == 0);
}

bool Listing::Matches(const std::string& name) const {
    if (wildcard_.empty() || wildcard_ == "*" || wildcard_ == "*.*")
        return true;
    return vmzip::WildcardMatch(wildcard_, name, vmzip::LocaleEncoding());
}

int32_t Listing::First(const char* wildcard, ArcMemberRecord* record) {
    wildcard_ = wildcard != nullptr ? wildcard : "";
    searching_ = true;
    next_ = 0;
    return Advance(record);
}

int32_t Listing::Next(ArcMemberRecord* record) {
    if (!searching_)
        return ARC_ERROR_NOT_SEARCH_MODE;
    return Advance(record);
}

const Member* Listing::current() const {
    return current_;
}

int32_t Listing::Advance(ArcMemberRecord* record) {
    current_ = nullptr;
    while (next_ < members_.size()) {
        const Member& m = members_[next_++];
        if (!Matches(m.name))
            continue;
        std::memset(record, 0, ARC_MEMBER_LIBRARY_SIZE);
        const uint64_t packed = compressed_ ? 0 : m.size;
        record->originalSize = static_cast<uint32_t>(std::min<uint64_t>(m.size, UINT32_MAX));
        record->compressedSize = static_cast<uint32_t>(std::min<uint64_t>(packed, UINT32_MAX));
        record->ratio =
            m.size == 0 || packed == 0
                ? 0
                : static_cast<uint16_t>(std::min<uint64_t>(packed * 1000 / m.size, 1000));
        const vmzip::DosStamp stamp = vmzip::ToDosStamp(m.mtime);
        record->dosDate = stamp.date;
        record->dosTime = stamp.time;
        const std::size_t n = std::min<std::size_t>(m.name.size(), ARC_NAME_MAX);
        std::memcpy(record->fileName, m.name.data(), n);
        const bool dir = m.type == MemberType::Directory;
        const std::string letters = vmzip::AttributeLetters(
            vmzip::DosAttributes(m.mode | (dir ? S_IFDIR : S_IFREG), m.name));
        std::memcpy(record->attribute, letters.c_str(), std::min<std::size_t>(letters.size(), 7));
        std::memcpy(record->method, method_.c_str(), std::min<std::size_t>(method_.size(), 7));
        current_ = &m;
        return 0;
    }
    return broken_ ? ARC_ERROR_HEADER_BROKEN : -1;
}

namespace {

std::map<ArcHandle, std::unique_ptr<Listing>>& Listings() {
    static std::map<ArcHandle, std::unique_ptr<Listing>> listings;
    return listings;
}

} // namespace

ArcHandle OpenListing(Kind kind, const std::string& path) {
    auto listing = std::make_unique<Listing>(kind, path);
    ArcHandle handle = listing.get();
    Listings()[handle] = std::move(listing);
    return handle;
}

bool CloseListing(ArcHandle handle) {
    return Listings().erase(handle) > 0;
}

Listing* FindListing(ArcHandle handle) {
    const auto it = Listings().find(handle);
    return it == Listings().end() ? nullptr : it->second.get();
}

} // namespace vmla
