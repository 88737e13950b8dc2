#include "ZipRecords.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vmzip {

namespace {

constexpr std::size_t kLocalFixed = 30;
constexpr std::size_t kCentralFixed = 46;
constexpr std::size_t kEndFixed = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndFixed = 56;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50; // "PK\6\7"
constexpr uint16_t kZip64FieldId = 0x0001;
constexpr uint16_t kExtendedTimeId = 0x5455;

} // namespace

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Le64(const unsigned char* p) {
    return static_cast<uint64_t>(Le32(p)) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

RawFile::RawFile(const std::string& path) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        openErrno_ = errno;
        return;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        openErrno_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close(fd_);
        fd_ = -1;
        return;
    }
    size_ = static_cast<uint64_t>(st.st_size);
}

RawFile::~RawFile() {
    if (fd_ >= 0)
        close(fd_);
}

std::size_t RawFile::ReadAt(uint64_t offset, void* buffer, std::size_t len) const {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < len && offset + done < size_) {
        const ssize_t n = pread(fd_, out + done, len - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool RawFile::ReadExact(uint64_t offset, void* buffer, std::size_t len) const {
    return ReadAt(offset, buffer, len) == len;
}

std::optional<std::string_view> ExtraField(std::string_view extra, uint16_t id) {
    std::size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(extra.data() + pos);
        const uint16_t fieldId = Le16(p);
        const uint16_t len = Le16(p + 2);
        if (pos + 4 + len > extra.size())
            return std::nullopt;
        if (fieldId == id)
            return extra.substr(pos + 4, len);
        pos += 4 + static_cast<std::size_t>(len);
    }
    return std::nullopt;
}

std::optional<time_t> ExtraModificationTime(std::string_view extra) {
    const auto field = ExtraField(extra, kExtendedTimeId);
    if (!field || field->size() < 5 || (static_cast<unsigned char>((*field)[0]) & 1) == 0)
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(field->data() + 1);
    return static_cast<time_t>(static_cast<int32_t>(Le32(p)));
}

HeaderRead ReadLocalHeader(const RawFile& file, uint64_t offset, LocalHeader& header) {
    // One read takes the fixed part with the usual name and extra field along.
    unsigned char buf[kLocalFixed + 480];
    const std::size_t got = file.ReadAt(offset, buf, sizeof buf);
    if (got >= 4 && Le32(buf) != kLocalSignature)
        return HeaderRead::NoSignature;
    if (got < kLocalFixed)
        return got < 4 ? HeaderRead::NoSignature : HeaderRead::Cut;
    header = LocalHeader{};
    header.offset = offset;
    header.flags = Le16(buf + 6);
    header.method = Le16(buf + 8);
    header.dosTime = Le16(buf + 10);
    header.dosDate = Le16(buf + 12);
    header.crc = Le32(buf + 14);
    header.compressedSize = Le32(buf + 18);
    header.size = Le32(buf + 22);
    const std::size_t nameLen = Le16(buf + 26);
    const std::size_t extraLen = Le16(buf + 28);
    std::string rest(nameLen + extraLen, '\0');
    if (kLocalFixed + rest.size() <= got) {
        std::copy(buf + kLocalFixed, buf + kLocalFixed + rest.size(), rest.begin());
    } else if (!file.ReadExact(offset + kLocalFixed, rest.data(), rest.size())) {
        return HeaderRead::Cut;
    }
    header.name = rest.substr(0, nameLen);
    header.extra = rest.substr(nameLen);
    header.dataOffset = offset + kLocalFixed + rest.size();
    if (header.size == UINT32_MAX || header.compressedSize == UINT32_MAX) {
        // The local ZIP64 field holds both sizes, the original size first.
        if (const auto z = ExtraField(header.extra, kZip64FieldId); z && z->size() >= 16) {
            const auto* p = reinterpret_cast<const unsigned char*>(z->data());
            header.size = Le64(p);
            header.compressedSize = Le64(p + 8);
            header.zip64 = true;
        }
    } else if (ExtraField(header.extra, kZip64FieldId)) {
        header.zip64 = true;
    }
    return HeaderRead::Ok;
}

namespace {

// The entries of a central directory held in memory; false when it is not exactly count
// well-formed entries.
bool ParseEntries(const std::string& data, uint64_t count, std::vector<CentralEntry>& entries) {
    entries.clear();
    std::size_t pos = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (pos + kCentralFixed > data.size())
            return false;
        const auto* p = reinterpret_cast<const unsigned char*>(data.data() + pos);
        if (Le32(p) != kCentralSignature)
            return false;
        CentralEntry e;
        e.opsys = p[5];
        e.flags = Le16(p + 8);
        e.method = Le16(p + 10);
        e.dosTime = Le16(p + 12);
        e.dosDate = Le16(p + 14);
        e.crc = Le32(p + 16);
        e.compressedSize = Le32(p + 20);
        e.size = Le32(p + 24);
        const std::size_t nameLen = Le16(p + 28);
        const std::size_t extraLen = Le16(p + 30);
        const std::size_t commentLen = Le16(p + 32);
        const uint16_t disk = Le16(p + 34);
        e.external = Le32(p + 38);
        e.offset = Le32(p + 42);
        const std::size_t end = pos + kCentralFixed + nameLen + extraLen + commentLen;
        if (end > data.size())
            return false;
        e.name = data.substr(pos + kCentralFixed, nameLen);
        e.extra = data.substr(pos + kCentralFixed + nameLen, extraLen);
        if (const auto z = ExtraField(e.extra, kZip64FieldId)) {
            // Only the fields whose 32-bit value is all ones are present, in this order.
            const auto* q = reinterpret_cast<const unsigned char*>(z->data());
            std::size_t k = 0;
            auto take = [&](uint64_t& value) {
                if (k + 8 > z->size())
                    return false;
                value = Le64(q + k);
                k += 8;
                return true;
            };
            if (e.size == UINT32_MAX && !take(e.size))
                return false;
            if (e.compressedSize == UINT32_MAX && !take(e.compressedSize))
                return false;
            if (e.offset == UINT32_MAX && !take(e.offset))
                return false;
        }
        if (disk != 0 && disk != UINT16_MAX)
            return false;
        entries.push_back(std::move(e));
        pos = end;
    }
    return true;
}

struct EndRecord {
    uint64_t count = 0;
    uint64_t cdSize = 0;
    uint64_t cdOffset = 0;
    uint64_t limit = 0; // the directory must end at or before this offset
};

// The end record at pos (its ZIP64 record when it points to one), or nullopt.
std::optional<EndRecord> ReadEnd(const RawFile& file, uint64_t pos) {
    unsigned char end[kEndFixed];
    if (!file.ReadExact(pos, end, sizeof end) || Le32(end) != kEndSignature)
        return std::nullopt;
    if (pos + kEndFixed + Le16(end + 20) > file.size())
        return std::nullopt; // the comment would run past the end of the file
    if (Le16(end + 4) != 0 && Le16(end + 4) != UINT16_MAX)
        return std::nullopt; // a disk of a split archive
    EndRecord r;
    r.count = Le16(end + 10);
    r.cdSize = Le32(end + 12);
    r.cdOffset = Le32(end + 16);
    r.limit = pos;
    unsigned char loc[kZip64LocatorSize];
    if (pos >= kZip64LocatorSize && file.ReadExact(pos - kZip64LocatorSize, loc, sizeof loc) &&
        Le32(loc) == kZip64LocatorSignature) {
        const uint64_t at = Le64(loc + 8);
        unsigned char z[kZip64EndFixed];
        if (at + kZip64EndFixed > pos - kZip64LocatorSize || !file.ReadExact(at, z, sizeof z) ||
            Le32(z) != kZip64EndSignature)
            return std::nullopt;
        r.count = Le64(z + 32);
        r.cdSize = Le64(z + 40);
        r.cdOffset = Le64(z + 48);
        r.limit = at;
    }
    if (r.cdOffset > r.limit || r.cdSize > r.limit - r.cdOffset)
        return std::nullopt;
    // Each entry takes at least its fixed part.
    if (r.count > r.cdSize / kCentralFixed)
        return std::nullopt;
    return r;
}

} // namespace

std::optional<CentralDirectory> ReadCentralDirectory(const RawFile& file) {
    if (file.size() < kEndFixed)
        return std::nullopt;
    const uint64_t tailStart =
        file.size() > 65535 + kEndFixed ? file.size() - 65535 - kEndFixed : 0;
    std::string tail(static_cast<std::size_t>(file.size() - tailStart), '\0');
    if (!file.ReadExact(tailStart, tail.data(), tail.size()))
        return std::nullopt;
    for (std::size_t i = tail.size() - kEndFixed + 1; i-- > 0;) {
        if (Le32(reinterpret_cast<const unsigned char*>(tail.data() + i)) != kEndSignature)
            continue;
        const auto end = ReadEnd(file, tailStart + i);
        if (!end)
            continue;
        std::string data(static_cast<std::size_t>(end->cdSize), '\0');
        if (!file.ReadExact(end->cdOffset, data.data(), data.size()))
            continue;
        CentralDirectory cd;
        cd.offset = end->cdOffset;
        if (ParseEntries(data, end->count, cd.entries))
            return cd;
    }
    return std::nullopt;
}

} // namespace vmzip
