#include "Listing.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "NamePattern.h"

namespace vmzip {

void FillMemberRecord(const MemberInfo& m, ArcMemberRecord* record) {
    std::memset(record, 0, ARC_MEMBER_LIBRARY_SIZE);
    record->originalSize = static_cast<uint32_t>(m.size);
    record->compressedSize = static_cast<uint32_t>(m.compressedSize);
    record->crc = m.crc;
    record->flags = m.flags;
    record->osType = m.opsys;
    if (m.size > 0)
        record->ratio =
            static_cast<uint16_t>(std::min<uint64_t>(m.compressedSize * 1000 / m.size, UINT16_MAX));
    record->dosDate = m.stamp.date;
    record->dosTime = m.stamp.time;
    const std::size_t n = std::min<std::size_t>(m.name.size(), ARC_NAME_MAX);
    std::memcpy(record->fileName, m.name.data(), n);
    record->fileName[n] = '\0';
    const std::string letters = AttributeLetters(m.attributes);
    std::memcpy(record->attribute, letters.c_str(), letters.size() + 1);
    const std::string method = MethodName(m.method).substr(0, sizeof record->method - 1);
    std::memcpy(record->method, method.c_str(), method.size() + 1);
}

Listing::Listing(const std::string& path) : archive_(path, OpenMode::Read) {}

bool Listing::Matches(const std::string& name) const {
    if (all_)
        return true;
    const TextEncoding enc = LocaleEncoding();
    return name == UnescapeName(wildcard_, enc) || WildcardMatch(wildcard_, name, enc);
}

int32_t Listing::First(const char* wildcard, ArcMemberRecord* record) {
    wildcard_ = wildcard == nullptr ? std::string() : std::string(wildcard);
    all_ = wildcard_.empty() || wildcard_ == "*" || wildcard_ == "*.*";
    next_ = 0;
    state_ = State::Searching;
    return Next(record);
}

int32_t Listing::Next(ArcMemberRecord* record) {
    hasCurrent_ = false;
    switch (state_) {
    case State::Idle:
        return ARC_ERROR_NOT_SEARCH_MODE;
    case State::Ended:
        return -1;
    case State::Broken:
        return ARC_ERROR_HEADER_BROKEN;
    case State::Searching:
        break;
    }
    if (record == nullptr)
        return ARC_ERROR_NOT_SUPPORT;
    const ArchiveCheck& check = archive_.Check();
    const uint64_t n = archive_.count();
    while (next_ < n) {
        if (next_ >= check.intact) {
            state_ = State::Broken;
            return ARC_ERROR_HEADER_BROKEN;
        }
        const zip_uint64_t i = next_++;
        const std::string name = archive_.NameOf(i);
        if (!Matches(name))
            continue;
        current_ = archive_.Describe(i);
        hasCurrent_ = true;
        FillMemberRecord(current_, record);
        return 0;
    }
    if (!check.ok()) {
        // The directory itself disagrees (no member to blame).
        state_ = State::Broken;
        return ARC_ERROR_HEADER_BROKEN;
    }
    state_ = State::Ended;
    return -1;
}

namespace {

std::map<ArcHandle, std::unique_ptr<Listing>>& Listings() {
    static std::map<ArcHandle, std::unique_ptr<Listing>> listings;
    return listings;
}

} // namespace

ArcHandle OpenListing(const std::string& path) {
    auto listing = std::make_unique<Listing>(path);
    ArcHandle handle = listing.get();
    Listings().emplace(handle, std::move(listing));
    return handle;
}

bool CloseListing(ArcHandle handle) {
    return Listings().erase(handle) > 0;
}

Listing* FindListing(ArcHandle handle) {
    const auto it = Listings().find(handle);
    return it == Listings().end() ? nullptr : it->second.get();
}

} // namespace vmzip
