#include "archives/CmdOpt.h"
#include "engine/ArchiveNames.h"
#include "engine/DirectoryPass.h"
#include "engine/EVMError.h"
#include "engine/StreamMembers.h"
#include "engine/TVMEngine.h"
#include "engine/WorkFiles.h"
#include "platform/CodePage.h"
#include "platform/FileFind.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"
#include "select/ListArchive.h"

#include <algorithm>

namespace engine {

using selection::TVMFiles;

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

} // namespace

void TVMEngine::DoRestoreTask(const definition::TVMTask& item) {
    host::TRunHost& host = state_.Host();
    state_.AddStampedLine(" TFrmMainWnd.DoRestoreTask - " + item.SrcDirs);
    state_.AddLogLine(Text("復元：") + item.SrcDirs + " <-- " + item.DstDir);
    host.SetStatusText(1, item.DstDir);
    host.SetStatusText(0, "");
    for (const auto& src : SourceLines(item.SrcDirs))
        RestoreDirectory(item, src);
}

void TVMEngine::RemoveExtractionWorkFiles(const std::string& src, TVMFiles& destFiles,
                                          const TVMFiles& members) {
    const std::string prefix = platform::IncludeTrailingPathDelimiter(src);
    for (int i = destFiles.Count() - 1; i >= 0; --i) {
        const std::string& name = destFiles[i].Name;
        if (!IsExtractionWorkFileOfAny(name, members))
            continue;
        if (platform::DeleteFile(prefix + name)) {
            state_.AddStampedLine(" Removed the work file of an interrupted restore: " + name);
            destFiles.Delete(i);
        }
    }
}

void TVMEngine::RestoreDirectory(const definition::TVMTask& item, const std::string& src) {
    host::TRunHost& host = state_.Host();
    const StatusPanelReset panelReset(host);
    AdvanceProgress(src);

    const std::string archiveDir = ArchiveDirFor(src, item.DstDir);
    TVMFiles members, destFiles, destSubdirs, archSubdirs;
    std::vector<std::string> names;
    CheckUserBreak();
    const std::string archive = MakeArchiveNames(src, archiveDir, platform::Now(),
                                                 item.DirNameAsLzhName, state_.ArchiverType)
                                    .Archive;

    // Deleting what "the backup does not hold" is only safe when the backup is there at all:
    // an unmounted or emptied destination must not erase the sources.
    if (state_.PermitDeletion && !platform::DirectoryExists(archiveDir)) {
        state_.AddStampedLine(" Archive directory does not exist: " + archiveDir);
        state_.AddErrorLine(
            Text("バックアップ先のディレクトリが存在しないため、復元と削除を行いません：") +
            archiveDir);
        return;
    }

    if (RefusedForPathLength(src, archive) || !ClaimArchiveDir(src, archiveDir))
        return;

    // Deleting "what the backup does not hold" needs a complete listing of the backup: a
    // damaged, truncated or missing archive (or one of the other archiver type) holds nothing
    // that tells which files are not backed up.
    bool complete = true;
    bool archiveMissing = false;
    if (platform::FileExists(archive)) {
        if (selection::ListArchive(members, archive, false, af_, ToFacadeType(state_.ArchiverType),
                                   [this](const std::string& line) { state_.AddLogLine(line); }) ==
            selection::TListOutcome::Failed) {
            complete = false;
            state_.AddStampedLine(" Cannot read the archive: " + archive);
            state_.AddErrorLine(
                Text("書庫を読み込めないため、読めた分だけ復元し、ファイルの削除は行いません：") +
                archive);
        }
    } else {
        archiveMissing = true;
    }
    if (platform::DirectoryExists(archiveDir))
        selection::ScanDirs(archSubdirs, archiveDir, false);
    if (platform::DirectoryExists(src)) {
        if (!selection::ScanDirectory(destFiles, destSubdirs, src, false)) {
            state_.AddStampedLine(" Destination directory cannot be read: " + src);
            state_.AddErrorLine(Text("復元先ディレクトリを読み込めません：") + src);
            return;
        }
    } else if (!platform::ForceDirectories(src)) {
        state_.AddStampedLine(" Destination directory cannnot be created: " + src);
        state_.AddRawErrorLine(Text("コピー先ディレクトリを作成できない。"));
        return;
    } else {
        state_.AddStampedLine(" Destination directory will be made: " + src);
    }
    selection::SortByName(destFiles);
    selection::SortByName(members);
    RemoveExtractionWorkFiles(src, destFiles, members);
    const std::string prefix = platform::IncludeTrailingPathDelimiter(src);

    if (state_.PermitDeletion) {
        CheckUserBreak();
        // Only what the item would back up can be missing from the backup: files its selection
        // leaves out, and files it could not have taken, are never deleted.
        TVMFiles candidates = destFiles;
        ChooseFiles(candidates, item);
        selection::SortByName(candidates);
        selection::ClearMarks(members);
        selection::ClearMarks(candidates);
        // Files the backup could not have taken (unreadable, or a name no command carries)
        // are looked at only among those marked: one check each, not one per file.
        const bool any = CheckDeleteFiles(members, candidates) &&
                         std::count_if(candidates.begin(), candidates.end(), [&](auto& f) {
                             f.Marked = f.Marked && archives::CanCarryName(f.Name) &&
                                        platform::IsReadableFile(prefix + f.Name);
                             return f.Marked;
                         }) > 0;
        if (any) {
            if (archiveMissing) {
                state_.AddStampedLine(" No archive, no file deleted: " + archive);
                state_.AddErrorLine(
                    Text("書庫が無いため、このディレクトリのファイルの削除は行いません：") +
                    archive);
            } else if (complete) {
                CheckUserBreak();
                host.AddStampedLine(" Deleting file:");
                for (const auto& f : candidates) {
                    if (!f.Marked)
                        continue;
                    if (state_.DebugMode)
                        state_.AddStampedLine("  " + prefix + f.Name);
                    else
                        platform::DeleteFile(prefix + f.Name);
                }
            }
        }
    }

    // Stream members (the files' extended attributes) come back with their files only, and
    // never over a file of that name that stands at the destination.
    const TStreamMembers streams =
        TStreamMembers::SplitOff(members, TVMFiles{}, options_.StreamSeparator);
    selection::ClearMarks(members);
    selection::ClearMarks(destFiles);
    if (state_.IgnoreTimeStamp)
        selection::SetMarks(members);
    else
        CheckRestoreFiles(destFiles, members, true);
    // (From a broken listing the salvage below takes everything the library can still read.)
    if (complete && selection::MarkedNames(members, names)) {
        CheckUserBreak();
        std::vector<std::string> withStreams;
        withStreams.reserve(names.size());
        for (const std::string& name : names) {
            withStreams.push_back(name);
            for (const auto& stream : streams.Of(name)) {
                if (platform::EntryExists(prefix + stream.Name)) {
                    state_.AddStampedLine(" A file stands where an extended attribute comes out: " +
                                          prefix + stream.Name);
                    state_.AddErrorLine(
                        Text("同じ名前のファイルがあるため、この拡張属性は復元しません：") +
                        prefix + stream.Name);
                    continue;
                }
                withStreams.push_back(stream.Name);
            }
        }
        names = std::move(withStreams);
        ListNames(" Unpacking files:", names);
        // A failed extraction is no success: it is reported like a failed backup step.
        if (const int code = UnpackFiles(archive, src, names); code != 0)
            ReportArchiveError(code);
    }
    if (!complete) {
        // What the broken listing could not name may still be intact: everything the library
        // can read goes back, over an existing file only when the member is newer (or when
        // every file is to be overwritten anyway).
        CheckUserBreak();
        std::int8_t& overwrite = options_.Switch("c");
        const std::int8_t saved = overwrite;
        overwrite = state_.IgnoreTimeStamp ? 1 : 0;
        const int code = UnpackFiles(archive, src, {"*"});
        overwrite = saved;
        if (code != 0)
            ReportArchiveError(code);
    }

    selection::SortByName(destSubdirs);
    selection::SortByName(archSubdirs);
    // Directories: only with subdirectories in the item, only those its selection takes, never
    // one named like this directory's own archive or cache (the backup never takes those).
    if (state_.PermitDeletion && item.SubDir && complete) {
        CheckUserBreak();
        TVMFiles candidates;
        for (const auto& d : destSubdirs)
            if (!IsOwnFileName(d.Name, archive))
                candidates.Add(d);
        ChooseDirs(candidates, item);
        selection::SortByName(candidates);
        selection::ClearMarks(archSubdirs);
        selection::ClearMarks(candidates);
        if (CheckDeleteFiles(archSubdirs, candidates)) {
            CheckUserBreak();
            selection::MarkedNames(candidates, names);
            ListNames(" Deleting directories:", names);
            if (!state_.DebugMode)
                for (const auto& name : names)
                    selection::DeleteTree(prefix + name);
        }
    }

    if (item.SubDir) {
        CheckUserBreak();
        for (const auto& dir : archSubdirs) {
            // Backups never descend into links: one standing where a backed-up directory was
            // would take the restore somewhere else.
            if (platform::IsSymbolicLink(prefix + dir.Name)) {
                state_.AddStampedLine(" Symbolic link in the way: " + prefix + dir.Name);
                state_.AddErrorLine(Text("シンボリックリンクのため、この下には復元しません：") +
                                    prefix + dir.Name);
                continue;
            }
            DoRestoreTask(SubdirectoryItem(item, src, dir.Name, archiveDir));
            host.SetStatusText(1, archiveDir);
        }
    }
}

} // namespace engine
