#include "archivers/unlha32/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"

namespace unlha {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other)
        Reset(other.Release());
    return *this;
}

void FileHandle::Reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

std::size_t ReadFully(int fd, void* data, std::size_t size, int32_t errorCode,
                      const std::string& what) {
    auto* p = static_cast<uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errorCode, WithErrno("cannot read " + what, errno));
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t ReadFullyAt(int fd, void* data, std::size_t size, uint64_t offset, int32_t errorCode,
                        const std::string& what) {
    auto* p = static_cast<uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errorCode, WithErrno("cannot read " + what, errno));
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void WriteFully(int fd, const void* data, std::size_t size, const std::string& what) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            Fail(WriteErrorCode(err), WithErrno("cannot write " + what, err));
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

void WriteFullyAt(int fd, const void* data, std::size_t size, uint64_t offset,
                  const std::string& what) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            Fail(WriteErrorCode(err), WithErrno("cannot write " + what, err));
        }
        p += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
}

FileReader::FileReader(int fd, std::string name, std::size_t bufferSize)
    : fd_(fd), name_(std::move(name)), buffer_(bufferSize) {}

std::size_t FileReader::Read(void* data, std::size_t size) {
    auto* out = static_cast<uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (pos_ == end_) {
            // Large reads go straight to the caller's memory.
            if (size - done >= buffer_.size()) {
                const std::size_t n = ReadFullyAt(fd_, out + done, size - done, fileOffset_,
                                                  ARC_ERROR_CANNOT_READ, name_);
                fileOffset_ += n;
                done += n;
                break;
            }
            const std::size_t n = ReadFullyAt(fd_, buffer_.data(), buffer_.size(), fileOffset_,
                                              ARC_ERROR_CANNOT_READ, name_);
            fileOffset_ += n;
            pos_ = 0;
            end_ = n;
            if (n == 0)
                break;
        }
        const std::size_t n = std::min(size - done, end_ - pos_);
        std::memcpy(out + done, buffer_.data() + pos_, n);
        pos_ += n;
        done += n;
    }
    return done;
}

void FileReader::Skip(uint64_t n) {
    if (n <= end_ - pos_) {
        pos_ += static_cast<std::size_t>(n);
        return;
    }
    Seek(Position() + n);
}

void FileReader::Seek(uint64_t position) {
    // Inside the buffered part: keep the buffer (headers of small members follow each other).
    const uint64_t bufferStart = fileOffset_ - end_;
    if (position >= bufferStart && position <= fileOffset_) {
        pos_ = static_cast<std::size_t>(position - bufferStart);
        return;
    }
    fileOffset_ = position;
    pos_ = end_ = 0;
}

} // namespace unlha
