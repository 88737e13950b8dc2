#include "Extraction.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ArcError.h"
#include "ArchiveReader.h"
#include "ArchiverContract.h"
#include "Destination.h"
#include "MemberSelection.h"
#include "MemberStamp.h"

namespace vmla {

using vmzip::ArcError;
using vmzip::Fail;
using vmzip::WithErrno;
using vmzip::WorkFile;
using vmzip::WriteAll;

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Refuses what must never reach the disk; throws ArcError naming the member.
void CheckMember(const Member& m) {
    if (!m.name.empty() && m.name[0] == '/')
        Fail(ARC_ERROR_FILE_STYLE, "absolute path not extracted: " + m.name);
    std::size_t start = 0;
    while (start <= m.name.size()) {
        std::size_t end = m.name.find('/', start);
        if (end == std::string::npos)
            end = m.name.size();
        if (m.name.compare(start, end - start, "..") == 0 && end - start == 2)
            Fail(ARC_ERROR_FILE_STYLE,
                 "path leading out of the destination not extracted: " + m.name);
        start = end + 1;
    }
    switch (m.type) {
    case MemberType::Symlink:
        Fail(ARC_ERROR_FILE_STYLE, "symbolic link not extracted: " + m.name);
    case MemberType::Special:
        Fail(ARC_ERROR_FILE_STYLE,
             "special file (device, FIFO or socket) not extracted: " + m.name);
    default:
        break;
    }
    if (m.encrypted)
        Fail(ARC_ERROR_PASSWORD_FILE, "encrypted member not extracted: " + m.name);
}

mode_t FileMode(const Member& m, bool keep, bool dir) {
    if (!keep)
        return dir ? 0777 : 0666;
    return m.mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID);
}

class Extraction {
public:
    Extraction(ArchiveReader& reader, const Request& r, vmzip::Progress& progress,
               vmzip::OutputText& out)
        : reader_(reader), r_(r), progress_(progress), out_(out), dest_(r.directory),
          buffer_(kChunk) {}

    void Extract(const Member& m) {
        if (m.type == MemberType::Directory && vmzip::NamesDestinationItself(m.name))
            return;
        CheckMember(m);
        const std::vector<std::string> parts = vmzip::SafeParts(m.name, r_.junkPaths);
        if (parts.empty())
            Fail(ARC_ERROR_FILE_STYLE, "unsafe member name not extracted: " + m.name);
        std::string shown = dest_.root();
        for (const std::string& p : parts)
            shown += (shown.empty() || shown.back() == '/' ? "" : "/") + p;
        if (m.type == MemberType::Directory) {
            if (r_.junkPaths)
                return;
            Directory(m, parts, parts.size());
            dest_.StampDirectory(parts, FileMode(m, r_.keepPermissions, true), m.mtime);
            progress_.Begin(m.name, shown, 0);
            progress_.Advance(0, true);
            return;
        }
        // A hard link becomes a copy of the file its target was extracted to in this
        // command; a link to anything else is refused.
        const std::vector<std::string>* source = nullptr;
        if (m.type == MemberType::Hardlink) {
            const auto it = extracted_.find(WithoutDotPrefix(m.linkTarget));
            if (it == extracted_.end())
                Fail(ARC_ERROR_FILE_STYLE,
                     "hard link to a file not extracted here not extracted: " + m.name);
            source = &it->second;
        }
        const int dirFd = Directory(m, parts, parts.size() - 1);
        std::string leaf = parts.back();
        struct stat existing {};
        if (fstatat(dirFd, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            if (r_.existing == Existing::Skip) {
                out_.Line("skipped (exists): " + shown);
                return;
            }
            if (r_.existing == Existing::Rename) {
                leaf = FreeName(dirFd, leaf);
                shown = shown.substr(0, shown.size() - parts.back().size()) + leaf;
            } else if (S_ISDIR(existing.st_mode)) {
                Fail(ARC_ERROR_CANNOT_WRITE, "a directory stands where a file goes: " + shown);
            }
        }
        if (source != nullptr) {
            Copy(m, *source, parts, leaf, shown);
        } else {
            progress_.Begin(m.name, shown, m.size);
            File(m, dirFd, leaf, shown);
        }
        std::vector<std::string> placed = parts;
        placed.back() = leaf;
        extracted_[WithoutDotPrefix(m.name)] = std::move(placed);
        out_.Line("extracted: " + shown);
    }

    // Directory permissions and times are set last (see Destination::StampDirectory).
    void Finish() { dest_.FinishDirectories(); }

private:
    int Directory(const Member& m, const std::vector<std::string>& parts, std::size_t count) {
        try {
            return dest_.Directory(parts, count);
        } catch (const ArcError& e) {
            Fail(e.code(), m.name + " not extracted: " + e.what());
        }
    }

    static std::string FreeName(int dirFd, const std::string& leaf) {
        const std::size_t dot = leaf.find_last_of('.');
        const bool hasExt = dot != std::string::npos && dot > 0;
        const std::string stem = hasExt ? leaf.substr(0, dot) : leaf;
        const std::string ext = hasExt ? leaf.substr(dot) : "";
        for (int i = 1; i < 100000; ++i) {
            const std::string name = stem + "_" + std::to_string(i) + ext;
            struct stat st {};
            if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
                return name;
        }
        Fail(ARC_ERROR_ALREADY_EXIST, "no free name for " + leaf);
    }

    // The data goes to a work file beside the final name and is renamed over it only when
    // every byte was read; a damaged member leaves nothing behind.
    void File(const Member& m, int dirFd, const std::string& leaf, const std::string& shown) {
        WorkFile work(dirFd, leaf);
        uint64_t done = 0;
        while (const std::size_t n = reader_.Read(buffer_.data(), buffer_.size())) {
            WriteAll(work.fd(), buffer_.data(), n, shown);
            done += n;
            progress_.Advance(done, false);
            if (progress_.Cancelled())
                Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        }
        if (m.sizeKnown && done != m.size)
            Fail(ARC_ERROR_EOF, "member cut short: " + m.name);
        progress_.Advance(done, true);
        if (progress_.Cancelled())
            Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        fchmod(work.fd(), FileMode(m, r_.keepPermissions, false));
        const struct timespec times[2] = {{m.mtime, 0}, {m.mtime, 0}};
        futimens(work.fd(), times);
        work.Place(leaf, shown);
    }

    // The copy of an extracted file that a hard link member stands for, read back from the
    // destination without following links.
    void Copy(const Member& m, const std::vector<std::string>& source,
              const std::vector<std::string>& parts, const std::string& leaf,
              const std::string& shown) {
        const int sourceDir = Directory(m, source, source.size() - 1);
        const int in = openat(sourceDir, source.back().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (in < 0)
            Fail(ARC_ERROR_FILE_OPEN, WithErrno("cannot read the target of " + m.name, errno));
        struct Closer {
            int fd;
            ~Closer() { close(fd); }
        } closer{in};
        struct stat st {};
        fstat(in, &st);
        // Reaching the target's directory closed the link's own: it is entered again.
        const int outDir = Directory(m, parts, parts.size() - 1);
        progress_.Begin(m.name, shown, static_cast<uint64_t>(st.st_size));
        WorkFile work(outDir, leaf);
        uint64_t done = 0;
        for (;;) {
            const ssize_t n = read(in, buffer_.data(), buffer_.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail(ARC_ERROR_CANNOT_READ,
                     WithErrno("cannot read the target of " + m.name, errno));
            if (n == 0)
                break;
            WriteAll(work.fd(), buffer_.data(), static_cast<std::size_t>(n), shown);
            done += static_cast<uint64_t>(n);
        }
        progress_.Advance(done, true);
        fchmod(work.fd(), st.st_mode & 07777);
        futimens(work.fd(), std::array<struct timespec, 2>{st.st_mtim, st.st_mtim}.data());
        work.Place(leaf, shown);
    }

    ArchiveReader& reader_;
    const Request& r_;
    vmzip::Progress& progress_;
    vmzip::OutputText& out_;
    vmzip::Destination dest_;
    std::vector<char> buffer_;
    std::map<std::string, std::vector<std::string>> extracted_; // member -> parts written
};

bool StopsCommand(int32_t code) {
    return code == ARC_ERROR_DISK_SPACE || code == ARC_ERROR_USER_CANCEL ||
           code == ARC_ERROR_ENOUGH_MEMORY;
}

} // namespace

int32_t RunExtraction(Kind kind, const Request& request, vmzip::Progress& progress,
                      vmzip::OutputText& out) {
    ArchiveReader reader(kind, request.archive);
    progress.Open(request.archive);
    MemberSelection selection(request.names, request.excludes);
    Extraction extraction(reader, request, progress, out);
    int32_t result = ARC_OK;
    std::size_t failed = 0;
    std::size_t taken = 0;
    auto note = [&](const ArcError& e) {
        if (StopsCommand(e.code()))
            throw;
        out.Line(std::string("error: ") + e.what());
        ++failed;
        if (result == ARC_OK)
            result = e.code();
    };
    Member m;
    for (;;) {
        try {
            if (!reader.Next(m))
                break;
        } catch (const ArcError& e) {
            note(e);
            break; // nothing after a broken header can be trusted
        }
        if (!selection.Takes(m.name))
            continue;
        ++taken;
        try {
            extraction.Extract(m);
        } catch (const ArcError& e) {
            note(e);
        }
        if (progress.Cancelled())
            Fail(ARC_ERROR_USER_CANCEL, "cancelled");
    }
    extraction.Finish();
    progress.End();
    const std::vector<std::string> missing = selection.Unused();
    for (const std::string& name : missing)
        out.Line("no member " + name);
    if (result != ARC_OK)
        Fail(result, std::to_string(failed) + " of " + std::to_string(taken) + " member(s) failed");
    if (!missing.empty())
        Fail(ARC_ERROR_NOT_EXIST, std::to_string(missing.size()) + " name(s) match no member");
    return ARC_OK;
}

int32_t RunMemoryExtraction(Kind kind, const Request& request, vmzip::Progress& progress,
                            const MemoryTarget& target) {
    ArchiveReader reader(kind, request.archive);
    MemberSelection selection(request.names, {});
    Member m;
    while (reader.Next(m)) {
        if (!selection.Takes(m.name))
            continue;
        if (m.type != MemberType::File)
            Fail(ARC_ERROR_NOT_EXIST, "not a file: " + m.name);
        if (m.encrypted)
            Fail(ARC_ERROR_PASSWORD_FILE, "encrypted member: " + m.name);
        progress.Begin(m.name, std::string(), m.size);
        uint32_t done = 0;
        while (done < target.size) {
            const std::size_t n = reader.Read(target.buffer + done, target.size - done);
            if (n == 0)
                break;
            done += static_cast<uint32_t>(n);
        }
        bool more = false;
        if (done == target.size) {
            unsigned char probe = 0;
            more = reader.Read(&probe, 1) > 0;
        }
        progress.Advance(done, true);
        if (target.written != nullptr)
            *target.written = done;
        if (target.time != nullptr)
            *target.time = static_cast<int64_t>(m.mtime);
        if (target.attributes != nullptr)
            *target.attributes = vmzip::DosAttributes(m.mode | S_IFREG, m.name);
        progress.End();
        if (more)
            Fail(ARC_ERROR_MORE_HEAP_MEMORY, "the buffer is smaller than " + m.name);
        return ARC_OK;
    }
    Fail(ARC_ERROR_NOT_EXIST, "no member " + request.names.front());
}

} // namespace vmla
