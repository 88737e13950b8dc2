#include "Creation.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ArcError.h"
#include "ArchiveReader.h"
#include "ArchiverContract.h"
#include "MemberSelection.h"

namespace vmla {

using vmzip::ArcError;
using vmzip::Fail;
using vmzip::WithErrno;

namespace {

constexpr std::size_t kChunk = 1 << 20;

struct WriterDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
using WriterPtr = std::unique_ptr<archive, WriterDeleter>;

struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using EntryPtr = std::unique_ptr<archive_entry, EntryDeleter>;

// A file to pack: its path on disk and its member name.
struct Source {
    std::string path;
    std::string member;
    bool directory = false;
};

std::string Join(const std::string& base, const std::string& name) {
    if (base.empty())
        return name;
    return base.back() == '/' ? base + name : base + "/" + name;
}

// The member name of a command name: no leading '/' or "./", no trailing '/'; empty when it
// holds a ".." part.
std::string MemberNameOf(const std::string& name) {
    std::string out;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return {};
        out += (out.empty() ? "" : "/") + part;
    }
    return out;
}

class SourceScan {
public:
    SourceScan(const Request& r, vmzip::OutputText& out)
        : r_(r), out_(out), excludes_({}, r.excludes) {}

    void Name(const std::string& name) {
        const std::string member = MemberNameOf(name);
        if (member.empty()) {
            out_.Line("not packed (a path leading out of the base directory): " + name);
            Note(ARC_ERROR_FILE_OPEN);
            return;
        }
        const std::string path = Join(r_.directory, name);
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                missing_.push_back(name);
                return;
            }
            out_.Line(WithErrno("cannot open " + path, errno));
            Note(ARC_ERROR_FILE_OPEN);
            return;
        }
        Add(path, member, st, true);
    }

    std::vector<Source>& sources() { return sources_; }
    const std::vector<std::string>& missing() const { return missing_; }
    int32_t result() const { return result_; }
    void Note(int32_t code) {
        if (result_ == ARC_OK)
            result_ = code;
    }

private:
    void Add(const std::string& path, const std::string& member, struct stat st, bool named) {
        if (!excludes_.Takes(member))
            return;
        if (S_ISLNK(st.st_mode)) {
            if (stat(path.c_str(), &st) != 0) {
                out_.Line("not packed (dangling symbolic link): " + path);
                return;
            }
            if (S_ISDIR(st.st_mode)) {
                out_.Line("not packed (symbolic link to a directory): " + path);
                return;
            }
        }
        if (S_ISREG(st.st_mode)) {
            Push(Source{path, member, false});
            return;
        }
        if (!S_ISDIR(st.st_mode)) {
            out_.Line("not packed (special file): " + path);
            return;
        }
        Push(Source{path, member, true});
        if (!r_.recurse && named)
            return;
        DIR* dir = opendir(path.c_str());
        if (dir == nullptr) {
            out_.Line(WithErrno("cannot open " + path, errno));
            Note(ARC_ERROR_FILE_OPEN);
            return;
        }
        std::vector<std::string> children;
        while (const dirent* d = readdir(dir)) {
            const std::string child = d->d_name;
            if (child != "." && child != "..")
                children.push_back(child);
        }
        closedir(dir);
        std::sort(children.begin(), children.end());
        for (const std::string& child : children) {
            const std::string childPath = path + "/" + child;
            struct stat cst {};
            if (lstat(childPath.c_str(), &cst) != 0)
                continue;
            Add(childPath, member + "/" + child, cst, false);
        }
    }

    void Push(Source s) {
        if (seen_.insert(s.member).second)
            sources_.push_back(std::move(s));
    }

    const Request& r_;
    vmzip::OutputText& out_;
    MemberSelection excludes_;
    std::vector<Source> sources_;
    std::set<std::string> seen_;
    std::vector<std::string> missing_;
    int32_t result_ = ARC_OK;
};

// The new archive beside the old one; removed unless committed.
class NewArchive {
public:
    explicit NewArchive(const std::string& target) : target_(target) {
        work_ = target + ".XXXXXX";
        fd_ = mkstemp(work_.data());
        if (fd_ < 0)
            Fail(ARC_ERROR_TMP_OPEN,
                 WithErrno("cannot create a work file beside " + target, errno));
        // The new archive keeps the old one's permissions; a new one gets the usual ones.
        struct stat st {};
        if (stat(target.c_str(), &st) == 0) {
            fchmod(fd_, st.st_mode & 07777);
        } else {
            const mode_t mask = umask(0);
            umask(mask);
            fchmod(fd_, 0666 & ~mask);
        }
    }
    ~NewArchive() {
        if (fd_ >= 0)
            close(fd_);
        if (!committed_)
            unlink(work_.c_str());
    }
    NewArchive(const NewArchive&) = delete;
    NewArchive& operator=(const NewArchive&) = delete;

    int fd() const { return fd_; }
    void Commit() {
        if (fsync(fd_) != 0 || close(fd_) != 0) {
            fd_ = -1;
            Fail(vmzip::WriteErrorCode(errno), WithErrno("cannot write " + work_, errno));
        }
        fd_ = -1;
        if (rename(work_.c_str(), target_.c_str()) != 0)
            Fail(ARC_ERROR_TMP_COPY, WithErrno("cannot replace " + target_, errno));
        committed_ = true;
    }

private:
    std::string target_;
    std::string work_;
    int fd_ = -1;
    bool committed_ = false;
};

[[noreturn]] void WriteFailed(archive* w, const std::string& what) {
    const int err = archive_errno(w);
    const char* text = archive_error_string(w);
    Fail(err > 0 ? vmzip::WriteErrorCode(err) : ARC_ERROR_CANNOT_WRITE,
         "cannot write " + what + ": " + (text != nullptr ? text : "unknown error"));
}

WriterPtr NewWriter(Kind kind, const Request& r, int fd) {
    WriterPtr w(archive_write_new());
    if (!w)
        Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
    if (kind == Kind::SevenZip) {
        archive_write_set_format_7zip(w.get());
    } else {
        archive_write_set_format_pax_restricted(w.get());
        if (r.compression == Compression::Gzip)
            archive_write_add_filter_gzip(w.get());
        else if (r.compression == Compression::Bzip2)
            archive_write_add_filter_bzip2(w.get());
        if (r.compression != Compression::None && r.level > 0) {
            const std::string level = std::to_string(r.level);
            archive_write_set_filter_option(w.get(), nullptr, "compression-level", level.c_str());
        }
    }
    if (archive_write_open_fd(w.get(), fd) != ARCHIVE_OK)
        WriteFailed(w.get(), r.archive);
    return w;
}

void WriteData(archive* w, const char* data, std::size_t len, const std::string& what) {
    while (len > 0) {
        const la_ssize_t n = archive_write_data(w, data, len);
        if (n <= 0)
            WriteFailed(w, what);
        data += n;
        len -= static_cast<std::size_t>(n);
    }
}

// Packs one file or directory; a file that cannot be read is named and left out.
void PackSource(Kind kind, archive* w, const Source& s, vmzip::Progress& progress,
                vmzip::OutputText& out, std::vector<char>& buffer, SourceScan& scan) {
    int fd = -1;
    struct stat st {};
    if (s.directory) {
        if (stat(s.path.c_str(), &st) != 0) {
            out.Line(WithErrno("cannot open " + s.path, errno));
            scan.Note(ARC_ERROR_FILE_OPEN);
            return;
        }
    } else {
        fd = open(s.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            out.Line(WithErrno("cannot open " + s.path, errno));
            if (fd >= 0)
                close(fd);
            scan.Note(ARC_ERROR_FILE_OPEN);
            return;
        }
    }
    struct FdCloser {
        int fd;
        ~FdCloser() {
            if (fd >= 0)
                close(fd);
        }
    } closer{fd};
    EntryPtr entry(archive_entry_new());
    if (NamesInUtf8(kind))
        archive_entry_set_pathname_utf8(entry.get(), s.member.c_str());
    else
        archive_entry_set_pathname(entry.get(), s.member.c_str());
    archive_entry_set_filetype(entry.get(), s.directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry.get(), st.st_mode & 07777);
    archive_entry_set_mtime(entry.get(), st.st_mtime, 0);
    archive_entry_set_size(entry.get(), s.directory ? 0 : st.st_size);
    progress.Begin(s.path, s.member, s.directory ? 0 : static_cast<uint64_t>(st.st_size));
    if (archive_write_header(w, entry.get()) < ARCHIVE_WARN)
        WriteFailed(w, s.member);
    uint64_t done = 0;
    while (!s.directory && done < static_cast<uint64_t>(st.st_size)) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<uint64_t>(buffer.size(), st.st_size - done));
        const ssize_t n = read(fd, buffer.data(), want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(ARC_ERROR_CANNOT_READ, WithErrno("cannot read " + s.path, errno));
        if (n == 0)
            Fail(ARC_ERROR_CANNOT_READ, "file became shorter while packed: " + s.path);
        WriteData(w, buffer.data(), static_cast<std::size_t>(n), s.member);
        done += static_cast<uint64_t>(n);
        progress.Advance(done, false);
        if (progress.Cancelled())
            Fail(ARC_ERROR_USER_CANCEL, "cancelled");
    }
    progress.Advance(done, true);
    out.Line("packed: " + s.member);
}

// Copies the members of the old archive that stay (7z update and delete).
std::size_t CopyKept(archive* w, const Request& r, const std::set<std::string>& replaced,
                     MemberSelection& removed, std::vector<char>& buffer) {
    ArchiveReader reader(Kind::SevenZip, r.archive);
    Member m;
    std::size_t dropped = 0;
    while (reader.Next(m)) {
        const std::string plain = WithoutDotPrefix(m.name);
        if (r.action == Action::Update ? replaced.count(plain) > 0 : removed.Takes(m.name)) {
            ++dropped;
            continue;
        }
        // The name as read, so it travels in the same form as the new members' names.
        if (NamesInUtf8(Kind::SevenZip))
            archive_entry_set_pathname_utf8(reader.entry(), m.name.c_str());
        if (archive_write_header(w, reader.entry()) < ARCHIVE_WARN)
            WriteFailed(w, m.name);
        if (m.type == MemberType::File) {
            while (const std::size_t n = reader.Read(buffer.data(), buffer.size()))
                WriteData(w, buffer.data(), n, m.name);
        }
    }
    return dropped;
}

} // namespace

int32_t RunCreation(Kind kind, const Request& r, vmzip::Progress& progress,
                    vmzip::OutputText& out) {
    SourceScan scan(r, out);
    if (r.action != Action::Delete) {
        for (const std::string& name : r.names)
            scan.Name(name);
    }
    struct stat st {};
    const bool exists = stat(r.archive.c_str(), &st) == 0;
    if (r.action == Action::Delete && r.names.empty())
        Fail(ARC_ERROR_NOT_FILENAME, "no member names to delete");
    if (r.action == Action::Delete && !exists)
        Fail(ARC_ERROR_NOT_FIND_ARC_FILE, "no archive " + r.archive);
    if (r.action != Action::Delete && scan.sources().empty() &&
        !(r.action == Action::Update && exists))
        Fail(scan.missing().empty()
                 ? scan.result() == ARC_OK ? ARC_ERROR_NOT_FILENAME : scan.result()
                 : ARC_ERROR_NOT_EXIST,
             "nothing to pack");
    std::vector<char> buffer(kChunk);
    NewArchive target(r.archive);
    WriterPtr w = NewWriter(kind, r, target.fd());
    progress.Open(r.archive);
    MemberSelection removed(r.names, r.excludes);
    if (r.action == Action::Update || r.action == Action::Delete) {
        std::set<std::string> replaced;
        for (const Source& s : scan.sources())
            replaced.insert(s.member);
        if (exists)
            CopyKept(w.get(), r, replaced, removed, buffer);
    }
    for (const Source& s : scan.sources())
        PackSource(kind, w.get(), s, progress, out, buffer, scan);
    if (archive_write_close(w.get()) != ARCHIVE_OK)
        WriteFailed(w.get(), r.archive);
    target.Commit();
    progress.End();
    if (r.action == Action::Delete) {
        for (const std::string& name : removed.Unused())
            out.Line("no member " + name);
        return ARC_OK;
    }
    for (const std::string& name : scan.missing())
        out.Line("no file " + name);
    if (scan.result() != ARC_OK)
        Fail(scan.result(), "some files were not packed");
    if (!scan.missing().empty())
        Fail(ARC_ERROR_NOT_EXIST, std::to_string(scan.missing().size()) + " name(s) match no file");
    return ARC_OK;
}

} // namespace vmla
