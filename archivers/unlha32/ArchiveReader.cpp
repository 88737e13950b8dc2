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

bool ArchiveReader::Next(MemberHeader& header) {
    in_.Seek(nextHeader_);
    data_.Reset(0);
    if (!ReadMemberHeader(in_, header))
        return false;
    const uint64_t dataStart = in_.Position();
    if (header.compressedSize > fileSize_ || dataStart > fileSize_ - header.compressedSize)
        Fail(ARC_ERROR_HEADER_BROKEN, "member data cut off: " + header.path);
    nextHeader_ = dataStart + header.compressedSize;
    data_.Reset(header.compressedSize);
    return true;
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
