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
    // holds nothing (Held() is false): there is nothing to write there either. A lock file that
    // its holder removes is never taken: the lock is held on the file the path names.
    static std::optional<FileLock> TryAcquire(const std::string& path);

    FileLock(FileLock&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}
    FileLock& operator=(FileLock&& other) noexcept {
        std::swap(fd_, other.fd_);
        std::swap(path_, other.path_);
        return *this;
    }
    FileLock(const FileLock&) = delete;
    ~FileLock();

    // Whether a lock file is actually locked.
    bool Held() const { return fd_ >= 0; }
    // Removes the lock file, then releases the lock. Removing it while it is held means that
    // nobody else can hold the removed file: a later TryAcquire makes and locks a new one.
    void RemoveAndRelease();

private:
    FileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

} // namespace platform
