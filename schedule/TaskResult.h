// Result codes of the work-item layer and the one check every operation's result passes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace schedule {

// A failure of the scheduler or the system below it, with its result code.
class EOleSysError : public std::runtime_error {
public:
    EOleSysError(const std::string& message, std::uint32_t errorCode)
        : std::runtime_error(message), errorCode_(errorCode) {}
    std::uint32_t ErrorCode() const { return errorCode_; }

private:
    std::uint32_t errorCode_;
};

// A failure the scheduler itself names (a code of the result-code table).
class ETaskException : public EOleSysError {
public:
    using EOleSysError::EOleSysError;
};

inline constexpr std::uint32_t S_OK = 0;
inline constexpr std::uint32_t SCHED_S_TASK_READY = 0x00041300;
inline constexpr std::uint32_t SCHED_S_EVENT_TRIGGER = 0x00041308;
inline constexpr std::uint32_t SCHED_E_TRIGGER_NOT_FOUND = 0x80041309;
inline constexpr std::uint32_t SCHED_E_SERVICE_NOT_INSTALLED = 0x8004130C;
inline constexpr std::uint32_t SCHED_E_CANNOT_OPEN_TASK = 0x8004130D;
inline constexpr std::uint32_t SCHED_E_INVALID_TASK = 0x8004130E;
inline constexpr std::uint32_t SCHED_E_SERVICE_NOT_RUNNING = 0x80041315;
// The system's "file not found", answered for a work item that does not exist.
inline constexpr std::uint32_t E_FILE_NOT_FOUND = 0x80070002;
// A failure of the system below the scheduler (a file or a command) that has no code of its own.
inline constexpr std::uint32_t E_FAIL = 0x80004005;

// The message of a code of the table; empty for any other code.
std::string TaskResultMessage(std::uint32_t code);

// Raises ETaskException for every code of the table (success codes included), EOleSysError for
// other failure codes (high bit set) with `systemText` as its message; other codes pass.
void CheckTaskResult(std::uint32_t code, const std::string& systemText = {});

} // namespace schedule
