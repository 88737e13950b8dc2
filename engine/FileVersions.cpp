// The versions of one file that the destinations hold, and bringing one of them back. Nothing
// at a destination is written: archives are listed and read straight through the library (the
// listing caches are neither used nor touched).
#include "engine/FileVersions.h"

#include "archives/NamedStreams.h"
#include "engine/ArchiveNames.h"
#include "engine/DirectoryPass.h"
#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "platform/FileFind.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"

#include <algorithm>
#include <map>
#include <set>

namespace engine {

using selection::TVMFiles;

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

bool AllDigits(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A history directory of the archive directory `name`: "$vm$" + name + yyyymmddhhnnss.
bool IsHistoryDirOf(const std::string& dirName, const std::string& name) {
    const std::string prefix = HistoryPrefix + name;
    return dirName.size() == prefix.size() + 14 && dirName.compare(0, prefix.size(), prefix) == 0 &&
           AllDigits(dirName.substr(prefix.size()));
}

std::vector<std::string> Components(const std::string& relative) {
    std::vector<std::string> parts;
    for (std::size_t pos = 0; pos <= relative.size();) {
        std::size_t end = relative.find('/', pos);
        if (end == std::string::npos)
            end = relative.size();
        if (end > pos)
            parts.push_back(relative.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

} // namespace

std::vector<TFileLocation> LocateFile(const definition::TVMDefinition& def,
                                      const std::string& path) {
    std::vector<TFileLocation> found;
    const std::string file = NormalisedPath(path);
    for (std::size_t i = 0; i < def.Tasks.size(); ++i) {
        const definition::TVMTask& item = *def.Tasks[i];
        for (const std::string& src : SourceLines(item.SrcDirs)) {
            const std::string dir = platform::IncludeTrailingPathDelimiter(NormalisedPath(src));
            if (file.size() <= dir.size() || file.compare(0, dir.size(), dir) != 0)
                continue;
            std::vector<std::string> parts = Components(file.substr(dir.size()));
            if (parts.empty() || (parts.size() > 1 && !item.SubDir))
                continue;
            TFileLocation location;
            location.Item = i;
            location.SourceDir = src;
            location.FileName = parts.back();
            parts.pop_back();
            location.Subdirs = std::move(parts);
            found.push_back(std::move(location));
        }
    }
    return found;
}

std::string VersionStamp(platform::TDateTime time) {
    return platform::FormatDateTime("yyyymmddhhnnss", time);
}

TFileVersions TVMEngine::FindFileVersions(const definition::TVMDefinition& def,
                                          const std::string& path) {
    // An archive directory belongs to the first source of the definition that maps to it:
    // backup and restore refuse the later ones, whose files it does not hold.
    std::map<std::string, std::string> owners;
    for (const auto& item : def.Tasks)
        for (const std::string& src : SourceLines(item->SrcDirs))
            owners.emplace(NormalisedPath(ArchiveDirFor(src, item->DstDir)), NormalisedPath(src));
    TFileVersions result;
    std::set<std::string> visited;
    for (const TFileLocation& location : LocateFile(def, path)) {
        const definition::TVMTask& item = *def.Tasks[location.Item];
        const std::string archiveDir = ArchiveDirFor(location.SourceDir, item.DstDir);
        if (owners.at(NormalisedPath(archiveDir)) != NormalisedPath(location.SourceDir))
            continue;
        CollectVersions(archiveDir, location.SourceDir, location, 0, item.DirNameAsLzhName, result,
                        visited);
    }
    std::stable_sort(result.Versions.begin(), result.Versions.end(),
                     [](const TFileVersion& a, const TFileVersion& b) {
                         if (a.Time != b.Time)
                             return a.Time > b.Time;
                         if (a.Latest != b.Latest)
                             return a.Latest;
                         return platform::ExtractFileName(a.Archive) >
                                platform::ExtractFileName(b.Archive);
                     });
    return result;
}

void TVMEngine::CollectVersions(const std::string& archiveDir, const std::string& sourceDir,
                                const TFileLocation& location, std::size_t depth,
                                bool dirNameAsLzhName, TFileVersions& out,
                                std::set<std::string>& visited) {
    if (!platform::DirectoryExists(archiveDir) || platform::IsSymbolicLink(archiveDir) ||
        !visited.insert(NormalisedPath(archiveDir)).second)
        return;
    const std::string prefix = platform::IncludeTrailingPathDelimiter(archiveDir);
    if (depth == location.Subdirs.size()) {
        // The file's own directory: its archive (named after the source directory, also in a
        // history directory) and the history backups beside it.
        const std::string ext = ArchiveExtension(state_.ArchiverType);
        const std::string archive = MakeArchiveNames(sourceDir, archiveDir, platform::Now(),
                                                     dirNameAsLzhName, state_.ArchiverType)
                                        .Archive;
        if (platform::FileExists(archive))
            CollectFromArchive(archive, location.FileName, true, out);
        TVMFiles files;
        selection::ScanFiles(files, archiveDir);
        for (const auto& f : files)
            if (IsHistoryFileName(platform::LowerCase(f.Name), ext))
                CollectFromArchive(prefix + f.Name, location.FileName, false, out);
        return;
    }
    // A directory on the way: the archive directory of the next one, and each history
    // directory it left when it went from the source (its archives keep their own names).
    const std::string& next = location.Subdirs[depth];
    const std::string nextSource = platform::IncludeTrailingPathDelimiter(sourceDir) + next;
    CollectVersions(prefix + next, nextSource, location, depth + 1, dirNameAsLzhName, out, visited);
    TVMFiles dirs;
    selection::ScanDirs(dirs, archiveDir, true);
    for (const auto& d : dirs)
        if (IsHistoryDirOf(d.Name, next))
            CollectVersions(prefix + d.Name, nextSource, location, depth + 1, dirNameAsLzhName, out,
                            visited);
}

void TVMEngine::CollectFromArchive(const std::string& archive, const std::string& fileName,
                                   bool latest, TFileVersions& out) {
    TVMFiles members;
    bool whole = false;
    try {
        whole = ListArchiveMembers(archive, members);
    } catch (const std::exception& e) {
        state_.AddStampedLine(" Cannot list " + archive + ": " + e.what());
    }
    if (!whole)
        out.Unreadable.push_back(archive);
    TFileVersion* version = nullptr;
    std::vector<std::string> streams;
    std::string base, stream;
    for (const auto& m : members) {
        if (m.Name == fileName && !(m.Attr & selection::faDirectory)) {
            TFileVersion v;
            v.Time = m.Time;
            v.Size = m.Size;
            v.Archive = archive;
            v.Member = m.Name;
            v.Latest = latest;
            out.Versions.push_back(std::move(v));
            version = &out.Versions.back();
        } else if (archives::SplitStreamMemberName(m.Name, options_.StreamSeparator, base,
                                                   stream) &&
                   base == fileName) {
            streams.push_back(m.Name);
        }
    }
    if (version)
        version->Streams = std::move(streams);
}

TVersionRestore TVMEngine::RestoreFileVersion(const TFileVersion& version, const std::string& dir) {
    host::TRunHost& host = state_.Host();
    LastArchiveError.clear();
    LastArchiveDetails.clear();
    const std::string target = platform::IncludeTrailingPathDelimiter(dir) + version.Member;
    if (!platform::DirectoryExists(dir) && !platform::ForceDirectories(dir)) {
        LastArchiveError = Text("復元先フォルダを作成できません：") + dir;
        return TVersionRestore::Failed;
    }
    if (platform::DirectoryExists(target) && !platform::IsSymbolicLink(target)) {
        LastArchiveError = Text("同じ名前のフォルダがあるため復元できません：") + target;
        return TVersionRestore::Failed;
    }
    if (const auto present = platform::FindEntry(target);
        present && CompareTimes(present->Time, version.Time) > 0 &&
        host.ShowMessage(host::TMsgKind::Confirmation,
                         Text("復元先のファイルの方が新しい日付です．上書きしますか？\r\n") +
                             target + "\r\n(" + platform::DateToStr(present->Time) + " " +
                             platform::TimeToStr(present->Time) + " --> " +
                             platform::DateToStr(version.Time) + " " +
                             platform::TimeToStr(version.Time) + ")",
                         host::TMsgButtons::YesNo, host::TMsgAnswer::No) != host::TMsgAnswer::Yes)
        return TVersionRestore::Declined;
    EnsureTempDir();
    std::vector<std::string> names{version.Member};
    names.insert(names.end(), version.Streams.begin(), version.Streams.end());
    state_.AddStampedLine(" Restoring a version from " + version.Archive + " to " + dir);
    ListNames(" Unpacking files:", names);
    if (const int code = UnpackFiles(version.Archive, dir, names); code != 0) {
        if (LastArchiveError.empty())
            LastArchiveError = ArchiveErrorMessage(code);
        return TVersionRestore::Failed;
    }
    // The library reports a member it could not find as no error: the file itself tells.
    const auto restored = platform::FindEntry(target);
    if (!restored || CompareTimes(restored->Time, version.Time) != 0 ||
        static_cast<std::int64_t>(restored->Size) != version.Size) {
        LastArchiveError =
            Text("書庫から取り出せませんでした：") + version.Archive + " : " + version.Member;
        return TVersionRestore::Failed;
    }
    // (An extended attribute that could not be set is an error line of TakeStreamReport.)
    return TVersionRestore::Restored;
}

} // namespace engine
