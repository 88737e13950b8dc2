#include "engine/ArchiveNames.h"

#include "platform/FileFind.h"
#include "platform/FileUtil.h"

namespace engine {

namespace {

std::string LastComponent(const std::string& path) {
    const std::string s = platform::ExcludeTrailingPathDelimiter(path);
    const std::size_t slash = s.rfind('/');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

std::string Join(const std::string& dir, const std::string& name) {
    return platform::IncludeTrailingPathDelimiter(platform::ExcludeTrailingPathDelimiter(dir)) +
           name;
}

} // namespace

std::string ArchiveExtension(engine::TVMArchiverType type) {
    return type == engine::atZip ? ".zip" : ".lzh";
}

std::string ArchiveDirFor(const std::string& src, const std::string& dst) {
    const std::string name = LastComponent(src);
    // There is no drive part on this platform: the root maps to "nil".
    return Join(dst, name.empty() ? "nil" : name);
}

TArchiveNames MakeArchiveNames(const std::string& src, const std::string& archiveDir,
                               platform::TDateTime time, bool dirNameAsLzhName,
                               engine::TVMArchiverType type) {
    const std::string ext = ArchiveExtension(type);
    const std::string name = LastComponent(src);
    std::string base;
    if (!dirNameAsLzhName)
        base = "vm";
    else if (name.empty())
        base = "root";
    else
        base = name.substr(0, name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
    TArchiveNames names;
    names.Archive = Join(archiveDir, base + ext);
    names.History =
        Join(archiveDir, HistoryPrefix + platform::FormatDateTime("yyyymmddhhnnss", time) + ext);
    return names;
}

namespace {

// head + yyyymmddhhnnss + tail in archiveDir for the second of `time`, or the first free
// second after it.
std::string FreeStampedName(const std::string& archiveDir, const std::string& head,
                            platform::TDateTime time, const std::string& tail) {
    // Counted from the middle of the second, so that adding seconds never rounds into the
    // neighbouring one.
    const platform::DateParts p = platform::DecodeDateTime(time);
    const platform::TDateTime base =
        platform::EncodeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second, 500);
    std::string name;
    for (int second = 0; second < 24 * 3600; ++second) {
        name =
            Join(archiveDir,
                 head + platform::FormatDateTime("yyyymmddhhnnss", base + second / 86400.0) + tail);
        if (!platform::EntryExists(name))
            break;
    }
    return name;
}

} // namespace

std::string FreeHistoryName(const std::string& archiveDir, platform::TDateTime time,
                            engine::TVMArchiverType type) {
    return FreeStampedName(archiveDir, HistoryPrefix, time, ArchiveExtension(type));
}

std::string FreeHistoryDirName(const std::string& archiveDir, const std::string& name,
                               platform::TDateTime time) {
    return FreeStampedName(archiveDir, HistoryPrefix + name, time, "");
}

bool IsHistoryFileName(const std::string& name, const std::string& ext) {
    if (name.compare(0, 4, HistoryPrefix) != 0 || name.size() <= 4 + ext.size())
        return false;
    if (name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    for (std::size_t i = 4; i < name.size() - ext.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

bool IsHistoryDirName(const std::string& name) {
    return name.size() >= 5 && name.compare(0, 4, HistoryPrefix) == 0 && name.back() >= '0' &&
           name.back() <= '9';
}

} // namespace engine
