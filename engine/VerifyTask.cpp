// The verify pass: every archive an item's backup holds (the latest, the history backups beside
// it and everything in history directories) is tested by its library, and each listing cache
// is compared with its archive. Nothing at the destination is written.
#include "engine/ArchiveNames.h"
#include "engine/DirectoryPass.h"
#include "engine/EVMError.h"
#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"
#include "select/ListArchive.h"
#include "select/ListCache.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace engine {

using selection::TVMFiles;

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// The lines of a library's output that say something is wrong (not the per-member "OK" lines).
std::vector<std::string> ProblemLines(std::string_view out) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t end = out.find('\n', pos);
        if (end == std::string_view::npos)
            end = out.size();
        std::string_view line = out.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.substr(0, 3) == "OK " ||
            (line.size() >= 5 && line.substr(line.size() - 5) == " - OK"))
            continue;
        lines.emplace_back(line);
    }
    return lines;
}

// The names of a list, sorted (names are compared as exact bytes).
std::set<std::string> Names(const TVMFiles& files) {
    std::set<std::string> names;
    for (const auto& f : files)
        names.insert(f.Name);
    return names;
}

} // namespace

void TVMEngine::DoVerifyTask(const definition::TVMTask& item) {
    state_.AddStampedLine(" TFrmMainWnd.DoVerifyTask - " + item.DstDir);
    state_.AddLogLine(Text("検査：") + item.DstDir);
    state_.Host().SetStatusText(1, item.DstDir);
    for (const auto& src : SourceLines(item.SrcDirs))
        VerifyDirectory(item, src, true);
}

void TVMEngine::VerifyDirectory(const definition::TVMTask& item, const std::string& src, bool top) {
    host::TRunHost& host = state_.Host();
    const StatusPanelReset panelReset(host);
    AdvanceProgress(src);
    CheckUserBreak();

    const std::string archiveDir = ArchiveDirFor(src, item.DstDir);
    if (!platform::DirectoryExists(archiveDir)) {
        // A source directory of the item without any backup: nothing there can be restored.
        if (top)
            state_.AddErrorLine(Text("バックアップがありません：") + archiveDir);
        return;
    }
    host.SetStatusText(1, Text("検査フォルダ：") + archiveDir);
    const std::string archive = MakeArchiveNames(src, archiveDir, platform::Now(),
                                                 item.DirNameAsLzhName, state_.ArchiverType)
                                    .Archive;
    const std::string ext = ArchiveExtension(state_.ArchiverType);
    const std::string prefix = platform::IncludeTrailingPathDelimiter(archiveDir);

    if (platform::FileExists(archive))
        VerifyArchive(archive);
    else if (const std::string cacheFile = selection::ListCacheFileName(archive);
             platform::FileExists(cacheFile))
        // A directory without files has an empty cache and no archive; a cache that lists
        // members names files the missing archive should hold.
        CompareWithCache(archive, cacheFile);

    TVMFiles files, dirs;
    selection::ScanFiles(files, archiveDir);
    selection::SortByName(files);
    for (const auto& f : files)
        if (IsHistoryFileName(platform::LowerCase(f.Name), ext))
            VerifyArchive(prefix + f.Name);
    selection::ScanDirs(dirs, archiveDir, true);
    selection::SortByName(dirs);
    for (const auto& d : dirs)
        if (IsHistoryDirName(platform::LowerCase(d.Name)) &&
            !platform::IsSymbolicLink(prefix + d.Name))
            VerifyHistoryTree(prefix + d.Name, ext);

    if (item.SubDir) {
        selection::ScanDirs(dirs, archiveDir, false);
        selection::SortByName(dirs);
        for (const auto& d : dirs) {
            if (IsOwnFileName(d.Name, archive) || platform::IsSymbolicLink(prefix + d.Name))
                continue;
            VerifyDirectory(SubdirectoryItem(item, src, d.Name, archiveDir),
                            platform::IncludeTrailingPathDelimiter(src) + d.Name, false);
        }
    }
}

void TVMEngine::VerifyHistoryTree(const std::string& dir, const std::string& ext) {
    // A history directory holds the archive directories of a source directory that went away,
    // with their own history: every archive in the tree is tested.
    CheckUserBreak();
    const std::string prefix = platform::IncludeTrailingPathDelimiter(dir);
    TVMFiles files, dirs;
    selection::ScanFiles(files, dir);
    selection::SortByName(files);
    for (const auto& f : files) {
        const std::string name = platform::LowerCase(f.Name);
        if (name.size() > ext.size() &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            VerifyArchive(prefix + f.Name);
    }
    selection::ScanDirs(dirs, dir, true);
    selection::SortByName(dirs);
    for (const auto& d : dirs)
        if (!platform::IsSymbolicLink(prefix + d.Name))
            VerifyHistoryTree(prefix + d.Name, ext);
}

int TVMEngine::TestArchive(const std::string& archive) {
    // The stop action reaches the library through its progress: the test is cancelled, then
    // the stop is confirmed; answered No, the archive is tested again from its start.
    host::TRunHost& host = state_.Host();
    const archives::TArchiveFile::TArchiverProgressEvent saved = af_.OnProgress;
    struct Restore {
        archives::TArchiveFile& af;
        const archives::TArchiveFile::TArchiverProgressEvent& saved;
        ~Restore() { af.OnProgress = saved; }
    } restore{af_, saved};
    std::uint64_t lastEvents = 0;
    af_.OnProgress = [&](archives::TArchiveFile& sender, int progressState,
                         archives::TExtractingInfoEx* info, bool& abort) {
        if (saved)
            saved(sender, progressState, info, abort);
        // The libraries report every chunk; pending events are looked at every 50 ms.
        const std::uint64_t now = platform::TickCount();
        if (now - lastEvents >= 50) {
            lastEvents = now;
            host.ProcessEvents();
        }
        if (state_.Stopped)
            abort = true;
    };
    for (;;) {
        PrepareCall(archive, Operation::Test);
        const int code = af_.TestArchive(nullptr, &options_);
        // A cancel that no stop asked for is the archive's failure like any other.
        if ((code != ARC_ERROR_USER_CANCEL && code != 0x8007) || !state_.Stopped)
            return code;
        CheckUserBreak(); // raises EVMError on a confirmed stop
    }
}

bool TVMEngine::VerifyArchive(const std::string& archive) {
    CheckUserBreak();
    state_.AddStampedLine(" Verifying: " + archive);
    int code = 0;
    std::string failure;
    try {
        code = TestArchive(archive);
    } catch (const EVMError&) {
        throw;
    } catch (const std::exception& e) {
        failure = e.what();
        code = -1;
    }
    bool whole = code == 0;
    if (!whole) {
        if (failure.empty())
            failure = ArchiveErrorMessage(code);
        if (failure.empty())
            failure = Text("エラーコード ") + std::to_string(code);
        state_.AddErrorLine(Text("書庫が壊れているか読めません：") + archive + " (" + failure +
                            ")");
        for (const std::string& line : ProblemLines(af_.Output()))
            state_.AddErrorLine("  " + line);
    }
    const std::string cacheFile = selection::ListCacheFileName(archive);
    if (platform::FileExists(cacheFile) && !CompareWithCache(archive, cacheFile))
        whole = false;
    return whole;
}

bool TVMEngine::ListArchiveMembers(const std::string& archive, TVMFiles& members) {
    // Read directly from the archive: the listing of select/ (ListArchive) would drop the cache.
    members.Clear();
    af_.SetFileName(archive);
    af_.SetArchiverType(ToFacadeType(state_.ArchiverType));
    af_.Options().jso = 1;
    af_.Options().jss = 1;
    if (!af_.OpenArchive(nullptr, 2))
        return false;
    archives::TMemberInfo member{};
    int result = af_.FindFirst("*.*", member);
    try {
        for (; result == 0; result = af_.FindNext(member)) {
            if (selection::TVMFileInfo info = selection::MemberToFileInfo(member);
                !info.Name.empty())
                members.Add(std::move(info));
            member = archives::TMemberInfo{};
        }
    } catch (const std::exception&) {
        result = ARC_ERROR_TIME_STAMP;
    }
    af_.CloseArchive();
    return result == -1;
}

bool TVMEngine::CompareWithCache(const std::string& archive, const std::string& cacheFile) {
    TVMFiles cached, members;
    try {
        selection::ReadListCache(cacheFile, cached);
    } catch (const std::exception& e) {
        state_.AddErrorLine(Text("リストキャッシュが読めません：") + cacheFile + " (" + e.what() +
                            ")");
        return false;
    }
    if (!platform::FileExists(archive)) {
        for (const auto& f : cached)
            state_.AddErrorLine(Text("リストキャッシュにあって書庫に無いファイル：") + archive +
                                " : " + f.Name);
        return cached.Count() == 0;
    }
    if (!ListArchiveMembers(archive, members)) {
        state_.AddErrorLine(Text("書庫の一覧を読めないため、リストキャッシュと照合できません：") +
                            archive);
        return false;
    }
    const std::set<std::string> inCache = Names(cached);
    const std::set<std::string> inArchive = Names(members);
    bool same = true;
    for (const std::string& name : inCache)
        if (!inArchive.contains(name)) {
            same = false;
            state_.AddErrorLine(Text("リストキャッシュにあって書庫に無いファイル：") + archive +
                                " : " + name);
        }
    for (const std::string& name : inArchive)
        if (!inCache.contains(name)) {
            same = false;
            state_.AddErrorLine(Text("書庫にあってリストキャッシュに無いファイル：") + archive +
                                " : " + name);
        }
    return same;
}

} // namespace engine
