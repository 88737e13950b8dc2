#include "platform/FileUtil.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EFileError(what + " \"" + path + "\": " + std::strerror(error), error);
}

std::string RandomSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < 8; ++i)
        s += digits[generator() % 36];
    return s;
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool SyncFileSystem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsSymbolicLink(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsReadableFile(const std::string& path) {
    return !path.empty() && ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

bool ForceDirectories(const std::string& path) {
    const std::string dir = ExcludeTrailingPathDelimiter(path);
    if (dir.empty())
        return false;
    if (DirectoryExists(dir))
        return true;
    const std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(dir));
    if (!parent.empty() && parent != dir && !ForceDirectories(parent))
        return false;
    return ::mkdir(dir.c_str(), 0777) == 0 || DirectoryExists(dir);
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool RemoveDir(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t p = path.rfind(PathDelim);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const std::size_t p = path.rfind(PathDelim);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    if (path.size() > 1 && path.back() == PathDelim)
        path.remove_suffix(1);
    return std::string(path);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string s(path);
    if (s.empty() || s.back() != PathDelim)
        s += PathDelim;
    return s;
}

std::string ExpandFileName(std::string_view path) {
    if (!path.empty() && path.front() == PathDelim)
        return std::string(path);
    char buf[4096];
    if (!::getcwd(buf, sizeof buf))
        return std::string(path);
    return IncludeTrailingPathDelimiter(buf) + std::string(path);
}

bool CreateEmptyFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    return ::close(fd) == 0;
}

void WriteFile(const std::string& path, std::string_view bytes, bool append) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        Fail("Cannot open file", path, errno);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            Fail("Cannot write file", path, error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0)
        Fail("Cannot write file", path, errno);
}

std::string ReadFile(const std::string& path) {
    // Non-blocking, so that a FIFO standing where a file is expected cannot hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        Fail("Cannot open file", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Fail("Cannot open file", path, EINVAL);
    }
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            Fail("Cannot read file", path, error);
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {
    const std::string dir = ExtractFilePath(target_);
    const std::string base = ExtractFileName(target_);
    // Keep the permission bits of the file being replaced.
    mode_t mode = 0666;
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp_ = dir + "." + base + "." + RandomSuffix() + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        Fail("Cannot create file", target_, errno);
}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

void AtomicFileWriter::Discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void AtomicFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0)
        Fail("Cannot write file", target_, EBADF);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            Discard();
            Fail("Cannot write file", target_, error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicFileWriter::Commit(Durability durability) {
    if (fd_ < 0)
        Fail("Cannot write file", target_, EBADF);
    const bool full = durability == Durability::Full;
    if ((full && ::fsync(fd_) != 0) || ::close(fd_) != 0) {
        const int error = errno;
        fd_ = -1;
        Discard();
        Fail("Cannot write file", target_, error);
    }
    fd_ = -1;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        Discard();
        Fail("Cannot replace file", target_, error);
    }
    temp_.clear();
    if (full)
        SyncDirectory(ExtractFilePath(target_));
}

void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     AtomicFileWriter::Durability durability) {
    AtomicFileWriter writer(path);
    writer.Write(bytes);
    writer.Commit(durability);
}

} // namespace platform

namespace platform {

bool MakePrivateDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}

int RemoveDirError(const std::string& path) {
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool ReadDirectoryNames(const std::string& dir, std::vector<DirName>& names) {
    names.clear();
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    const std::string prefix = IncludeTrailingPathDelimiter(dir);
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        const bool isDir = ::lstat((prefix + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        names.push_back({name, isDir});
    }
    ::closedir(d);
    return true;
}

} // namespace platform
