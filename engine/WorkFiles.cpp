#include "engine/WorkFiles.h"

#include "engine/ArchiveNames.h"
#include "platform/FileUtil.h"
#include "select/ListCache.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace engine {

namespace {

// The six characters that mkstemp puts in place of its XXXXXX.
bool IsRandomSuffix(std::string_view s) {
    return s.size() == 6 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

bool IsArchiveOfThisDirectory(std::string_view base, const std::string& archiveName) {
    if (base == archiveName)
        return true;
    // History backups: "$vm$" + the stamp's digits + the archive's extension.
    const std::size_t dot = archiveName.rfind('.');
    const std::string_view ext =
        dot == std::string::npos ? std::string_view() : std::string_view(archiveName).substr(dot);
    if (base.substr(0, 4) != HistoryPrefix || ext.empty() || base.size() <= 4 + ext.size() ||
        base.substr(base.size() - ext.size()) != ext)
        return false;
    const std::string_view stamp = base.substr(4, base.size() - 4 - ext.size());
    return std::all_of(stamp.begin(), stamp.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// "." + 6 characters (the ZIP library) or ".unlha-" + 6 characters (the LHA library) after a
// name; the length of that suffix, or 0.
std::size_t LibrarySuffixLength(std::string_view n) {
    if (n.size() > 7 && n[n.size() - 7] == '.' && IsRandomSuffix(n.substr(n.size() - 6)))
        return 7;
    if (n.size() > 13 && n.substr(n.size() - 13, 7) == ".unlha-" &&
        IsRandomSuffix(n.substr(n.size() - 6)))
        return 13;
    return 0;
}

} // namespace

bool IsStaleWorkFileName(const std::string& name, const std::string& archiveName) {
    const std::string_view n(name);
    // The LHA library's older naming, without the target's name.
    if (n.size() == 13 && n.substr(0, 7) == ".unlha-")
        return IsRandomSuffix(n.substr(7));
    // The listing cache's own work file: "." + cache name + "." + 8 characters + ".tmp".
    const std::string cacheName = selection::ListCacheFileName(archiveName);
    if (n.size() == cacheName.size() + 14 && n.front() == '.' &&
        n.substr(1, cacheName.size()) == cacheName && n[cacheName.size() + 1] == '.' &&
        n.substr(n.size() - 4) == ".tmp") {
        const std::string_view suffix = n.substr(cacheName.size() + 2, 8);
        return std::all_of(suffix.begin(), suffix.end(), [](unsigned char c) {
            return std::isdigit(c) != 0 || (c >= 'a' && c <= 'z');
        });
    }
    const std::size_t suffix = LibrarySuffixLength(n);
    return suffix != 0 && IsArchiveOfThisDirectory(n.substr(0, n.size() - suffix), archiveName);
}

bool IsExtractionWorkFileName(const std::string& name, const std::string& member) {
    const std::string_view n(name);
    if (n.size() != member.size() + 13 || n.substr(0, member.size()) != member)
        return false;
    const std::string_view mark = n.substr(member.size(), 7);
    return (mark == ".unlha-" || mark == ".unzip-") && IsRandomSuffix(n.substr(member.size() + 7));
}

bool IsExtractionWorkFileOfAny(const std::string& name, const selection::TVMFiles& files) {
    constexpr std::size_t suffix = 13; // ".unlha-" or ".unzip-" + 6 characters
    if (name.size() <= suffix)
        return false;
    const std::string member = name.substr(0, name.size() - suffix);
    return IsExtractionWorkFileName(name, member) &&
           std::any_of(files.begin(), files.end(), [&](const auto& f) { return f.Name == member; });
}

std::vector<std::string> RemoveStaleWorkFiles(const std::string& archiveDir,
                                              const selection::TVMFiles& files,
                                              const std::string& archiveName) {
    std::vector<std::string> removed;
    const std::string prefix = platform::IncludeTrailingPathDelimiter(archiveDir);
    for (const auto& f : files)
        if (IsStaleWorkFileName(f.Name, archiveName) && platform::DeleteFile(prefix + f.Name))
            removed.push_back(f.Name);
    return removed;
}

} // namespace engine
