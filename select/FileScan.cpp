#include "select/FileScan.h"

#include "platform/FileFind.h"
#include "platform/FileUtil.h"

#include <cerrno>
#include <cstring>

namespace selection {

namespace {

// Search attributes: every plain file (read-only, hidden, system, archive), and with directories.
constexpr std::uint32_t kFileSearch = 39;
constexpr std::uint32_t kDirSearch = 55;

TVMFileInfo Record(platform::FileEntry& e) {
    TVMFileInfo info;
    info.Name = std::move(e.Name);
    info.Size = static_cast<std::int64_t>(e.Size);
    info.Attr = static_cast<std::int32_t>(e.Attr);
    info.Time = e.Time;
    return info;
}

bool IsScannedFile(const platform::FileEntry& e) {
    return !(e.Attr & platform::faDirectory) && platform::MatchesSearchAttr(e.Attr, kFileSearch);
}

bool IsScannedDir(const platform::FileEntry& e, bool includeHistory) {
    return (e.Attr & platform::faDirectory) && platform::MatchesSearchAttr(e.Attr, kDirSearch) &&
           (includeHistory || e.Name.compare(0, 4, "$vm$") != 0);
}

} // namespace

void ScanFiles(TVMFiles& list, const std::string& dir) {
    list.Clear();
    std::vector<platform::FileEntry> entries;
    if (!platform::ListDirectory(dir, entries, platform::EntryKinds::Files))
        return;
    for (auto& e : entries)
        if (IsScannedFile(e))
            list.Add(Record(e));
}

void ScanDirs(TVMFiles& list, const std::string& dir, bool includeHistory) {
    list.Clear();
    std::vector<platform::FileEntry> entries;
    if (!platform::ListDirectory(dir, entries, platform::EntryKinds::Directories))
        return;
    for (auto& e : entries)
        if (IsScannedDir(e, includeHistory))
            list.Add(Record(e));
}

bool ScanDirectory(TVMFiles& files, TVMFiles& dirs, const std::string& dir, bool includeHistory,
                   const SkippedEntryHandler& onSkipped) {
    files.Clear();
    dirs.Clear();
    std::vector<platform::FileEntry> entries;
    std::vector<platform::SkippedEntry> skipped;
    if (!platform::ListDirectory(dir, entries, platform::EntryKinds::All,
                                 onSkipped ? &skipped : nullptr))
        return false;
    for (const auto& s : skipped)
        onSkipped(s);
    for (auto& e : entries) {
        if (IsScannedFile(e))
            files.Add(Record(e));
        else if (IsScannedDir(e, includeHistory))
            dirs.Add(Record(e));
    }
    return true;
}

void DeleteTree(const std::string& dir) {
    const std::string target = platform::ExcludeTrailingPathDelimiter(dir);
    const std::string prefix = platform::IncludeTrailingPathDelimiter(target);
    // A link standing for the directory is removed itself; what it points to stays.
    if (platform::IsSymbolicLink(target)) {
        if (!platform::DeleteFile(target))
            throw platform::EFileError("Cannot remove \"" + target + "\": " + std::strerror(errno),
                                       errno);
        return;
    }
    std::vector<platform::DirName> names;
    platform::ReadDirectoryNames(target, names);
    for (const auto& n : names) {
        if (n.IsDirectory)
            DeleteTree(prefix + n.Name);
        else
            platform::DeleteFile(prefix + n.Name); // links are removed, never followed
    }
    if (const int error = platform::RemoveDirError(target); error != 0)
        throw platform::EFileError(
            "Cannot remove directory \"" + target + "\": " + std::strerror(error), error);
}

} // namespace selection
