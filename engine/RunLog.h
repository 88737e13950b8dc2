// The run log: Japanese lines stamped with the date and time, kept during a run and written to
// the log file at its end; and the run-start check of the working directory and log file.
#pragma once

#include "host/RunHost.h"

#include <string>
#include <vector>

namespace engine {

class TRunLog {
public:
    // Appends "[" + now + "] " + text (now without its time part at exactly midnight).
    void AddLogLine(const std::string& text);
    // Appends a line as it is, without the stamp.
    void AddRawLine(const std::string& text) { lines_.push_back(text); }
    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Writes every line followed by CR LF, then one more CR LF, replacing or appending to the
    // log file. A failure shows the cannot-write message; the run's result is not affected.
    // Returns true when the file was written.
    bool WriteLogFile(host::TRunHost& host, const std::string& logFile, bool overwrite) const;

private:
    std::vector<std::string> lines_;
};

// The check that starts every run: the working directory exists and the log file exists or
// can be created. Shows the failure as an error box when asked to.
bool CheckTempAndLog(host::TRunHost& host, bool showMessages, const std::string& tempDir,
                     const std::string& logFile);

// Opens the log file for the user.
void ShowLogFile(host::TRunHost& host, const std::string& logFile);

} // namespace engine
