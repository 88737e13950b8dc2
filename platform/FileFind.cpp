#include "platform/FileFind.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

TDateTime FileTimeToDateTime(std::int64_t unixSeconds) {
    const time_t t = static_cast<time_t>(unixSeconds);
    tm local{};
    if (!localtime_r(&t, &local))
        return unixSeconds < 0 ? EncodeDateTime(1980, 1, 1, 0, 0, 0, 0)
                               : EncodeDateTime(2107, 12, 31, 23, 59, 58, 0);
    const int year = local.tm_year + 1900;
    if (year < 1980)
        return EncodeDateTime(1980, 1, 1, 0, 0, 0, 0);
    if (year > 2107)
        return EncodeDateTime(2107, 12, 31, 23, 59, 58, 0);
    const int second = std::min(local.tm_sec, 59) & ~1;
    return EncodeDateTime(year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          second, 0);
}

namespace {

// The entry that lstat data (and, for a link, the data of its target) describe; nullopt for
// the kinds FindEntry leaves out.
std::optional<FileEntry> Describe(std::string name, const struct stat& st) {
    FileEntry entry;
    entry.Name = std::move(name);
    if (S_ISDIR(st.st_mode)) {
        entry.Attr = faDirectory;
    } else if (S_ISREG(st.st_mode)) {
        entry.Attr = faArchive;
        entry.Size = static_cast<std::uint64_t>(st.st_size);
    } else {
        return std::nullopt;
    }
    if ((st.st_mode & S_IWUSR) == 0)
        entry.Attr |= faReadOnly;
    if (!entry.Name.empty() && entry.Name[0] == '.')
        entry.Attr |= faHidden;
    entry.Time = FileTimeToDateTime(st.st_mtime);
    return entry;
}

// Whether the type a directory read reports rules an entry out before any stat: special
// files never count, directories are not files, and only directories (or entries of unknown
// type) can be directories.
bool PassedOver(unsigned char type, EntryKinds kinds) {
    switch (type) {
    case DT_FIFO:
    case DT_CHR:
    case DT_BLK:
    case DT_SOCK:
        return true;
    case DT_DIR:
        return kinds == EntryKinds::Files;
    case DT_UNKNOWN:
        return false;
    default: // regular files and links
        return kinds == EntryKinds::Directories;
    }
}

// The kind of a special file by the type a directory read reports, or by its mode.
std::optional<SkippedKind> SpecialKindOfType(unsigned char type) {
    switch (type) {
    case DT_FIFO:
        return SkippedKind::Fifo;
    case DT_SOCK:
        return SkippedKind::Socket;
    case DT_CHR:
        return SkippedKind::CharacterDevice;
    case DT_BLK:
        return SkippedKind::BlockDevice;
    default:
        return std::nullopt;
    }
}

std::optional<SkippedKind> SpecialKindOfMode(mode_t mode) {
    if (S_ISFIFO(mode))
        return SkippedKind::Fifo;
    if (S_ISSOCK(mode))
        return SkippedKind::Socket;
    if (S_ISCHR(mode))
        return SkippedKind::CharacterDevice;
    if (S_ISBLK(mode))
        return SkippedKind::BlockDevice;
    return std::nullopt;
}

} // namespace

std::optional<FileEntry> FindEntry(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    // A link counts as the file it points to; links to directories are never followed.
    if (S_ISLNK(st.st_mode) && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
        return std::nullopt;
    const std::size_t slash = path.find_last_of('/');
    return Describe(slash == std::string::npos ? path : path.substr(slash + 1), st);
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool ListDirectory(const std::string& dir, std::vector<FileEntry>& entries, EntryKinds kinds,
                   std::vector<SkippedEntry>* skipped) {
    entries.clear();
    if (skipped)
        skipped->clear();
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    // Only a listing of everything knows that an entry was left out for its kind.
    std::vector<SkippedEntry>* report = kinds == EntryKinds::All ? skipped : nullptr;
    // Entries are looked up relative to the open directory: no walk of the whole path each.
    const int fd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (PassedOver(e->d_type, kinds)) {
            if (report && SpecialKindOfType(e->d_type))
                report->push_back({name, *SpecialKindOfType(e->d_type)});
            continue;
        }
        struct stat st {};
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            struct stat target {};
            if (::fstatat(fd, name, &target, 0) != 0) {
                if (report)
                    report->push_back({name, SkippedKind::DanglingLink});
                continue;
            }
            if (!S_ISREG(target.st_mode)) {
                if (report)
                    report->push_back({name, S_ISDIR(target.st_mode) ? SkippedKind::DirectoryLink
                                                                     : SkippedKind::SpecialLink});
                continue;
            }
            st = target;
        }
        if (S_ISDIR(st.st_mode) ? kinds == EntryKinds::Files : kinds == EntryKinds::Directories)
            continue;
        if (auto entry = Describe(name, st))
            entries.push_back(std::move(*entry));
        else if (report && SpecialKindOfMode(st.st_mode))
            report->push_back({name, *SpecialKindOfMode(st.st_mode)});
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.Name < b.Name; });
    if (report)
        std::sort(report->begin(), report->end(),
                  [](const SkippedEntry& a, const SkippedEntry& b) { return a.Name < b.Name; });
    return true;
}

bool MatchesSearchAttr(std::uint32_t entryAttr, std::uint32_t searchAttr) {
    const std::uint32_t special = faHidden | faSysFile | faDirectory;
    return (entryAttr & special & ~searchAttr) == 0;
}

} // namespace platform
