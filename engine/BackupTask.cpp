#include "archives/CmdOpt.h"
#include "engine/ArchiveNames.h"
#include "engine/DirectoryPass.h"
#include "engine/EVMError.h"
#include "engine/ScratchDirectory.h"
#include "engine/SkippedEntries.h"
#include "engine/StreamMembers.h"
#include "engine/TVMEngine.h"
#include "engine/WorkFiles.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"
#include "platform/TempDirectory.h"
#include "select/FileScan.h"
#include "select/ListArchive.h"
#include "select/ListCache.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>

namespace engine {

using selection::TVMFiles;

namespace {

// Raised inside a directory pass when the archive refuses what its listing cache called for.
struct CacheDisagreement {};

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// Turns the facade's stream carriage off for as long as it lives: old versions travel to the
// history backup with their stream members as they are, as plain members.
class StreamsAsPlainMembers {
public:
    explicit StreamsAsPlainMembers(archives::TArchiverOptions& options)
        : options_(options), saved_(options.IncludeExtraStreams) {
        options_.IncludeExtraStreams = false;
    }
    ~StreamsAsPlainMembers() { options_.IncludeExtraStreams = saved_; }
    StreamsAsPlainMembers(const StreamsAsPlainMembers&) = delete;
    StreamsAsPlainMembers& operator=(const StreamsAsPlainMembers&) = delete;

private:
    archives::TArchiverOptions& options_;
    bool saved_;
};

// The listing cache's records: the files, each followed by its stream members, those packed
// in this pass for the files in packed, the archive's earlier ones for the rest.
TVMFiles CacheRecords(const TVMFiles& files, const TStreamMembers& streams,
                      const std::vector<std::string>& packed,
                      const std::vector<archives::TStreamMember>& packedStreams,
                      const std::string& separator) {
    TVMFiles records;
    std::vector<std::string> sortedPacked = packed;
    std::sort(sortedPacked.begin(), sortedPacked.end());
    std::map<std::string, std::vector<const archives::TStreamMember*>> newStreams;
    std::string base, stream;
    for (const auto& s : packedStreams)
        if (archives::SplitStreamMemberName(s.Name, separator, base, stream))
            newStreams[base].push_back(&s);
    for (const auto& f : files) {
        records.Add(f);
        if (!std::binary_search(sortedPacked.begin(), sortedPacked.end(), f.Name)) {
            for (const auto& s : streams.Of(f.Name))
                records.Add(s);
            continue;
        }
        for (const archives::TStreamMember* s : newStreams[f.Name]) {
            selection::TVMFileInfo r;
            r.Name = s->Name;
            r.Size = s->Size;
            r.Time = f.Time;
            r.Attr = selection::faArchive;
            records.Add(std::move(r));
        }
    }
    selection::SortByName(records);
    return records;
}

} // namespace

std::vector<std::string> SourceLines(const std::string& srcDirs) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= srcDirs.size(); ++i) {
        if (i == srcDirs.size() || srcDirs[i] == '\r' || srcDirs[i] == '\n') {
            if (!line.empty())
                lines.push_back(line);
            line.clear();
            if (i + 1 < srcDirs.size() && srcDirs[i] == '\r' && srcDirs[i + 1] == '\n')
                ++i;
        } else {
            line += srcDirs[i];
        }
    }
    return lines;
}

void TVMEngine::ReportArchiveError(int code) {
    if (code == 0x8020)
        UserBreak();
    state_.AddStampedLine(LastArchiveError);
    state_.AddErrorLine(LastArchiveError);
    for (const auto& detail : LastArchiveDetails)
        state_.AddErrorLine(Text("書庫操作のエラー：") + detail);
    LastArchiveDetails.clear();
}

void TVMEngine::ListNames(const std::string& heading, const std::vector<std::string>& names) {
    if (!state_.DebugMode)
        return;
    state_.AddStampedLine(heading);
    for (const auto& name : names)
        state_.AddLine("  " + name);
}

void TVMEngine::LeaveOut(TVMFiles& srcFiles, const TVMFiles& members, const std::string& path,
                         const std::string& reason) {
    state_.AddStampedLine(" Left out: " + path);
    state_.AddErrorLine(reason + path);
    // The listing cache must tell what the archive holds: the member's record where there is
    // one (its older version stays), no record otherwise.
    const std::string name = platform::ExtractFileName(path);
    for (int i = srcFiles.Count() - 1; i >= 0; --i) {
        if (srcFiles[i].Name != name)
            continue;
        const auto member = std::find_if(members.begin(), members.end(),
                                         [&](const auto& m) { return m.Name == name; });
        if (member == members.end())
            srcFiles.Delete(i);
        else
            srcFiles[i] = *member;
    }
}

bool TVMEngine::SetAsideUnreadableArchive(const TArchiveNames& an, TVMFiles& members) {
    members.Clear();
    platform::DeleteFile(selection::ListCacheFileName(an.Archive));
    // Kept as a history backup of this run: whatever it still holds can be recovered, and the
    // directory is backed up whole into a new archive.
    if (platform::FileExists(an.History) || !platform::RenameFile(an.Archive, an.History)) {
        state_.AddStampedLine(" Cannot read the archive nor set it aside: " + an.Archive);
        state_.AddErrorLine(
            Text("書庫を読み込めず、退避もできないため、このディレクトリを処理しません：") +
            an.Archive);
        return false;
    }
    state_.AddStampedLine(" Cannot read the archive, kept as " + an.History + ": " + an.Archive);
    state_.AddErrorLine(
        Text("書庫を読み込めないため履歴バックアップとして退避し、新しい書庫を作成します：") +
        an.Archive + " --> " + an.History);
    return true;
}

void TVMEngine::DoTask(const definition::TVMTask& item) {
    host::TRunHost& host = state_.Host();
    state_.AddStampedLine("TFrmMainWnd.DoTask - " + item.SrcDirs);
    state_.AddLogLine(Text("バックアップ：") + item.SrcDirs + " --> " + item.DstDir);
    host.SetStatusText(1, item.SrcDirs);
    host.SetStatusText(0, "");
    if (item.MsgBeforeExecution &&
        host.MessageBox(host::TMsgKind::Information,
                        item.SrcDirs + Text(" のバックアップを開始します．\r\n") +
                            item.MsgBeforeExecutionText,
                        host::TMsgButtons::OkCancel) != host::TMsgAnswer::Ok) {
        state_.AddStampedLine(" User break.");
        const std::string message = Text("ユーザーによる中断．");
        state_.AddLogLine(message);
        state_.UserBreakOccurred = true;
        throw EVMError(message, EVMError::UserBreakCode);
    }
    for (const auto& src : SourceLines(item.SrcDirs))
        BackupDirectory(item, src);
}

void TVMEngine::BackupDirectory(const definition::TVMTask& item, const std::string& src) {
    host::TRunHost& host = state_.Host();
    const StatusPanelReset panelReset(host);
    AdvanceProgress(src);

    const std::string archiveDir = ArchiveDirFor(src, item.DstDir);
    const std::string ns = NormalisedPath(src);
    const std::string nd = NormalisedPath(archiveDir);
    const std::string nt = NormalisedPath(state_.TempDir);
    const std::string nsPrefix = platform::IncludeTrailingPathDelimiter(ns);
    if (item.SubDir && (nd == ns || nd.compare(0, nsPrefix.size(), nsPrefix) == 0)) {
        state_.AddStampedLine(
            " Error: Copy-source directory should not contain copy-destination directory.");
        state_.AddErrorLine(Text("コピー元ディレクトリにコピー先ディレクトリが含まれています．"));
        throw EVMError(Text("コピー元にコピー先ディレクトリが含まれている．"),
                       EVMError::ItemRefusedCode);
    }
    if (nd == ns) {
        state_.AddStampedLine(" Error: Copy source directory cannot be a destination directory.");
        state_.AddErrorLine(
            Text("コピー元ディレクトリとコピー先ディレクトリは異ならなければなりません．"));
        throw EVMError(Text("コピー元とコピー先のディレクトリが等しい．"),
                       EVMError::ItemRefusedCode);
    }
    if (ns == nt) {
        state_.AddStampedLine(" Error: Copy source directory cannot be a temporary directory.");
        state_.AddErrorLine(
            Text("コピー元ディレクトリは一時ファイルディレクトリであってはなりません．"));
        return;
    }

    if (!ClaimArchiveDir(src, archiveDir))
        return;
    try {
        PassDirectory(item, src, archiveDir, false);
    } catch (const CacheDisagreement&) {
        // The archive refused an operation that its listing cache called for: the cache is
        // stale (left by an older run). The pass starts over from the archive's own listing.
        state_.AddStampedLine(" Listing cache disagrees with the archive, listing it: " + src);
        PassDirectory(item, src, archiveDir, true);
    }
}

void TVMEngine::PassDirectory(const definition::TVMTask& item, const std::string& src,
                              const std::string& archiveDir, bool again) {
    host::TRunHost& host = state_.Host();
    TVMFiles srcFiles, members, srcSubdirs, dstSubdirs;
    std::vector<std::string> names;
    bool changed = false;
    bool fromCache = false;
    CheckUserBreak();

    const platform::TDateTime now = platform::Now();
    TArchiveNames an =
        MakeArchiveNames(src, archiveDir, now, item.DirNameAsLzhName, state_.ArchiverType);
    if (RefusedForPathLength(src, an.Archive))
        return;
    if (!platform::DirectoryExists(src)) {
        state_.AddStampedLine(" Source directory does not exist: " + src);
        state_.AddErrorLine(Text("コピー元ディレクトリが存在しません。"));
        return;
    }
    // One reading of the source; one that cannot be read is no empty directory (its members
    // would all be removed from the archive).
    // Entries left out for their kind (links to directories, FIFOs, ...) are named in the log.
    // A second pass has named them already.
    const auto skipped = again ? selection::SkippedEntryHandler() : SkippedEntryLogger(state_, src);
    if (!selection::ScanDirectory(srcFiles, srcSubdirs, src, false, skipped)) {
        state_.AddStampedLine(" Source directory cannot be read: " + src);
        state_.AddErrorLine(Text("コピー元ディレクトリを読み込めません：") + src);
        return;
    }

    const auto logLine = [this](const std::string& line) { state_.AddLogLine(line); };
    const std::string cacheFile = selection::ListCacheFileName(an.Archive);
    if (platform::FileExists(an.Archive)) {
        const auto outcome =
            selection::ListArchive(members, an.Archive, item.EnableLzhCache && !again, af_,
                                   ToFacadeType(state_.ArchiverType), logLine);
        fromCache = outcome == selection::TListOutcome::Cache;
        if (outcome == selection::TListOutcome::Failed) {
            an.History = FreeHistoryName(archiveDir, now, state_.ArchiverType);
            if (!SetAsideUnreadableArchive(an, members))
                return;
        }
    } else if (!platform::DirectoryExists(archiveDir)) {
        if (!platform::ForceDirectories(archiveDir)) {
            state_.AddStampedLine(" Cannot make a directory: " + archiveDir);
            state_.AddErrorLine(Text("コピー先ディレクトリを作成できない"));
            return;
        }
        state_.AddStampedLine(" Have made a directory: " + archiveDir);
    }
    // One reading of the archive directory: its subdirectories, and the work files that a
    // killed run of an archiver library left (this run holds the destination's lock).
    TVMFiles dstFiles;
    selection::ScanDirectory(dstFiles, dstSubdirs, archiveDir, false);
    for (const auto& name :
         RemoveStaleWorkFiles(archiveDir, dstFiles, platform::ExtractFileName(an.Archive)))
        state_.AddStampedLine(" Removed the work file of an interrupted run: " + name);

    // An archive error on a listing from the cache: the two may disagree (user breaks excepted).
    const auto reportOrRelist = [&](int code) {
        if (fromCache && code != 0x8020)
            throw CacheDisagreement{};
        ReportArchiveError(code);
    };

    // The listing cache goes before the archive's first change and is written after the last,
    // so that an interrupted pass leaves no cache that disagrees with the archive.
    const auto invalidateCache = [&] {
        if (platform::FileExists(cacheFile) && !platform::DeleteFile(cacheFile))
            throw platform::EFileError(Text("リストキャッシュを削除できません：") + cacheFile,
                                       errno);
    };

    // What a killed restore left beside a file it was bringing back is no file of the user's:
    // the next restore removes it, and a backup in between leaves it out.
    for (int i = srcFiles.Count() - 1; i >= 0; --i)
        if (IsExtractionWorkFileOfAny(srcFiles[i].Name, members) ||
            IsExtractionWorkFileOfAny(srcFiles[i].Name, srcFiles)) {
            state_.AddLogLine(Text("中断された復元の作業ファイルのためバックアップしません：") +
                              platform::IncludeTrailingPathDelimiter(src) + srcFiles[i].Name);
            srcFiles.Delete(i);
        }
    ChooseFiles(srcFiles, item);
    selection::SortByName(srcFiles);
    selection::SortByName(members);
    // Stream members take no part in the comparisons: each goes where its file goes.
    const TStreamMembers streams =
        TStreamMembers::SplitOff(members, srcFiles, options_.StreamSeparator);
    std::vector<std::string> packed;
    std::vector<archives::TStreamMember> packedStreams;
    selection::ClearMarks(srcFiles);
    selection::ClearMarks(members);

    // The stored-uncompressed patterns apply when the item asks for them.
    const std::string noCompress = item.NoCompressFiles ? item.NoCompress : std::string();

    // History phase: the old versions of changed and deleted files, before anything is lost.
    bool any = false;
    if (item.SaveDeletedFiles)
        any = CheckDeleteFiles(srcFiles, members);
    if (item.SaveModifiedFiles && CheckDeleteBackupFiles(srcFiles, members))
        any = true;
    if (any) {
        selection::MarkedNames(members, names);
        names = streams.WithStreams(names);
        ListNames(" Saving deleting files in the archive file:", names);
        // A private directory of this pass, so that no file of the user's in the working
        // directory is overwritten or deleted.
        std::optional<TScratchDirectory> scratchDir = TScratchDirectory::Create(state_.TempDir);
        if (!scratchDir) {
            LastArchiveError = Text("作業ファイルが異常.");
            ReportArchiveError(0x8025);
            return;
        }
        if (state_.DebugMode)
            scratchDir->Keep();
        const std::string& scratch = scratchDir->Path();
        const StreamsAsPlainMembers plain(options_);
        an.History = FreeHistoryName(archiveDir, now, state_.ArchiverType);
        if (const int code = UnpackFiles(an.Archive, scratch, names); code != 0) {
            reportOrRelist(code);
            return;
        }
        if (const int code = PackFiles(an.History, scratch, item.RegExp, noCompress, names);
            code != 0) {
            reportOrRelist(code);
            return;
        }
        changed = true;
        if (state_.DebugMode)
            state_.AddStampedLine(" Old versions kept in: " + scratch);
    }

    // Deletion phase.
    if (!item.NoDeleteFiles) {
        CheckUserBreak();
        selection::ClearMarks(srcFiles);
        selection::ClearMarks(members);
        if (CheckDeleteFiles(srcFiles, members)) {
            CheckUserBreak();
            selection::MarkedNames(members, names);
            names = streams.WithStreams(names);
            ListNames(" Deleting files in the archive file:", names);
            invalidateCache();
            if (const int code = RemoveFiles(an.Archive, names); code != 0) {
                reportOrRelist(code);
                return;
            }
            changed = true;
        }
    }

    // Backup phase.
    selection::ClearMarks(srcFiles);
    selection::ClearMarks(members);
    if (CheckBackupFiles(srcFiles, members)) {
        CheckUserBreak();
        selection::MarkedNames(srcFiles, names);
        // A name the command grammar cannot carry, or a file that cannot be read, is reported
        // and left out; the rest of the directory goes on.
        std::vector<std::string> carried;
        const std::string prefix = platform::IncludeTrailingPathDelimiter(src);
        for (const auto& name : names) {
            if (!archives::CanCarryName(name))
                LeaveOut(srcFiles, members, prefix + name,
                         Text("ファイル名を書庫に渡せないため除外しました："));
            else if (prefix.size() + name.size() > kMaxPath)
                LeaveOut(srcFiles, members, prefix + name,
                         Text("パスが長すぎるため除外しました："));
            else if (!platform::IsReadableFile(prefix + name))
                LeaveOut(srcFiles, members, prefix + name,
                         Text("ファイルを読み込めないため除外しました："));
            else
                carried.push_back(name);
        }
        ListNames(" Backing up files:", carried);
        if (!carried.empty()) {
            invalidateCache();
            // The streams of a file's version being replaced go first: the new version brings
            // its own, and an attribute removed since must not come back on restore. (They are
            // in the history backup with that version.)
            if (const auto old = streams.StreamsOf(carried); !old.empty()) {
                ListNames(" Deleting the extended attributes of replaced files:", old);
                if (const int code = RemoveFiles(an.Archive, old); code != 0) {
                    reportOrRelist(code);
                    return;
                }
            }
            if (const int code = PackFiles(an.Archive, src, item.RegExp, noCompress, carried);
                code != 0) {
                reportOrRelist(code);
                return;
            }
            packed = carried;
            packedStreams = LastPackedStreams;
            changed = true;
        }
    }

    // Directory phase: archive directories whose source directory is gone.
    selection::SortByName(srcSubdirs);
    selection::SortByName(dstSubdirs);
    if (!item.NoDeleteFiles) {
        CheckUserBreak();
        selection::ClearMarks(srcSubdirs);
        selection::ClearMarks(dstSubdirs);
        if (CheckDeleteFiles(srcSubdirs, dstSubdirs)) {
            CheckUserBreak();
            selection::MarkedNames(dstSubdirs, names);
            ListNames(item.SaveModifiedFiles ? " Renaming directories:" : " Deleting directories:",
                      names);
            const std::string prefix = platform::IncludeTrailingPathDelimiter(archiveDir);
            for (const auto& name : names) {
                if (item.SaveModifiedFiles) {
                    const std::string to = FreeHistoryDirName(archiveDir, name, platform::Now());
                    if (!platform::RenameFile(prefix + name, to)) {
                        state_.AddStampedLine(" Cannot rename " + prefix + name + " to " + to +
                                              ": " + std::strerror(errno));
                        state_.AddErrorLine(Text("履歴ディレクトリに名前を変更できません：") +
                                            prefix + name);
                    }
                } else if (!state_.DebugMode)
                    selection::DeleteTree(prefix + name);
            }
        }
    }

    // Subdirectory phase.
    if (item.SubDir) {
        CheckUserBreak();
        ChooseDirs(srcSubdirs, item);
        for (const auto& dir : srcSubdirs) {
            if (CollidesWithOwnFiles(src, dir.Name, an.Archive))
                continue;
            DoTask(SubdirectoryItem(item, src, dir.Name, archiveDir));
            host.SetStatusText(1, archiveDir);
        }
    }

    if (item.EnableLzhCache && (changed || !fromCache))
        selection::WriteListCache(an.Archive, CacheRecords(srcFiles, streams, packed, packedStreams,
                                                           options_.StreamSeparator));
}

} // namespace engine
