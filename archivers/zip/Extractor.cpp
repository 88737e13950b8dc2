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
#include "ReadableArchive.h"

namespace vmzip {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Members named by the command, in archive order; names matching nothing go to missing.
std::vector<uint64_t> SelectMembers(MemberCatalog& archive, const std::vector<std::string>& names,
                                    std::vector<std::string>& missing) {
    const uint64_t n = archive.count();
    std::vector<uint64_t> out;
    if (names.empty()) {
        for (uint64_t i = 0; i < n; ++i)
            out.push_back(i);
        return out;
    }
    const TextEncoding enc = LocaleEncoding();
    std::set<uint64_t> chosen;
    for (const std::string& item : names) {
        const std::string plain = UnescapeName(item, enc);
        int64_t exact = archive.Find(plain);
        // bsdtar stores "./name": the name as listed (without its "./") still names it.
        if (exact < 0 && plain.rfind("./", 0) != 0)
            exact = archive.Find("./" + plain);
        if (exact >= 0) {
            chosen.insert(static_cast<uint64_t>(exact));
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
    return std::vector<uint64_t>(chosen.begin(), chosen.end());
}

class Extraction {
public:
    Extraction(MemberCatalog& archive, const ReadCommand& cmd, Progress& progress, OutputText& out)
        : archive_(archive), cmd_(cmd), progress_(progress), out_(out), dest_(cmd.destDir),
          buffer_(kChunk) {}

    void Member(uint64_t index) {
        const MemberInfo m = archive_.Describe(index);
        const std::vector<std::string> parts = SafeParts(m.name, cmd_.junkPaths);
        if (parts.empty()) {
            if (m.isDir && NamesDestinationItself(m.name))
                return; // the destination exists already
            Fail(ARC_ERROR_FILE_STYLE, "unsafe member name left out: " + m.name);
        }
        if (m.isDir ? m.size > 0 : S_ISDIR(m.mode))
            Fail(ARC_ERROR_FILE_STYLE,
                 "a directory that holds data (damaged attributes) not extracted: " + m.name);
        // Only files and directories are made: a link could lead later members (or the
        // program) out of the destination, a device or FIFO has no business in a restore.
        if (m.isLink)
            Fail(ARC_ERROR_FILE_STYLE, "symbolic link not extracted: " + m.name);
        if (!S_ISREG(m.mode) && !S_ISDIR(m.mode))
            Fail(ARC_ERROR_FILE_STYLE,
                 "special file (device, FIFO or socket) not extracted: " + m.name);
        std::string shown = dest_.root();
        for (const std::string& p : parts)
            shown += (shown.empty() || shown.back() == '/' ? "" : "/") + p;
        if (m.isDir) {
            if (cmd_.junkPaths)
                return;
            Directory(m, parts, parts.size());
            dest_.StampDirectory(parts, m.mode, m.mtime);
            progress_.Begin(m.name, shown, 0);
            progress_.Advance(0, true);
            return;
        }
        const int dirFd = Directory(m, parts, parts.size() - 1);
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
        File(index, m, dirFd, leaf, shown);
        if (!cmd_.quiet)
            out_.Line("extracted: " + shown);
    }

    // Directory permissions and times are set last (see Destination::StampDirectory).
    void Finish() { dest_.FinishDirectories(); }

private:
    // The directory of a member's first count parts; a failure names the member.
    int Directory(const MemberInfo& m, const std::vector<std::string>& parts, std::size_t count) {
        try {
            return dest_.Directory(parts, count);
        } catch (const ArcError& e) {
            Fail(e.code(), m.name + " not extracted: " + e.what());
        }
    }

    // The data goes to a work file beside the final name and is renamed over it only when
    // every byte was read and the CRC agreed; a damaged member leaves nothing behind.
    void File(uint64_t index, const MemberInfo& m, int dirFd, const std::string& leaf,
              const std::string& shown) {
        const std::unique_ptr<MemberData> data = archive_.Open(index);
        WorkFile work(dirFd, leaf);
        uint64_t done = 0;
        for (;;) {
            const std::size_t n = data->Read(buffer_.data(), buffer_.size());
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

    MemberCatalog& archive_;
    const ReadCommand& cmd_;
    Progress& progress_;
    OutputText& out_;
    Destination dest_;
    std::vector<char> buffer_;
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
    ReadableArchive source(cmd.archive);
    MemberCatalog& archive = source.members();
    progress.Open(cmd.archive);

    // The result is the code of the first failure; each failure has its line already.
    int32_t result = ARC_OK;
    std::size_t failed = 0;
    if (!source.damage().empty()) {
        // What is intact is still read; the command fails all the same.
        result = ARC_ERROR_HEADER_BROKEN;
        out.Line(source.damage());
        for (const std::string& note : source.notes())
            out.Line(note);
    }
    auto note = [&](const ArcError& e) {
        if (StopsCommand(e.code()))
            throw;
        out.Line(std::string("error: ") + e.what());
        ++failed;
        if (result == ARC_OK)
            result = e.code();
    };

    std::vector<std::string> missing;
    const std::vector<uint64_t> members = SelectMembers(archive, cmd.names, missing);
    if (cmd.action == ReadAction::List) {
        for (const uint64_t i : members)
            out.Line(ListLine(archive.Describe(i)));
    } else if (cmd.action == ReadAction::Test) {
        std::vector<char> buffer(kChunk);
        for (const uint64_t i : members) {
            try {
                const MemberInfo m = archive.Describe(i);
                progress.Begin(m.name, std::string(), m.size);
                const std::unique_ptr<MemberData> data = archive.Open(i);
                uint64_t done = 0;
                while (const std::size_t n = data->Read(buffer.data(), buffer.size())) {
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
        for (const uint64_t i : members) {
            try {
                extraction.Member(i);
            } catch (const ArcError& e) {
                note(e);
            }
            if (progress.Cancelled())
                Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        }
        extraction.Finish();
    }
    progress.End();

    for (const std::string& name : missing)
        out.Line("no member " + name);
    if (result != ARC_OK) {
        std::string summary = source.damage().empty() ? "" : "the archive is damaged; ";
        summary +=
            std::to_string(failed) + " of " + std::to_string(members.size()) + " member(s) failed";
        Fail(result, summary);
    }
    if (!missing.empty())
        Fail(ARC_ERROR_NOT_EXIST, std::to_string(missing.size()) + " name(s) match no member");
    return ARC_OK;
}

int32_t RunMemoryCommand(const ReadCommand& cmd, Progress& progress, const MemoryTarget& target) {
    ReadableArchive source(cmd.archive);
    MemberCatalog& archive = source.members();
    std::vector<std::string> missing;
    const std::vector<uint64_t> members = SelectMembers(archive, cmd.names, missing);
    if (members.empty())
        Fail(ARC_ERROR_NOT_EXIST, "no member " + cmd.names.front());
    const uint64_t index = members.front();
    const MemberInfo m = archive.Describe(index);
    if (m.isDir)
        Fail(ARC_ERROR_NOT_EXIST, "not a file: " + m.name);
    progress.Begin(m.name, std::string(), m.size);
    const std::unique_ptr<MemberData> data = archive.Open(index);
    uint32_t done = 0;
    while (done < target.size) {
        const std::size_t n = data->Read(target.buffer + done, target.size - done);
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    if (done == target.size && done >= m.size) {
        // A member that fills the buffer exactly: its end (and CRC) is read too.
        unsigned char probe = 0;
        data->Read(&probe, 1);
    }
    progress.Advance(done, true);
    if (target.written != nullptr)
        *target.written = done;
    if (target.time != nullptr)
        *target.time = static_cast<int64_t>(m.mtime);
    if (target.attributes != nullptr)
        *target.attributes = m.attributes;
    progress.End();
    if (!source.damage().empty())
        Fail(ARC_ERROR_HEADER_BROKEN, source.damage());
    if (done < m.size)
        Fail(ARC_ERROR_MORE_HEAP_MEMORY, "the buffer is smaller than " + m.name);
    return ARC_OK;
}

} // namespace vmzip
