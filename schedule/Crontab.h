// The user's crontab: the block of our lines between two marker lines, and the crontab command
// that reads and installs the whole table.
#pragma once

#include <string>
#include <vector>

namespace schedule {

inline constexpr const char* BlockBegin = "# velmoran work items: begin";
inline constexpr const char* BlockEnd = "# velmoran work items: end";

// The table with our block replaced by `lines` (appended when there was none; removed, markers
// and all, when `lines` is empty). Every other line stays byte for byte; a last line without its
// line break gets one, as crontab requires. Raises EOleSysError when the markers are broken (a
// begin without an end, or more than one block), before anything is written.
std::string ReplaceBlock(const std::string& table, const std::vector<std::string>& lines);

// The crontab command, as the program and its leading arguments ("crontab", or a test's fake,
// or "crontab -u someone").
class TCrontabCommand {
public:
    explicit TCrontabCommand(std::vector<std::string> command) : command_(std::move(command)) {}

    // Whether the command's program exists.
    bool Available() const;
    // The current table; empty when the user has none. Raises ETaskException (service not
    // installed) when the command is missing, EOleSysError with its message when it fails.
    std::string Read() const;
    // Installs `table` as the whole crontab.
    void Write(const std::string& table) const;

private:
    std::vector<std::string> command_;
};

} // namespace schedule
