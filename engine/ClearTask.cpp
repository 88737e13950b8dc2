#include "engine/ArchiveNames.h"
#include "engine/DirectoryPass.h"
#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"

namespace engine {

using selection::TVMFiles;

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads "yyyymmddhhnnss" (or, with twoDigitYear, "yymmddhhnnss" of the years 2000..2099).
platform::TDateTime ReadStamp(const std::string& s, bool twoDigitYear) {
    const std::size_t yearLength = twoDigitYear ? 2 : 4;
    std::int32_t f[6];
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        const std::size_t n = i == 0 ? yearLength : 2;
        if (!platform::TryStrToInt(s.substr(pos, n), f[i]))
            return -1.0;
        pos += n;
    }
    if (twoDigitYear)
        f[0] += 2000;
    platform::TDateTime date, time;
    if (!platform::TryEncodeDate(f[0], f[1], f[2], date) ||
        !platform::TryEncodeTime(f[3], f[4], f[5], 0, time))
        return -1.0;
    return date + time;
}

} // namespace

platform::TDateTime HistoryFileTime(const std::string& path) {
    const std::string name = platform::ExtractFileName(path);
    if (name.compare(0, 4, HistoryPrefix) != 0)
        return -1.0;
    const std::string s = name.substr(4, 14);
    if (s.size() < 12)
        return -1.0;
    if (s.size() == 14 && IsDigit(s[12]) && IsDigit(s[13]))
        return ReadStamp(s, false);
    return ReadStamp(s.substr(0, 12), true);
}

platform::TDateTime HistoryDirTime(const std::string& name) {
    if (name.compare(0, 4, HistoryPrefix) != 0 || name.size() < 14)
        return -1.0;
    return ReadStamp(name.substr(name.size() - 14), false);
}

void TVMEngine::DoClearTask(const definition::TVMTask& item, platform::TDateTime cutoff) {
    host::TRunHost& host = state_.Host();
    state_.AddStampedLine("TFrmMainWnd.DoClearTask - " + item.DstDir);
    state_.AddLogLine(platform::FromUtf8("履歴バックアップファイルの削除：") + item.DstDir);
    host.SetStatusText(1, platform::FromUtf8("処理フォルダ：") + item.DstDir);
    for (const auto& src : SourceLines(item.SrcDirs))
        ClearDirectory(item, src, cutoff);
}

void TVMEngine::ClearDirectory(const definition::TVMTask& item, const std::string& src,
                               platform::TDateTime cutoff) {
    host::TRunHost& host = state_.Host();
    const StatusPanelReset panelReset(host);
    AdvanceProgress(src);

    const std::string archiveDir = ArchiveDirFor(src, item.DstDir);
    const std::string prefix = platform::IncludeTrailingPathDelimiter(archiveDir);
    TVMFiles files, dirs;
    CheckUserBreak();
    if (platform::DirectoryExists(archiveDir)) {
        selection::ScanFiles(files, archiveDir);
        selection::ScanDirs(dirs, archiveDir, true);
    }
    const bool all = cutoff == -1.0;
    const std::string ext = ArchiveExtension(state_.ArchiverType);
    for (int i = files.Count() - 1; i >= 0; --i) {
        const std::string name = platform::LowerCase(files[i].Name);
        if (!IsHistoryFileName(name, ext) || (!all && HistoryFileTime(name) > cutoff))
            files.Delete(i);
    }
    for (int i = dirs.Count() - 1; i >= 0; --i) {
        const std::string name = platform::LowerCase(dirs[i].Name);
        if (!IsHistoryDirName(name) || (!all && HistoryDirTime(name) > cutoff))
            dirs.Delete(i);
    }

    if (state_.DebugMode) {
        state_.AddStampedLine(" Deleting files:");
        for (const auto& f : files)
            state_.AddLine(" " + prefix + f.Name);
        state_.AddStampedLine(" Deleting directories:");
        for (int i = dirs.Count() - 1; i >= 0; --i)
            state_.AddLine("  " + prefix + dirs[i].Name);
    } else {
        for (const auto& f : files)
            platform::DeleteFile(prefix + f.Name);
        for (const auto& d : dirs)
            selection::DeleteTree(prefix + d.Name);
    }

    if (item.SubDir) {
        CheckUserBreak();
        selection::ScanDirs(dirs, archiveDir, false);
        for (const auto& dir : dirs) {
            DoClearTask(SubdirectoryItem(item, src, dir.Name, archiveDir), cutoff);
            host.SetStatusText(1, item.DstDir);
        }
    }
}

} // namespace engine
