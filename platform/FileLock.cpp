#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Whether the path still names the open file (its holder may have removed it meanwhile).
bool StillNamed(int fd, const std::string& path) {
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

std::optional<FileLock> FileLock::TryAcquire(const std::string& path) {
    // A holder that removes the file between our open and our lock leaves us a lock on a file
    // nobody else will ever look at; the next attempt opens the current one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0)
            return FileLock(-1, path);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (StillNamed(fd, path))
            return FileLock(fd, path);
        ::close(fd);
    }
    return std::nullopt;
}

void FileLock::RemoveAndRelease() {
    if (fd_ < 0)
        return;
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

FileLock::~FileLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing releases the lock
}

} // namespace platform
