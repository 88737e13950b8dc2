#include "Destination.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "ArcError.h"
#include "ArchiverContract.h"

namespace vmzip {

std::vector<std::string> SafeParts(const std::string& member, bool junkPaths) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= member.size()) {
        std::size_t end = member.find('/', start);
        if (end == std::string::npos)
            end = member.size();
        std::string part = member.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return {};
        parts.push_back(std::move(part));
    }
    if (junkPaths && parts.size() > 1)
        parts.erase(parts.begin(), parts.end() - 1);
    return parts;
}

namespace {

void MakeDirs(const std::string& path) {
    if (path.empty())
        return;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        return;
    const std::size_t slash = path.find_last_of('/', path.size() - 1);
    if (slash != std::string::npos && slash > 0)
        MakeDirs(path.substr(0, slash));
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot make directory " + path, errno));
}

} // namespace

Destination::Destination(const std::string& root) : root_(root) {
    std::string dir = root;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.empty())
        dir = ".";
    MakeDirs(dir);
    rootFd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd_ < 0)
        Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot open destination " + dir, errno));
}

Destination::~Destination() {
    CloseFrom(0);
    if (rootFd_ >= 0)
        close(rootFd_);
}

void Destination::CloseFrom(std::size_t depth) {
    while (openFds_.size() > depth) {
        close(openFds_.back());
        openFds_.pop_back();
        openNames_.pop_back();
    }
}

int Destination::Directory(const std::vector<std::string>& parts, std::size_t count) {
    std::size_t keep = 0;
    while (keep < count && keep < openNames_.size() && openNames_[keep] == parts[keep])
        ++keep;
    CloseFrom(keep);
    for (std::size_t i = keep; i < count; ++i) {
        const int parent = i == 0 ? rootFd_ : openFds_.back();
        if (mkdirat(parent, parts[i].c_str(), 0777) != 0 && errno != EEXIST)
            Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot make directory " + parts[i], errno));
        const int fd =
            openat(parent, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            Fail(ARC_ERROR_CANNOT_WRITE,
                 WithErrno("not a directory (a file or a symbolic link stands there): " + parts[i],
                           err));
        }
        openFds_.push_back(fd);
        openNames_.push_back(parts[i]);
    }
    return count == 0 ? rootFd_ : openFds_.back();
}

std::string WorkName(std::string_view leaf) {
    static std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name(leaf.substr(0, 242));
    name += ".unzip-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

int CreateWorkFile(int dirFd, std::string_view leaf, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = WorkName(leaf);
        const int fd =
            openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            Fail(WriteErrorCode(errno),
                 WithErrno("cannot create a file in the destination", errno));
    }
    Fail(ARC_ERROR_CANNOT_WRITE, "cannot create a work file in the destination");
}

bool NamesDestinationItself(const std::string& name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string_view part(name.data() + start, end - start);
        if (!part.empty() && part != ".")
            return false;
        start = end + 1;
    }
    return true;
}

void Destination::StampDirectory(std::vector<std::string> parts, mode_t mode, time_t mtime) {
    stamps_.push_back(DirectoryStamp{std::move(parts), mode, mtime});
}

void Destination::FinishDirectories() {
    for (auto it = stamps_.rbegin(); it != stamps_.rend(); ++it) {
        const int parent = Directory(it->parts, it->parts.size() - 1);
        const int fd = openat(parent, it->parts.back().c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        fchmod(fd, it->mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID));
        const struct timespec times[2] = {{it->mtime, 0}, {it->mtime, 0}};
        futimens(fd, times);
        close(fd);
    }
    stamps_.clear();
}

WorkFile::WorkFile(int dirFd, const std::string& leaf) : dirFd_(dirFd) {
    fd_ = CreateWorkFile(dirFd, leaf, name_);
}

WorkFile::~WorkFile() {
    if (fd_ >= 0)
        close(fd_);
    if (!placed_)
        unlinkat(dirFd_, name_.c_str(), 0);
}

void WorkFile::Place(const std::string& leaf, const std::string& shown) {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0)
        Fail(WriteErrorCode(errno), WithErrno("cannot write " + shown, errno));
    if (renameat(dirFd_, name_.c_str(), dirFd_, leaf.c_str()) != 0)
        Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot replace " + shown, errno));
    placed_ = true;
}

void WriteAll(int fd, const char* data, std::size_t len, const std::string& name) {
    while (len > 0) {
        const ssize_t n = write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(WriteErrorCode(errno), WithErrno("cannot write " + name, errno));
        }
        data += n;
        len -= static_cast<std::size_t>(n);
    }
}

} // namespace vmzip
