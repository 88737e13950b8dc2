#include "archivers/unlha32/ArchiveReader.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"

namespace unlha {
namespace {

int OpenArchiveFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        Fail(err == ENOMEM ? ARC_ERROR_ENOUGH_MEMORY : ARC_ERROR_ARC_FILE_OPEN,
             WithErrno("cannot open the archive " + path, err));
    }
    return fd;
}

// Size of the archive file; only regular files are archives.
struct stat StatArchive(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        Fail(ARC_ERROR_ARC_FILE_OPEN, WithErrno("cannot read the archive " + path, errno));
    if (!S_ISREG(st.st_mode))
        Fail(ARC_ERROR_NOT_ARC_FILE, "not an archive file: " + path);
    return st;
}

} // namespace

ArchiveReader::ArchiveReader(const std::string& path)
    : path_(path), fd_(OpenArchiveFile(path)), stat_(StatArchive(fd_.Get(), path)),
      in_(fd_.Get(), path,
          static_cast<std::size_t>(std::clamp<off_t>(stat_.st_size, 4096, off_t{1} << 18))),
      data_(in_) {
    fileSize_ = static_cast<uint64_t>(stat_.st_size);
    device_ = stat_.st_dev;
    inode_ = stat_.st_ino;
}

bool IsHeaderDamage(int32_t code) {
    return code == ARC_ERROR_HEADER_BROKEN || code == ARC_ERROR_HEADER_CRC ||
           code == ARC_ERROR_VERSION;
}

bool ArchiveReader::Next(MemberHeader& header) {
    headerAt_ = nextHeader_;
    cutOff_ = false;
    in_.Seek(nextHeader_);
    data_.Reset(0);
    if (!ReadMemberHeader(in_, header))
        return false;
    const uint64_t dataStart = in_.Position();
    if (header.compressedSize > fileSize_ || dataStart > fileSize_ - header.compressedSize) {
        cutOff_ = true;
        Fail(ARC_ERROR_HEADER_BROKEN,
             "member data cut off by the end of the archive: " + header.path);
    }
    nextHeader_ = dataStart + header.compressedSize;
    data_.Reset(header.compressedSize);
    return true;
}

bool ArchiveReader::SoundHeaderAt(uint64_t position) {
    if (position >= fileSize_)
        return false;
    MemberHeader h;
    try {
        in_.Seek(position);
        if (!ReadMemberHeader(in_, h))
            return false;
    } catch (const ArchiveError&) {
        return false;
    }
    // Only checked headers of the usual method families: a search runs through member data.
    const std::string family = h.method.substr(1, 2);
    if (!h.checked || (family != "lh" && family != "lz" && family != "pm"))
        return false;
    const uint64_t dataStart = in_.Position();
    return h.compressedSize <= fileSize_ && dataStart <= fileSize_ - h.compressedSize;
}

std::optional<uint64_t> ArchiveReader::DeclaredEnd(uint64_t position) {
    uint8_t b[21];
    if (ReadFullyAt(fd_.Get(), b, sizeof b, position, ARC_ERROR_CANNOT_READ, path_) != sizeof b)
        return std::nullopt;
    const uint64_t packed = static_cast<uint64_t>(b[7]) | (static_cast<uint64_t>(b[8]) << 8) |
                            (static_cast<uint64_t>(b[9]) << 16) |
                            (static_cast<uint64_t>(b[10]) << 24);
    switch (b[20]) {
    case 0:
    case 1:
        return position + b[0] + 2 + packed;
    case 2:
        return position + (b[0] | (b[1] << 8)) + packed;
    default:
        return std::nullopt;
    }
}

std::optional<uint64_t> ArchiveReader::FindSoundHeader(uint64_t start) {
    // A header has its method ("-lh5-") at offsets 2 to 6 and its level at 20; chunks overlap
    // by those bytes so that no position is missed.
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    constexpr std::size_t kLook = 21;
    std::vector<uint8_t> chunk(kChunk);
    for (uint64_t base = start; base < fileSize_; base += kChunk - kLook) {
        const std::size_t n =
            ReadFullyAt(fd_.Get(), chunk.data(), kChunk, base, ARC_ERROR_CANNOT_READ, path_);
        if (n < kLook)
            break;
        for (std::size_t i = 0; i + kLook <= n; ++i) {
            const uint8_t* p = chunk.data() + i;
            if (p[2] == '-' && p[6] == '-' && (p[3] == 'l' || p[3] == 'p') && p[20] <= 2 &&
                SoundHeaderAt(base + i))
                return base + i;
        }
        if (n < kChunk)
            break;
    }
    return std::nullopt;
}

bool ArchiveReader::Recover() {
    if (cutOff_)
        return false;
    const uint64_t damaged = headerAt_;
    if (const auto end = DeclaredEnd(damaged); end && *end > damaged && SoundHeaderAt(*end)) {
        nextHeader_ = *end;
        return true;
    }
    if (const auto found = FindSoundHeader(damaged + 1)) {
        nextHeader_ = *found;
        return true;
    }
    return false;
}

ByteSource& ArchiveReader::Data() {
    return data_;
}

void ArchiveReader::CopyMember(const MemberHeader& header, ByteSink& sink) {
    sink.Write(reinterpret_cast<const uint8_t*>(header.raw.data()), header.raw.size());
    std::vector<uint8_t> buffer(std::size_t{1} << 18);
    for (;;) {
        const std::size_t n = data_.Read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        sink.Write(buffer.data(), n);
    }
}

std::size_t ArchiveReader::DataSource::Read(uint8_t* data, std::size_t size) {
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(size, remaining_));
    if (want == 0)
        return 0;
    const std::size_t n = in_.Read(data, want);
    if (n < want)
        Fail(ARC_ERROR_CANNOT_READ, "archive cut off: " + in_.Name());
    remaining_ -= n;
    return n;
}

} // namespace unlha
