// The backup engine's operations that work on the main window's state: the stop protocol, the
// selection and comparison passes, and the archive operations with their result messages.
// The main window (or the console of a headless run) owns one and shows it through the host.
#pragma once

#include "archives/ArchiveFile.h"
#include "archives/ArchiverOptions.h"
#include "definition/TVMDefinition.h"
#include "definition/TVMTask.h"
#include "engine/ArchiveNames.h"
#include "engine/FileVersions.h"
#include "engine/RunState.h"
#include "engine/ScratchDirectory.h"
#include "select/TVMFiles.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace engine {

class TVMEngine {
public:
    TVMEngine(engine::TRunState& state, archives::TArchiveFile& af,
              archives::TArchiverOptions& options);

    engine::TRunState& State() { return state_; }
    archives::TArchiveFile& AF() { return af_; }
    archives::TArchiverOptions& Options() { return options_; }

    // Stop protocol. The stop action raises Stopped; the break check (the engine's only stop
    // point) processes pending events and asks whether to stop; UserBreak logs the break and
    // raises EVMError with code 1.
    void AtnVMStop();
    void CheckUserBreak();
    [[noreturn]] void UserBreak();

    // Selection: removes the files (directories) that the item's patterns, attributes and
    // time-stamp mode do not choose.
    void ChooseFiles(selection::TVMFiles& files, const definition::TVMTask& item);
    void ChooseDirs(selection::TVMFiles& dirs, const definition::TVMTask& item);

    // Comparison passes over two lists sorted with SortByName; they mark items (see each).
    // Source files that are new or whose times differ from their members'.
    bool CheckBackupFiles(selection::TVMFiles& source, selection::TVMFiles& members);
    // Items of s without a partner in f.
    bool CheckDeleteFiles(selection::TVMFiles& f, selection::TVMFiles& s);
    // Members whose source file's time differs.
    bool CheckDeleteBackupFiles(selection::TVMFiles& source, selection::TVMFiles& members);
    // Members missing at the destination or differing from the file there (not when the file
    // is newer and onlyIfNewer is set).
    bool CheckRestoreFiles(selection::TVMFiles& dest, selection::TVMFiles& members,
                           bool onlyIfNewer);

    // The run drivers over a whole definition: backup, restore (with its options dialog unless
    // in batch mode) and history cleanup (with its dialog unless in batch mode).
    void AtnVMExecute(definition::TVMDefinition& def);
    void AtnVMRestoreExecute(definition::TVMDefinition& def);
    void AtnVMCleanExecute(definition::TVMDefinition& def);
    // Verifies every archive of every item (see DoVerifyTask); changes nothing at the
    // destinations. ErrorOccurred when any archive or listing cache is not whole.
    void AtnVMVerifyExecute(definition::TVMDefinition& def);

    // The facade's progress event: the progress text in the first status panel, changed at
    // most every 400 ms.
    void AFProgress(int state, const archives::TExtractingInfoEx* info);
    // The millisecond clock of that throttle (tests replace it).
    std::function<std::uint64_t()> TickSource;

    // Backs up one item, directory by directory (a fresh copy of the definition's item). Raises
    // EVMError with code 1 on a user break and code 2 when the item cannot run.
    void DoTask(const definition::TVMTask& item);
    // Restores one item from the latest archives.
    void DoRestoreTask(const definition::TVMTask& item);
    // Deletes the history backups and directories of one item at or before the cutoff (-1: all).
    void DoClearTask(const definition::TVMTask& item, platform::TDateTime cutoff);
    // Tests the latest archive, the history backups and the archives in history directories
    // of each of the item's archive directories (and their subdirectories when the item has
    // them), and compares each listing cache with its archive; every fault is an error line.
    void DoVerifyTask(const definition::TVMTask& item);

    // The versions of a file that the destinations of the definition's items hold (see
    // FileVersions.h). Reads only; an archive that cannot be listed is named in Unreadable.
    TFileVersions FindFileVersions(const definition::TVMDefinition& def, const std::string& path);
    // Extracts a version into dir (made when missing) under its own name, with its extended
    // attributes. A file there that is newer than the version is replaced only when the host
    // answers Yes to its question (unattended: No). Failed leaves the reason in
    // LastArchiveError.
    TVersionRestore RestoreFileVersion(const TFileVersion& version, const std::string& dir);

    // Archive operations in batches of 500 names; 0 or the error code of the first failed
    // batch, whose message is then in LastArchiveError.
    int PackFiles(const std::string& archive, const std::string& baseDir, bool regExp,
                  const std::string& noCompress, const std::vector<std::string>& files);
    int UnpackFiles(const std::string& archive, const std::string& destDir,
                    const std::vector<std::string>& members);
    int RemoveFiles(const std::string& archive, const std::vector<std::string>& members);
    std::string LastArchiveError;
    // What the library said of the files and members it could not handle in that operation.
    std::vector<std::string> LastArchiveDetails;
    // The stream members (extended attributes) the last PackFiles handed to the library.
    std::vector<archives::TStreamMember> LastPackedStreams;

    static constexpr std::size_t BatchSize = 500;
    // The libraries' output text of one call (their messages that name files and members).
    static constexpr int OutputBufferSize = 64 * 1024;

private:
    enum class Operation { Pack, Unpack, Remove, Test };

    void PrepareCall(const std::string& archive, Operation op);
    int RunBatches(Operation op, const std::string& archive, const std::string& dir,
                   const std::vector<std::string>& names);
    void ListChosen(const selection::TVMFiles& files);
    // Keeps the lines of the library's output that report an error in LastArchiveDetails.
    void KeepLibraryErrors();
    // Logs what the facade's stream carriage met in its last operation (a file system without
    // extended attributes once per run) and keeps the streams it packed.
    void TakeStreamReport();
    // The busy state of a run: every action but stop disabled, the list disabled, the flags reset.
    void EnterBusyState();
    // Flushes the file systems of the items' destinations.
    void FlushDestinations(const std::vector<std::unique_ptr<definition::TVMTask>>& items);
    // The working directory a run uses: TempDir, or the private temporary directory when empty.
    void EnsureTempDir();
    void BackupDirectory(const definition::TVMTask& item, const std::string& src);
    // The pass over one source directory once its checks are done. again: the pass starts over
    // after a stale listing cache; members come from the archive itself.
    void PassDirectory(const definition::TVMTask& item, const std::string& src,
                       const std::string& archiveDir, bool again);
    void RestoreDirectory(const definition::TVMTask& item, const std::string& src);
    // Deletes (and drops from destFiles) the files that a killed restore's extraction of one of
    // the members left beside it.
    void RemoveExtractionWorkFiles(const std::string& src, selection::TVMFiles& destFiles,
                                   const selection::TVMFiles& members);
    void ClearDirectory(const definition::TVMTask& item, const std::string& src,
                        platform::TDateTime cutoff);
    // The verify pass over one archive directory; top: a source line of the item itself.
    void VerifyDirectory(const definition::TVMTask& item, const std::string& src, bool top);
    // Every archive of the extension anywhere in a history directory.
    void VerifyHistoryTree(const std::string& dir, const std::string& ext);
    // Tests one archive and compares it with its listing cache; false (logged) when not whole.
    bool VerifyArchive(const std::string& archive);
    // The library's test of one archive, cancelled by the stop action; the library's code.
    int TestArchive(const std::string& archive);
    // The archive's members straight from the library (the cache left alone); false when the
    // listing stopped short.
    bool ListArchiveMembers(const std::string& archive, selection::TVMFiles& members);
    // Names every member that only the cache or only the archive holds; true when they agree.
    bool CompareWithCache(const std::string& archive, const std::string& cacheFile);
    // The versions below one archive directory: at depth, the directory of location.Subdirs
    // [depth] (or the file's own when all are passed); sourceDir is the source directory it
    // stands for (its archive is named after it). Each directory is visited once.
    void CollectVersions(const std::string& archiveDir, const std::string& sourceDir,
                         const TFileLocation& location, std::size_t depth, bool dirNameAsLzhName,
                         TFileVersions& out, std::set<std::string>& visited);
    // The file's member in one archive (with its stream members); an archive not listed to its
    // end is named in out.Unreadable.
    void CollectFromArchive(const std::string& archive, const std::string& fileName, bool latest,
                            TFileVersions& out);
    // Reports a failed archive operation: 8020 is a user break, any other code is logged.
    void ReportArchiveError(int code);
    // Takes an archive directory for a source directory for the rest of the run. Two source
    // directories (of one item, of items with the same destination, or a subdirectory meeting
    // another item's source) would share one archive and undo each other's backups: the later
    // one is refused, logged with both names, and false is returned.
    bool ClaimArchiveDir(const std::string& src, const std::string& archiveDir);
    // A directory whose path or archive path is longer than the system takes, or whose archive's
    // name leaves no room for the names of its work files: logged, true.
    bool RefusedForPathLength(const std::string& src, const std::string& archive);
    // A subdirectory whose archive directory would stand where the parent's archive or listing
    // cache lies: logged by name and true returned, so that the pass leaves it alone.
    bool CollidesWithOwnFiles(const std::string& src, const std::string& subdir,
                              const std::string& archive);
    // A file the backup cannot take: logged with its path and the reason, and its record in
    // srcFiles (what the listing cache is written from) replaced by its member's, or removed.
    void LeaveOut(selection::TVMFiles& srcFiles, const selection::TVMFiles& members,
                  const std::string& path, const std::string& reason);
    // An archive that exists but cannot be listed is renamed to this pass's history backup
    // name (nothing of it is lost) and members emptied, so that the pass makes a new one; false
    // (logged) when it cannot be moved.
    bool SetAsideUnreadableArchive(const TArchiveNames& an, selection::TVMFiles& members);
    // Debug lines: a heading and "  " + each name.
    void ListNames(const std::string& heading, const std::vector<std::string>& names);

    // Progress over the directories of a run (see RunProgress.cpp).
    int CountDirectories(const std::string& dir, const definition::TVMTask& item,
                         bool chooseByItem);
    void StartProgress(const std::vector<std::unique_ptr<definition::TVMTask>>& items,
                       bool sourceTrees);
    void AdvanceProgress(const std::string& dir);

    std::optional<std::uint64_t> lastProgressTick_;
    int progressDone_ = 0;
    int progressTotal_ = 0;
    int progressCounted_ = 0;
    // The archive directories of this run, each with the source directory that took it.
    std::map<std::string, std::string> archiveDirOwners_;
    bool streamsUnsupportedReported_ = false;
    // The directory the facade exports extended attributes into during one PackFiles.
    std::optional<TScratchDirectory> streamExportDir_;
    engine::TRunState& state_;
    archives::TArchiveFile& af_;
    archives::TArchiverOptions& options_;
};

// The facade's type of the configured archiver type.
inline archives::TArchiverType ToFacadeType(engine::TVMArchiverType type) {
    return type == engine::atZip ? archives::atZip : archives::atLha;
}

// -1, 0 or 1: times closer than 10 seconds are equal.
int CompareTimes(platform::TDateTime t1, platform::TDateTime t2);

// The time stamp in the name of a history backup ("$vm$" + yyyymmddhhnnss or the older
// yymmddhhnnss) or of a history directory ("$vm$" + name + yyyymmddhhnnss); -1 when unreadable.
platform::TDateTime HistoryFileTime(const std::string& name);
platform::TDateTime HistoryDirTime(const std::string& name);

// The lines of an item's source directory text (CR LF, CR or LF), empty lines left out.
std::vector<std::string> SourceLines(const std::string& srcDirs);

// The message of an archiver result code; empty for codes that are no error (8012 and every
// code outside 8005-802D, 0 included).
std::string ArchiveErrorMessage(int code);

} // namespace engine
