#include "Extractor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "Destination.h"
#include "NamePattern.h"
#include "ZipArchive.h"

namespace vmzip {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Members named by the command, in archive order; names matching nothing go to missing.
std::vector<zip_uint64_t> SelectMembers(ZipArchive& archive, const std::vector<std::string>& names,
                                        std::vector<std::string>& missing) {
    const uint64_t n = archive.count();
    std::vector<zip_uint64_t> out;
    if (names.empty()) {
        for (uint64_t i = 0; i < n; ++i)
            out.push_back(i);
        return out;
    }
    const TextEncoding enc = LocaleEncoding();
    std::set<zip_uint64_t> chosen;
    for (const std::string& item : names) {
        const std::string plain = UnescapeName(item, enc);
        const int64_t exact = archive.Find(plain);
        if (exact >= 0) {
            chosen.insert(static_cast<zip_uint64_t>(exact));
            continue;
        }
        bool hit = false;
        if (HasWildcard(item, enc)) {
            for (uint64_t i = 0; i < n; ++i) {
                if (WildcardMatch(item, archive.NameOf(i), enc)) {
                    chosen.insert(i);
                    hit = true;
                }
            }
        }
        if (!hit)
            missing.push_back(plain);
    }
    return std::vector<zip_uint64_t>(chosen.begin(), chosen.end());
}

// Closes a libzip member on every path.
class MemberReader {
public:
    MemberReader(ZipArchive& archive, zip_uint64_t index, const std::string& name) {
        file_ = zip_fopen_index(archive.get(), index, 0);
        if (file_ == nullptr) {
            zip_error_t* error = zip_get_error(archive.get());
            Fail(ReadErrorCode(error), "cannot read " + name + ": " + zip_error_strerror(error));
        }
        name_ = name;
    }
    ~MemberReader() {
        if (file_ != nullptr)
            zip_fclose(file_);
    }
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;

    // Bytes read, 0 at the end; throws on damaged data (the CRC is checked at the end).
    std::size_t Read(void* buf, std::size_t len) {
        const zip_int64_t n = zip_fread(file_, buf, len);
        if (n < 0) {
            zip_error_t* error = zip_file_get_error(file_);
            Fail(ReadErrorCode(error),
                 "damaged member " + name_ + ": " + zip_error_strerror(error));
        }
        return static_cast<std::size_t>(n);
    }

private:
    zip_file_t* file_ = nullptr;
    std::string name_;
};

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

// A work file that disappears unless it was renamed into place.
class WorkFile {
public:
    explicit WorkFile(int dirFd) : dirFd_(dirFd) { fd_ = CreateWorkFile(dirFd, name_); }
    ~WorkFile() {
        if (fd_ >= 0)
            close(fd_);
        if (!placed_)
            unlinkat(dirFd_, name_.c_str(), 0);
    }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    int fd() const { return fd_; }
    void Place(const std::string& leaf, const std::string& shown) {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0)
            Fail(WriteErrorCode(errno), WithErrno("cannot write " + shown, errno));
        if (renameat(dirFd_, name_.c_str(), dirFd_, leaf.c_str()) != 0)
            Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot replace " + shown, errno));
        placed_ = true;
    }

private:
    int dirFd_;
    int fd_ = -1;
    std::string name_;
    bool placed_ = false;
};

struct DirectoryStamp {
    std::vector<std::string> parts;
    mode_t mode;
    time_t mtime;
};

class Extraction {
public:
    Extraction(ZipArchive& archive, const ReadCommand& cmd, Progress& progress, OutputText& out)
        : archive_(archive), cmd_(cmd), progress_(progress), out_(out), dest_(cmd.destDir),
          buffer_(kChunk) {}

    void Member(zip_uint64_t index) {
        const MemberInfo m = archive_.Describe(index);
        const std::vector<std::string> parts = SafeParts(m.name, cmd_.junkPaths);
        if (parts.empty())
            Fail(ARC_ERROR_FILE_STYLE, "unsafe member name left out: " + m.name);
        std::string shown = dest_.root();
        for (const std::string& p : parts)
            shown += (shown.empty() || shown.back() == '/' ? "" : "/") + p;
        if (m.isDir) {
            if (cmd_.junkPaths)
                return;
            dest_.Directory(parts, parts.size());
            dirs_.push_back(DirectoryStamp{parts, m.mode, m.mtime});
            progress_.Begin(m.name, shown, 0);
            progress_.Advance(0, true);
            return;
        }
        const int dirFd = dest_.Directory(parts, parts.size() - 1);
        const std::string& leaf = parts.back();
        struct stat existing {};
        if (fstatat(dirFd, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!cmd_.overwrite) {
                if (!cmd_.quiet)
                    out_.Line("skipped (exists): " + shown);
                return;
            }
            if (S_ISDIR(existing.st_mode))
                Fail(ARC_ERROR_CANNOT_WRITE, "a directory stands where a file goes: " + shown);
        }
        progress_.Begin(m.name, shown, m.size);
        if (m.isLink)
            Link(index, m, dirFd, leaf, shown);
        else
            File(index, m, dirFd, leaf, shown);
        if (!cmd_.quiet)
            out_.Line("extracted: " + shown);
    }

    // Directory permissions and times are set last: writing into them changes their time,
    // and a read-only directory would refuse its own members.
    void FinishDirectories() {
        for (auto it = dirs_.rbegin(); it != dirs_.rend(); ++it) {
            const int parent = dest_.Directory(it->parts, it->parts.size() - 1);
            const int fd = openat(parent, it->parts.back().c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                continue;
            fchmod(fd, it->mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID));
            const struct timespec times[2] = {{it->mtime, 0}, {it->mtime, 0}};
            futimens(fd, times);
            close(fd);
        }
    }

private:
    void File(zip_uint64_t index, const MemberInfo& m, int dirFd, const std::string& leaf,
              const std::string& shown) {
        MemberReader reader(archive_, index, m.name);
        WorkFile work(dirFd);
        uint64_t done = 0;
        for (;;) {
            const std::size_t n = reader.Read(buffer_.data(), buffer_.size());
            if (n == 0)
                break;
            WriteAll(work.fd(), buffer_.data(), n, shown);
            done += n;
            progress_.Advance(done, false);
            if (progress_.Cancelled())
                Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        }
        progress_.Advance(done, true);
        if (progress_.Cancelled())
            Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        fchmod(work.fd(), m.mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID));
        const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
        futimens(work.fd(), times);
        work.Place(leaf, shown);
    }

    void Link(zip_uint64_t index, const MemberInfo& m, int dirFd, const std::string& leaf,
              const std::string& shown) {
        if (m.size > 4096)
            Fail(ARC_ERROR_FILE_STYLE, "symbolic link target too long: " + m.name);
        MemberReader reader(archive_, index, m.name);
        std::string target;
        for (;;) {
            const std::size_t n = reader.Read(buffer_.data(), buffer_.size());
            if (n == 0)
                break;
            target.append(buffer_.data(), n);
        }
        if (target.empty() || target.size() > 4096 || target.find('\0') != std::string::npos)
            Fail(ARC_ERROR_FILE_STYLE, "bad symbolic link target: " + m.name);
        std::string temp;
        for (int attempt = 0;; ++attempt) {
            temp = WorkName();
            if (symlinkat(target.c_str(), dirFd, temp.c_str()) == 0)
                break;
            if (errno != EEXIST || attempt > 100)
                Fail(WriteErrorCode(errno), WithErrno("cannot make link " + shown, errno));
        }
        if (renameat(dirFd, temp.c_str(), dirFd, leaf.c_str()) != 0) {
            const int err = errno;
            unlinkat(dirFd, temp.c_str(), 0);
            Fail(ARC_ERROR_CANNOT_WRITE, WithErrno("cannot replace " + shown, err));
        }
        progress_.Advance(m.size, true);
    }

    ZipArchive& archive_;
    const ReadCommand& cmd_;
    Progress& progress_;
    OutputText& out_;
    Destination dest_;
    std::vector<char> buffer_;
    std::vector<DirectoryStamp> dirs_;
};

bool StopsCommand(int32_t code) {
    return code == ARC_ERROR_DISK_SPACE || code == ARC_ERROR_USER_CANCEL ||
           code == ARC_ERROR_ENOUGH_MEMORY;
}

std::string ListLine(const MemberInfo& m) {
    char line[128];
    std::snprintf(line, sizeof line, "%12llu %12llu %04d-%02d-%02d %02d:%02d:%02d %08x %-7s %s ",
                  static_cast<unsigned long long>(m.size),
                  static_cast<unsigned long long>(m.compressedSize), (m.stamp.date >> 9) + 1980,
                  (m.stamp.date >> 5) & 15, m.stamp.date & 31, m.stamp.time >> 11,
                  (m.stamp.time >> 5) & 63, (m.stamp.time & 31) * 2, m.crc,
                  MethodName(m.method).c_str(), AttributeLetters(m.attributes).c_str());
    return line + m.name;
}

} // namespace

int32_t RunReadCommand(const ReadCommand& cmd, Progress& progress, OutputText& out) {
    ZipArchive archive(cmd.archive, OpenMode::Read);
    progress.Open(cmd.archive);
    std::vector<std::string> missing;
    const std::vector<zip_uint64_t> members = SelectMembers(archive, cmd.names, missing);

    int32_t result = ARC_OK;
    std::string firstError;
    auto note = [&](const ArcError& e) {
        if (StopsCommand(e.code()))
            throw;
        out.Line(e.what());
        if (result == ARC_OK) {
            result = e.code();
            firstError = e.what();
        }
    };

    if (cmd.action == ReadAction::List) {
        for (const zip_uint64_t i : members)
            out.Line(ListLine(archive.Describe(i)));
    } else if (cmd.action == ReadAction::Test) {
        std::vector<char> buffer(kChunk);
        for (const zip_uint64_t i : members) {
            try {
                const MemberInfo m = archive.Describe(i);
                progress.Begin(m.name, std::string(), m.size);
                MemberReader reader(archive, i, m.name);
                uint64_t done = 0;
                while (const std::size_t n = reader.Read(buffer.data(), buffer.size())) {
                    done += n;
                    progress.Advance(done, false);
                    if (progress.Cancelled())
                        Fail(ARC_ERROR_USER_CANCEL, "cancelled");
                }
                progress.Advance(done, true);
                if (!cmd.quiet)
                    out.Line("OK " + m.name);
            } catch (const ArcError& e) {
                note(e);
            }
        }
    } else {
        Extraction extraction(archive, cmd, progress, out);
        for (const zip_uint64_t i : members) {
            try {
                extraction.Member(i);
            } catch (const ArcError& e) {
                note(e);
            }
            if (progress.Cancelled())
                Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        }
        extraction.FinishDirectories();
    }
    progress.End();

    for (const std::string& name : missing)
        out.Line("no member " + name);
    if (result != ARC_OK)
        Fail(result, firstError);
    if (!missing.empty())
        Fail(ARC_ERROR_NOT_EXIST, "no member " + missing.front());
    return ARC_OK;
}

int32_t RunMemoryCommand(const ReadCommand& cmd, Progress& progress, const MemoryTarget& target) {
    ZipArchive archive(cmd.archive, OpenMode::Read);
    std::vector<std::string> missing;
    const std::vector<zip_uint64_t> members = SelectMembers(archive, cmd.names, missing);
    if (members.empty())
        Fail(ARC_ERROR_NOT_EXIST, "no member " + cmd.names.front());
    const zip_uint64_t index = members.front();
    const MemberInfo m = archive.Describe(index);
    if (m.isDir)
        Fail(ARC_ERROR_NOT_EXIST, "not a file: " + m.name);
    progress.Begin(m.name, std::string(), m.size);
    MemberReader reader(archive, index, m.name);
    uint32_t done = 0;
    while (done < target.size) {
        const std::size_t n = reader.Read(target.buffer + done, target.size - done);
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    progress.Advance(done, true);
    if (target.written != nullptr)
        *target.written = done;
    if (target.time != nullptr)
        *target.time = static_cast<int64_t>(m.mtime);
    if (target.attributes != nullptr)
        *target.attributes = m.attributes;
    progress.End();
    if (done < m.size)
        Fail(ARC_ERROR_MORE_HEAP_MEMORY, "the buffer is smaller than " + m.name);
    return ARC_OK;
}

} // namespace vmzip
