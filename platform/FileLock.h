// An exclusive advisory lock held on a lock file for as long as the object lives.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace platform {

class FileLock {
public:
    // Creates the lock file when missing and takes the lock without waiting; nullopt when
    // another process holds it. Where no lock file can be made (a read-only place) the lock
    // holds nothing: there is nothing to write there either.
    static std::optional<FileLock> TryAcquire(const std::string& path);

    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    FileLock(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace platform
