#include "engine/DestinationLock.h"
#include "engine/EVMError.h"
#include "engine/RunLog.h"
#include "engine/ScratchDirectory.h"
#include "engine/TVMEngine.h"
#include "platform/CodePage.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileUtil.h"
#include "platform/TempDirectory.h"
#include "select/TVMFiles.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace engine {

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

std::string NowText() {
    const platform::TDateTime now = platform::Now();
    return platform::DateToStr(now) + " " + platform::TimeToStr(now);
}

} // namespace

void TVMEngine::EnterBusyState() {
    host::TRunHost& host = state_.Host();
    for (int a = 0; a < host::ActionCount; ++a)
        host.SetActionEnabled(static_cast<host::TAction>(a), false);
    host.SetStatusText(0, "");
    host.SetBusy(true);
    host.SetListEnabled(false);
    state_.Running = true;
    state_.Stopped = false;
    state_.StopConfirmed = false;
    state_.UserBreakOccurred = false;
    host.SetActionEnabled(host::TAction::VMStop, true);
    state_.ErrorOccurred = false;
    archiveDirOwners_.clear();
    streamsUnsupportedReported_ = false;
    platform::ForgetMissingLibraries(); // one installed since the last run is found
}

void TVMEngine::FlushDestinations(const std::vector<std::unique_ptr<definition::TVMTask>>& items) {
    std::vector<std::string> done;
    for (const auto& item : items) {
        const std::string dir = platform::ExcludeTrailingPathDelimiter(item->DstDir);
        if (dir.empty() || std::find(done.begin(), done.end(), dir) != done.end())
            continue;
        done.push_back(dir);
        platform::SyncFileSystem(dir);
    }
}

void TVMEngine::EnsureTempDir() {
    // An empty working directory never reaches the engine: the old versions and the removal
    // work files would land in the current directory.
    if (state_.TempDir.empty())
        state_.TempDir = platform::SystemTempDir();
}

void TVMEngine::AFProgress(int progressState, const archives::TExtractingInfoEx* info) {
    const std::uint64_t now = TickSource ? TickSource() : platform::TickCount();
    if (lastProgressTick_ && now - *lastProgressTick_ < 400)
        return;
    host::TRunHost& host = state_.Host();
    const auto fileName = [info] {
        const std::string dest(info->destName, strnlen(info->destName, sizeof info->destName));
        return platform::ExtractFileName(dest);
    };
    if (info && (progressState == 0 || progressState == 4))
        host.SetStatusText(0, selection::SizeText(0) + " - " + fileName());
    else if (info && progressState == 1)
        host.SetStatusText(0, selection::SizeText(info->writtenSize) + " - " + fileName());
    else if (progressState >= 2 && progressState <= 7)
        host.SetStatusText(0, "");
    lastProgressTick_ = now;
}

namespace {

// The end of every run, however it ends: idle again, the title and actions back, and the log
// file written (and shown after an error).
class RunEnd {
public:
    RunEnd(engine::TRunState& state, definition::TVMDefinition& def, bool close)
        : state_(state), def_(def), close_(close), showLog_(def.ShowLog) {}
    RunEnd(const RunEnd&) = delete;
    RunEnd& operator=(const RunEnd&) = delete;
    ~RunEnd() {
        host::TRunHost& host = state_.Host();
        state_.Running = false;
        host.SetBusy(false);
        def_.UpdateTitle(host);
        if (!state_.LogFile.empty()) {
            state_.RunLog.WriteLogFile(host, state_.LogFile, state_.OverwriteLog);
            if (state_.ErrorOccurred && showLog_)
                engine::ShowLogFile(host, state_.LogFile);
        }
        if (close_)
            host.CloseMainWindow();
    }

private:
    engine::TRunState& state_;
    definition::TVMDefinition& def_;
    bool close_;
    bool showLog_;
};

// The items a run works on, copied when it starts: nothing done to the definition while the
// run goes on (the window refuses it, but the run does not rely on that) changes what it does.
std::vector<std::unique_ptr<definition::TVMTask>> Snapshot(const definition::TVMDefinition& def) {
    std::vector<std::unique_ptr<definition::TVMTask>> items;
    items.reserve(def.Tasks.size());
    for (const auto& task : def.Tasks) {
        auto copy = std::make_unique<definition::TVMTask>();
        copy->Assign(*task);
        items.push_back(std::move(copy));
    }
    return items;
}

// Runs one item's task on a fresh copy of it, under the lock of its destination; returns 0 or
// the code of the EVMError that ended it.
int RunItem(engine::TRunState& state, const definition::TVMTask& source,
            TDestinationLock::TMissing missing,
            const std::function<void(const definition::TVMTask&)>& task) {
    definition::TVMTask item;
    item.Assign(source);
    try {
        const TDestinationLock lock(state, item.DstDir, missing);
        if (lock.Acquired())
            task(item);
    } catch (const EVMError& e) {
        return e.Code();
    }
    return 0;
}

// The run-start check of the working directory and the log file, with its log lines.
bool CheckRunStart(engine::TRunState& state) {
    if (engine::CheckTempAndLog(state.Host(), true, state.TempDir, state.LogFile))
        return true;
    state.AddStampedLine("Temporary directry or log-file error.");
    state.AddErrorLine(Text("一時ディレクトリまたはログファイルの異常．"));
    return false;
}

} // namespace

void TVMEngine::AtnVMExecute(definition::TVMDefinition& def) {
    host::TRunHost& host = state_.Host();
    if (state_.DebugMode) {
        host.ClearDebugScreen();
        state_.AddStampedLine("Backup job started.(" + NowText() + ")" + Text("：") + def.FileName);
    }
    state_.RunLog.Clear();
    state_.AddLogLine(Text("バックアップ開始(") + def.FileName + ")");
    EnterBusyState();
    EnsureTempDir();
    const RunEnd end(state_, def, def.CloseWhenFinished);

    if (!CheckRunStart(state_))
        return;
    RemoveStaleScratchDirs(state_);
    if (def.MsgBeforeExec && host.MessageBox(host::TMsgKind::Information, def.MsgBeforeExecText,
                                             host::TMsgButtons::OkCancel) != host::TMsgAnswer::Ok)
        return;

    const auto items = Snapshot(def);
    StartProgress(items, true);
    for (std::size_t i = 0; i < items.size(); ++i) {
        state_.AddStampedLine("Backup job task number: " + std::to_string(i));
        state_.AddLogLine(Text("バックアップ処理項目番号＝") + std::to_string(i));
        host.SelectRow(static_cast<int>(i));
        const int code = RunItem(state_, *items[i], TDestinationLock::TMissing::Create,
                                 [this](const definition::TVMTask& t) { DoTask(t); });
        if (code == EVMError::UserBreakCode)
            break;
        if (code != 0 && code != EVMError::ItemRefusedCode) {
            state_.AddErrorLine(Text("未知のエラー発生(") +
                                platform::DateTimeToStr(platform::Now()) + ")");
        }
    }
    // The archives are flushed to disk once, before the run says it has ended (the libraries
    // flush each archive's contents, not each new name).
    FlushDestinations(items);
    state_.AddStampedLine("Backup job ended.(" + NowText() + Text("）"));
    state_.AddLogLine(Text("バックアップ完了．"));
}

void TVMEngine::AtnVMRestoreExecute(definition::TVMDefinition& def) {
    host::TRunHost& host = state_.Host();
    bool overwrite = state_.IgnoreTimeStamp;
    bool deleteNotContained = state_.PermitDeletion;
    if (!state_.BatchMode && !host.AskRestoreOptions(overwrite, deleteNotContained))
        return;
    if (state_.DebugMode) {
        host.ClearDebugScreen();
        state_.AddStampedLine("Resore job started.(" + NowText() + ")" + Text("：") + def.FileName);
    }
    state_.IgnoreTimeStamp = overwrite;
    state_.PermitDeletion = deleteNotContained;
    EnterBusyState();
    EnsureTempDir();
    state_.RunLog.Clear();
    state_.AddLogLine(Text("復元開始：") + def.FileName);
    const RunEnd end(state_, def, false);

    if (!CheckRunStart(state_))
        return;
    RemoveStaleScratchDirs(state_);
    const auto items = Snapshot(def);
    StartProgress(items, false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        state_.AddStampedLine("Restore task job number: " + std::to_string(i));
        state_.AddLogLine(Text("復元処理項目番号＝") + std::to_string(i));
        if (RunItem(state_, *items[i], TDestinationLock::TMissing::RunUnlocked,
                    [this](const definition::TVMTask& t) { DoRestoreTask(t); }) ==
            EVMError::UserBreakCode)
            break;
    }
    state_.AddStampedLine("Restore job ended.(" + NowText() + Text("）"));
}

void TVMEngine::AtnVMCleanExecute(definition::TVMDefinition& def) {
    host::TRunHost& host = state_.Host();
    platform::TDateTime cutoff = state_.ClearHistoryBefore;
    if (!state_.BatchMode) {
        std::int32_t mode = state_.DeleteHistoryMode;
        std::int32_t days = state_.DeleteHistoryDays;
        double before = state_.DeleteHistoryBefore;
        if (!host.AskDeleteHistory(mode, days, before))
            return;
        cutoff = mode == 0 ? -1.0 : mode == 1 ? platform::Now() - days : before;
        state_.DeleteHistoryMode = mode;
        state_.DeleteHistoryDays = days;
        state_.DeleteHistoryBefore = before;
    }
    EnterBusyState();
    EnsureTempDir();
    // A cleanup leaves its record in the log file like the other runs (one started from cron
    // has no other).
    state_.RunLog.Clear();
    state_.AddLogLine(Text("履歴バックアップファイル削除開始：") + def.FileName);
    const RunEnd end(state_, def, false);
    RemoveStaleScratchDirs(state_);
    const auto items = Snapshot(def);
    StartProgress(items, false);
    for (const auto& task : items)
        if (RunItem(state_, *task, TDestinationLock::TMissing::RunUnlocked,
                    [this, cutoff](const definition::TVMTask& t) { DoClearTask(t, cutoff); }) ==
            EVMError::UserBreakCode)
            break;
    state_.AddLogLine(Text("履歴バックアップファイル削除完了．"));
}

void TVMEngine::AtnVMVerifyExecute(definition::TVMDefinition& def) {
    host::TRunHost& host = state_.Host();
    if (state_.DebugMode) {
        host.ClearDebugScreen();
        state_.AddStampedLine("Verify job started.:" + def.FileName);
    }
    EnterBusyState();
    EnsureTempDir();
    state_.RunLog.Clear();
    state_.AddLogLine(Text("バックアップ検査開始：") + def.FileName);
    const RunEnd end(state_, def, false);
    const auto items = Snapshot(def);
    StartProgress(items, false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        state_.AddLogLine(Text("検査処理項目番号＝") + std::to_string(i));
        host.SelectRow(static_cast<int>(i));
        if (RunItem(state_, *items[i], TDestinationLock::TMissing::CreateNothing,
                    [this](const definition::TVMTask& t) { DoVerifyTask(t); }) ==
            EVMError::UserBreakCode)
            break;
    }
    state_.AddLogLine(state_.ErrorOccurred ? Text("バックアップ検査完了：異常あり．")
                                           : Text("バックアップ検査完了：異常なし．"));
}

} // namespace engine
