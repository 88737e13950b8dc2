// The run state and program-wide settings that the start-up, the engine and the windows share,
// with the run-log and debug-screen lines that every run writes.
#pragma once

#include "engine/RunLog.h"
#include "host/RunHost.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <string>

namespace engine {

enum TVMArchiverType { atLzh = 0, atZip = 1 };

class TRunState {
public:
    explicit TRunState(host::TRunHost& host) : DeleteHistoryBefore(platform::Now()), host_(host) {}
    TRunState(const TRunState&) = delete;
    TRunState& operator=(const TRunState&) = delete;

    host::TRunHost& Host() const { return host_; }

    // Run state.
    bool BatchMode = false;
    bool Stopped = false;
    // The stop was already confirmed (the window is closing): the next break check stops
    // without asking.
    bool StopConfirmed = false;
    // A run is in progress (the window must not close under it).
    bool Running = false;
    // The user confirmed a stop during this run (the run ended early).
    bool UserBreakOccurred = false;
    bool ErrorOccurred = false;
    bool IgnoreTimeStamp = false;
    bool PermitDeletion = false;
    platform::TDateTime ClearHistoryBefore = 0;
    std::int32_t DeleteHistoryMode = 1;
    std::int32_t DeleteHistoryDays = 7;
    platform::TDateTime DeleteHistoryBefore;
    TRunLog RunLog;

    // Program-wide settings.
    std::string TempDir;
    std::string LogFile;
    bool OverwriteLog = true;
    bool RecallLastSettings = true;
    TVMArchiverType ArchiverType = atLzh;
    // Threads each archiver library packs with (its -jt switch); 0: one per core.
    int ArchiverThreads = 0;
    bool DebugMode = false;

    // A stamped Japanese line of the run log.
    void AddLogLine(const std::string& text) { RunLog.AddLogLine(text); }
    // A stamped line that records an error: the run ends with ErrorOccurred, and the host shows
    // the line at once (a headless run writes it to standard error). Every error the run log
    // names goes through here; progress and notices go through AddLogLine.
    void AddErrorLine(const std::string& text) {
        RunLog.AddLogLine(text);
        RecordError();
    }
    // The same for an error line that the run log takes without its stamp.
    void AddRawErrorLine(const std::string& text) {
        RunLog.AddRawLine(text);
        RecordError();
    }
    // English lines of the debug screen, written only in debug mode.
    void AddStampedLine(const std::string& text) const {
        if (DebugMode)
            host_.AddStampedLine(text);
    }
    void AddLine(const std::string& text) const {
        if (DebugMode)
            host_.AddLine(text);
    }
    // Shows the debug screen (in debug mode).
    void ShowDebugScreen() const {
        if (DebugMode)
            host_.ShowDebugScreen();
    }

private:
    void RecordError() {
        ErrorOccurred = true;
        host_.ShowErrorLine(RunLog.Lines().back());
    }

    host::TRunHost& host_;
};

} // namespace engine
