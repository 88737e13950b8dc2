#include "Packer.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "FileSource.h"
#include "NamePattern.h"
#include "WorkerCount.h"
#include "ZipArchive.h"

namespace vmzip {

namespace {

struct Candidate {
    std::string path;   // on disk
    std::string member; // name in the archive
    struct stat st {};
};

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// The member name of a relative path: no leading '/', no "." or ".." parts, no empty parts.
std::string MemberName(const std::string& rel, bool junkPaths) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rel.size()) {
        std::size_t end = rel.find('/', start);
        if (end == std::string::npos)
            end = rel.size();
        std::string part = rel.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    if (parts.empty())
        return std::string();
    if (junkPaths)
        return parts.back();
    std::string out = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i)
        out += "/" + parts[i];
    return out;
}

class Selection {
public:
    Selection(const WriteCommand& cmd, const struct stat* archiveStat)
        : cmd_(cmd), enc_(LocaleEncoding()), archiveStat_(archiveStat) {}

    void AddItem(const std::string& item) {
        const std::string plain = UnescapeName(item, enc_);
        const std::string full = Join(cmd_.baseDir, plain);
        struct stat lst {};
        if (lstat(full.c_str(), &lst) == 0) {
            if (!Take(plain, full, true, lst))
                missing_.push_back(plain);
            return;
        }
        if (HasWildcard(item, enc_) && AddPattern(item))
            return;
        missing_.push_back(plain);
    }

    std::vector<Candidate>& candidates() { return candidates_; }
    const std::vector<std::string>& missing() const { return missing_; }
    // Directories that could not be read, as lines for the output.
    const std::vector<std::string>& unreadable() const { return unreadable_; }

private:
    bool Hidden(const char* name) const { return name[0] == '.' && !cmd_.includeHidden; }

    // Takes one existing entry, whose lstat is lst; false when it cannot be packed (dangling
    // link, special file). Only a link is looked up a second time.
    bool Take(const std::string& rel, const std::string& full, bool named, const struct stat& lst) {
        struct stat st = lst;
        if (S_ISLNK(lst.st_mode) && stat(full.c_str(), &st) != 0)
            return false;
        if (archiveStat_ != nullptr && st.st_dev == archiveStat_->st_dev &&
            st.st_ino == archiveStat_->st_ino)
            return true; // never the archive into itself
        if (S_ISREG(st.st_mode)) {
            const std::string member = MemberName(rel, cmd_.junkPaths);
            if (member.empty())
                return false;
            candidates_.push_back(Candidate{full, member, st});
            return true;
        }
        if (!S_ISDIR(st.st_mode))
            return false;
        if (S_ISLNK(lst.st_mode))
            return named; // a link to a directory is never descended
        if (!cmd_.noDirEntries && !cmd_.junkPaths) {
            const std::string member = MemberName(rel, false);
            if (!member.empty())
                candidates_.push_back(Candidate{full, member + "/", st});
        }
        if (cmd_.recurse)
            Walk(rel, full, nullptr);
        return true;
    }

    // Every entry of a directory (those matching mask when given), recursively with -r.
    void Walk(const std::string& rel, const std::string& full, const std::string* mask) {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(full.empty() ? "." : full.c_str()),
                                                closedir);
        if (!dir) {
            if (errno != ENOENT)
                unreadable_.push_back(
                    WithErrno("cannot read directory " + (full.empty() ? "." : full), errno));
            return;
        }
        std::vector<std::string> names;
        while (const dirent* e = readdir(dir.get())) {
            if (std::string_view(e->d_name) == "." || std::string_view(e->d_name) == "..")
                continue;
            if (Hidden(e->d_name))
                continue;
            names.emplace_back(e->d_name);
        }
        dir.reset();
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string childRel = rel.empty() ? name : Join(rel, name);
            const std::string childFull = Join(full, name);
            struct stat lst {};
            if (lstat(childFull.c_str(), &lst) != 0)
                continue;
            if (mask == nullptr) {
                Take(childRel, childFull, false, lst);
                continue;
            }
            // With a mask, -r descends into every subdirectory and applies the mask there.
            if (S_ISDIR(lst.st_mode) && cmd_.recurse) {
                Walk(childRel, childFull, mask);
                continue;
            }
            if (WildcardMatch(*mask, name, enc_)) {
                matched_ = true;
                Take(childRel, childFull, false, lst);
            }
        }
    }

    bool AddPattern(const std::string& item) {
        const std::size_t slash = item.rfind('/');
        std::string dirRel;
        std::string mask = item;
        if (slash != std::string::npos) {
            dirRel = UnescapeName(item.substr(0, slash), enc_);
            mask = item.substr(slash + 1);
        }
        matched_ = false;
        Walk(dirRel, Join(cmd_.baseDir, dirRel), &mask);
        return matched_;
    }

    const WriteCommand& cmd_;
    TextEncoding enc_;
    const struct stat* archiveStat_;
    std::vector<Candidate> candidates_;
    std::vector<std::string> missing_;
    std::vector<std::string> unreadable_;
    bool matched_ = false;
};

// True when the file is newer than the member (MS-DOS times have 2-second steps).
bool FileIsNewer(const struct stat& st, const MemberInfo& m, bool preciseTime) {
    if (preciseTime)
        return st.st_mtime > m.mtime;
    return FromDosStamp(ToDosStamp(st.st_mtime)) > m.mtime;
}

int CancelCallback(zip_t*, void* progress) {
    return static_cast<Progress*>(progress)->Cancelled() ? 1 : 0;
}

void ZipFailure(zip_t* za, const std::string& what) {
    zip_error_t* error = zip_get_error(za);
    const int32_t code = zip_error_code_zip(error) == ZIP_ER_MEMORY ? ARC_ERROR_ENOUGH_MEMORY
                                                                    : ARC_ERROR_CANNOT_WRITE;
    Fail(code, what + ": " + zip_error_strerror(error));
}

void SetMemberMeta(zip_t* za, zip_uint64_t index, const struct stat& st) {
    zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX, ExternalAttributes(st.st_mode));
    zip_file_set_mtime(za, index, st.st_mtime, 0);
    SetExtendedTime(za, index, st.st_mtime);
}

// Whether the file opens for reading now; the reason goes to unreadable when it does not.
// libzip reads the file only when it writes the archive, where one file that fails would
// fail the whole archive.
bool Readable(const Candidate& c, std::vector<std::string>& unreadable) {
    const int fd = open(c.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        unreadable.push_back(WithErrno("cannot open " + c.path, errno));
        return false;
    }
    close(fd);
    return true;
}

// Packs the candidates; returns the member names given new data, each with whether it
// replaced an existing member.
std::unordered_map<std::string, bool> PackCandidates(ZipArchive& archive, const WriteCommand& cmd,
                                                     PackState& state,
                                                     std::vector<Candidate>& candidates,
                                                     std::vector<std::string>& unreadable,
                                                     OutputText& out) {
    std::unordered_map<std::string, bool> written;
    zip_t* za = archive.get();
    // A name given twice is packed once, from its last occurrence.
    std::unordered_map<std::string, std::size_t> last;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        last[candidates[i].member] = i;

    for (std::size_t i = 0; i < candidates.size(); ++i) {
        Candidate& c = candidates[i];
        if (last[c.member] != i)
            continue;
        const int64_t existing = archive.Find(c.member);
        const bool onlyNewer = cmd.onlyNewer || cmd.action == WriteAction::Freshen;
        if (existing < 0 && cmd.action == WriteAction::Freshen)
            continue;
        if (existing >= 0 && onlyNewer) {
            const auto idx = static_cast<zip_uint64_t>(existing);
            const MemberInfo m = archive.Describe(idx);
            if (!FileIsNewer(c.st, m, ExtendedTime(za, idx).has_value()))
                continue;
        }
        const bool isDir = c.member.back() == '/';
        if (isDir) {
            if (existing >= 0)
                continue;
            const zip_int64_t idx = zip_dir_add(za, c.member.c_str(), ZIP_FL_ENC_GUESS);
            if (idx < 0)
                ZipFailure(za, "cannot add " + c.member);
            SetMemberMeta(za, static_cast<zip_uint64_t>(idx), c.st);
            archive.Remember(c.member, static_cast<zip_uint64_t>(idx));
            if (cmd.verbose && !cmd.quiet)
                out.Line("  adding: " + c.member);
            continue;
        }
        if (!Readable(c, unreadable))
            continue; // an old member of that name stays as it is
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* src =
            MakeFileSource(state, c.path, c.member, static_cast<uint64_t>(c.st.st_size),
                           c.st.st_mtime, cmd.level, &error);
        zip_error_fini(&error);
        if (src == nullptr)
            Fail(ARC_ERROR_ENOUGH_MEMORY, "out of memory");
        zip_uint64_t idx = 0;
        if (existing >= 0) {
            idx = static_cast<zip_uint64_t>(existing);
            if (zip_file_replace(za, idx, src, 0) != 0) {
                zip_source_free(src);
                ZipFailure(za, "cannot replace " + c.member);
            }
        } else {
            // libzip sets the UTF-8 flag for a name that is valid UTF-8 beyond ASCII and keeps
            // any other name as its bytes.
            const zip_int64_t added = zip_file_add(za, c.member.c_str(), src, ZIP_FL_ENC_GUESS);
            if (added < 0) {
                zip_source_free(src);
                ZipFailure(za, "cannot add " + c.member);
            }
            idx = static_cast<zip_uint64_t>(added);
            archive.Remember(c.member, idx);
        }
        // The source hands over finished member data; these methods make libzip take it as
        // it is (a replaced member would otherwise keep its old method).
        zip_set_file_compression(za, idx, cmd.level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFAULT, 0);
        NoteArchiveIndex(state, idx);
        SetMemberMeta(za, idx, c.st);
        written[c.member] = existing >= 0;
        if (cmd.verbose && !cmd.quiet)
            out.Line((existing >= 0 ? "updating: " : "  adding: ") + c.member);
    }
    return written;
}

// Writes the archive. A file that cannot be read while it is written (gone, or no longer
// readable, since it was looked at) fails libzip's whole write; its member is then taken
// back (an old member of that name stays as it was) and the archive written again.
void CommitSkippingFailures(ZipArchive& archive, PackState& state, Progress& progress,
                            const std::unordered_map<std::string, bool>& written,
                            std::vector<std::string>& unreadable) {
    for (;;) {
        const std::size_t before = state.failures.size();
        try {
            archive.Commit(progress.Cancelled());
            return;
        } catch (const ArcError& e) {
            if (e.code() == ARC_ERROR_USER_CANCEL || state.failures.size() == before)
                throw;
            bool dropped = false;
            for (std::size_t k = before; k < state.failures.size(); ++k) {
                const SourceFailure& f = state.failures[k];
                unreadable.push_back(f.text);
                const int64_t idx = archive.Find(f.member);
                const auto it = written.find(f.member);
                if (idx < 0 || it == written.end())
                    continue;
                const auto i = static_cast<zip_uint64_t>(idx);
                if (it->second) {
                    dropped = zip_unchange(archive.get(), i) == 0 || dropped;
                } else if (zip_delete(archive.get(), i) == 0) {
                    archive.Forget(f.member);
                    dropped = true;
                }
            }
            if (!dropped)
                throw;
        }
    }
}

void DeleteMembers(ZipArchive& archive, const WriteCommand& cmd, Progress& progress,
                   std::vector<std::string>& missing, OutputText& out) {
    const TextEncoding enc = LocaleEncoding();
    zip_t* za = archive.get();
    for (const std::string& item : cmd.names) {
        const std::string plain = UnescapeName(item, enc);
        std::vector<zip_uint64_t> hits;
        const int64_t exact = archive.Find(plain);
        if (exact >= 0) {
            hits.push_back(static_cast<zip_uint64_t>(exact));
        } else if (HasWildcard(item, enc)) {
            const uint64_t n = archive.count();
            for (uint64_t i = 0; i < n; ++i) {
                const char* name = zip_get_name(za, i, ZIP_FL_ENC_RAW);
                if (name != nullptr && WildcardMatch(item, name, enc))
                    hits.push_back(i);
            }
        }
        if (hits.empty()) {
            missing.push_back(plain);
            continue;
        }
        for (const zip_uint64_t i : hits) {
            const std::string name = archive.NameOf(i);
            progress.Begin(name, archive.path(), 0);
            if (zip_delete(za, i) != 0)
                continue; // already deleted by an earlier name
            archive.Forget(name);
            if (cmd.verbose && !cmd.quiet)
                out.Line("deleting: " + name);
        }
    }
}

} // namespace

int32_t RunWriteCommand(const WriteCommand& cmd, Progress& progress, OutputText& out) {
    struct stat archiveStat {};
    const bool archiveExists = stat(cmd.archive.c_str(), &archiveStat) == 0;
    const OpenMode mode =
        cmd.action == WriteAction::Add ? OpenMode::Write : OpenMode::WriteExisting;

    std::vector<std::string> missing;
    std::vector<std::string> unreadable;
    PackState state(progress);
    std::vector<Candidate> candidates;
    if (cmd.action != WriteAction::Delete) {
        Selection selection(cmd, archiveExists ? &archiveStat : nullptr);
        for (const std::string& item : cmd.names)
            selection.AddItem(item);
        candidates = std::move(selection.candidates());
        missing = selection.missing();
        unreadable = selection.unreadable();
    }

    // The archive is opened after the selection and closed before the pack state goes.
    {
        ZipArchive archive(cmd.archive, mode);
        // libzip would carry a damaged member over into the new archive as it finds it.
        if (archiveExists && !archive.Check().ok())
            Fail(ARC_ERROR_HEADER_BROKEN, "damaged archive " + cmd.archive + ": " +
                                              archive.Check().problem + "; it is left as it is");
        progress.Open(cmd.archive);
        std::unordered_map<std::string, bool> written;
        if (cmd.action == WriteAction::Delete)
            DeleteMembers(archive, cmd, progress, missing, out);
        else
            written = PackCandidates(archive, cmd, state, candidates, unreadable, out);
        StartWorkers(state, vmarc::WorkerCount(cmd.threads));
        // A cancel answered to an earlier message (opening, deleting) drops every change.
        if (progress.Cancelled())
            Fail(ARC_ERROR_USER_CANCEL, "cancelled; the archive is unchanged");
        zip_register_cancel_callback_with_state(archive.get(), CancelCallback, nullptr, &progress);
        CommitSkippingFailures(archive, state, progress, written, unreadable);
    }
    progress.End();

    for (const std::string& name : missing)
        out.Line((cmd.action == WriteAction::Delete ? "no member " : "no file ") + name);
    for (const std::string& text : unreadable)
        out.Line("error: " + text);
    if (!unreadable.empty())
        Fail(ARC_ERROR_FILE_OPEN, std::to_string(unreadable.size()) +
                                      " file(s) or directories could not be read and were left "
                                      "out; the others were packed");
    if (missing.empty() || cmd.action == WriteAction::Delete)
        return ARC_OK;
    Fail(ARC_ERROR_NOT_EXIST, "no such file: " + missing.front());
}

} // namespace vmzip
