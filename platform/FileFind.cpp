#include "platform/FileFind.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
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

std::optional<FileEntry> FindEntry(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    if (S_ISLNK(st.st_mode)) {
        // A link counts as the file it points to; links to directories are never followed.
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return std::nullopt;
    } else if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    FileEntry entry;
    const std::size_t slash = path.find_last_of('/');
    entry.Name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (S_ISDIR(st.st_mode)) {
        entry.Attr = faDirectory;
    } else {
        entry.Attr = faArchive;
        entry.Size = static_cast<std::uint64_t>(st.st_size);
    }
    if ((st.st_mode & S_IWUSR) == 0)
        entry.Attr |= faReadOnly;
    if (!entry.Name.empty() && entry.Name[0] == '.')
        entry.Attr |= faHidden;
    entry.Time = FileTimeToDateTime(st.st_mtime);
    return entry;
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool ListDirectory(const std::string& dir, std::vector<FileEntry>& entries) {
    entries.clear();
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    const std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (auto entry = FindEntry(prefix + name)) {
            entry->Name = name;
            entries.push_back(std::move(*entry));
        }
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.Name < b.Name; });
    return true;
}

bool MatchesSearchAttr(std::uint32_t entryAttr, std::uint32_t searchAttr) {
    const std::uint32_t special = faHidden | faSysFile | faDirectory;
    return (entryAttr & special & ~searchAttr) == 0;
}

} // namespace platform
