#include "archivers/unlha32/OutputDirectory.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/WorkFile.h"

namespace unlha {
namespace {

void MakeDirectories(const std::string& path) {
    std::string partial;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t slash = path.find('/', i);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        partial = path.substr(0, end);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            const int err = errno;
            Fail(WriteErrorCode(err), WithErrno("cannot make the directory " + partial, err));
        }
        if (slash == std::string::npos)
            break;
        i = slash + 1;
    }
}

} // namespace

std::optional<std::vector<std::string>> SafeParts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t slash = path.find('/', i);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(i, slash - i);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        i = slash + 1;
    }
    if (parts.empty())
        return std::nullopt;
    return parts;
}

OutputFile::OutputFile(FileHandle dir, std::string tempName, std::string name,
                       std::string displayPath, FileHandle fd)
    : dir_(std::move(dir)), dirFd_(dir_.Get()), tempName_(std::move(tempName)),
      name_(std::move(name)), displayPath_(std::move(displayPath)), fd_(std::move(fd)) {}

OutputFile::~OutputFile() {
    if (!committed_) {
        fd_.Reset();
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
    }
}

void OutputFile::Write(const uint8_t* data, std::size_t size) {
    WriteFully(fd_.Get(), data, size, displayPath_);
}

void OutputFile::Commit(std::optional<uint16_t> mode, int64_t mtime) {
    if (mode && ::fchmod(fd_.Get(), *mode & 0777) != 0) {
        const int err = errno;
        Fail(WriteErrorCode(err), WithErrno("cannot set the permissions of " + displayPath_, err));
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtime), 0}};
    ::futimens(fd_.Get(), times);
    if (::close(fd_.Release()) != 0) {
        const int err = errno;
        Fail(WriteErrorCode(err), WithErrno("cannot write " + displayPath_, err));
    }
    if (::renameat(dirFd_, tempName_.c_str(), dirFd_, name_.c_str()) != 0) {
        const int err = errno;
        Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot write " + displayPath_, err));
    }
    committed_ = true;
}

OutputDirectory::OutputDirectory(const std::string& path) : path_(path) {
    std::string dir = path.empty() ? "." : path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        MakeDirectories(dir);
        fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) {
        const int err = errno;
        Fail(err == ENOTDIR ? ARC_ERROR_CANNOT_WRITE : WriteErrorCode(err),
             WithErrno("cannot open the destination directory " + dir, err));
    }
    root_.Reset(fd);
    if (!path_.empty() && path_.back() != '/')
        path_ += '/';
}

std::string OutputDirectory::Display(const std::vector<std::string>& parts) const {
    std::string s = path_;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            s += '/';
        s += parts[i];
    }
    return s;
}

int OutputDirectory::OpenParent(const std::vector<std::string>& parts, std::size_t count) {
    if (count == 0)
        return root_.Get();
    const std::vector<std::string> wanted(parts.begin(),
                                          parts.begin() + static_cast<std::ptrdiff_t>(count));
    if (cachedFd_.Valid() && cachedParts_ == wanted)
        return cachedFd_.Get();
    cachedFd_.Reset();
    cachedParts_.clear();
    FileHandle current;
    int dirFd = root_.Get();
    for (std::size_t i = 0; i < count; ++i) {
        const char* name = parts[i].c_str();
        int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            if (::mkdirat(dirFd, name, 0777) != 0 && errno != EEXIST) {
                const int err = errno;
                Fail(WriteErrorCode(err),
                     WithErrno("cannot make the directory " +
                                   Display(std::vector<std::string>(
                                       parts.begin(),
                                       parts.begin() + static_cast<std::ptrdiff_t>(i) + 1)),
                               err));
            }
            fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (fd < 0) {
            const int err = errno;
            const std::string where = Display(std::vector<std::string>(
                parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(i) + 1));
            if (err == ELOOP || err == ENOTDIR)
                Fail(ARC_ERROR_CANNOT_WRITE,
                     "a symbolic link or a file stands where a directory is needed: " + where);
            Fail(WriteErrorCode(err), WithErrno("cannot open the directory " + where, err));
        }
        current.Reset(fd);
        dirFd = fd;
    }
    cachedFd_ = std::move(current);
    cachedParts_ = wanted;
    return cachedFd_.Get();
}

std::unique_ptr<OutputFile> OutputDirectory::Create(const std::vector<std::string>& parts,
                                                    bool readOnly) {
    const int dirFd = OpenParent(parts, parts.size() - 1);
    const std::string display = Display(parts);
    std::string temp;
    const int fd =
        CreateWorkFile(dirFd, std::string(), parts.back(), O_WRONLY, readOnly ? 0444 : 0666, temp);
    if (fd < 0) {
        const int err = errno;
        Fail(WriteErrorCode(err), WithErrno("cannot create " + display, err));
    }
    FileHandle file(fd);
    // The file keeps its own descriptor of the directory it is renamed in.
    FileHandle dir(::fcntl(dirFd, F_DUPFD_CLOEXEC, 0));
    if (!dir.Valid()) {
        const int err = errno;
        ::unlinkat(dirFd, temp.c_str(), 0);
        Fail(WriteErrorCode(err), WithErrno("cannot create " + display, err));
    }
    return std::make_unique<OutputFile>(std::move(dir), std::move(temp), parts.back(), display,
                                        std::move(file));
}

std::optional<int64_t> OutputDirectory::ExistingTime(const std::vector<std::string>& parts) {
    int dirFd;
    try {
        dirFd = OpenParent(parts, parts.size() - 1);
    } catch (const ArchiveError&) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstatat(dirFd, parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return static_cast<int64_t>(st.st_mtime);
}

void OutputDirectory::MakeDirectory(const std::vector<std::string>& parts,
                                    std::optional<uint16_t> mode, int64_t mtime) {
    OpenParent(parts, parts.size());
    directories_.push_back({parts, mode, mtime});
}

void OutputDirectory::Finish() {
    // Deepest first, so that setting a time is not undone by a change below it.
    std::stable_sort(directories_.begin(), directories_.end(),
                     [](const PendingDirectory& a, const PendingDirectory& b) {
                         return a.parts.size() > b.parts.size();
                     });
    for (auto it = directories_.begin(); it != directories_.end(); ++it) {
        const int parent = OpenParent(it->parts, it->parts.size() - 1);
        const int fd = ::openat(parent, it->parts.back().c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        FileHandle dir(fd);
        if (it->mode)
            ::fchmod(fd, *it->mode & 0777);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(it->mtime), 0}};
        ::futimens(fd, times);
    }
    directories_.clear();
}

} // namespace unlha
