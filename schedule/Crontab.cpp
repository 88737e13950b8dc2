#include "schedule/Crontab.h"

#include "platform/CodePage.h"
#include "platform/ExternalCommand.h"
#include "schedule/TaskResult.h"

namespace schedule {

namespace {

// The table's lines, each with its line break (the last one may lack it).
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

bool IsMarker(const std::string& line, const char* marker) {
    std::string bare = line;
    while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r'))
        bare.pop_back();
    return bare == marker;
}

[[noreturn]] void BrokenBlock() {
    throw EOleSysError(platform::FromUtf8("crontabのVelmoranの行の区切り（") + BlockBegin + " / " +
                           BlockEnd +
                           platform::FromUtf8("）が壊れています．crontab -e で直してくだ"
                                              "さい．"),
                       E_FAIL);
}

std::string CommandFailure(const std::vector<std::string>& command,
                           const platform::ProcessResult& result) {
    std::string text = command.front() + ": ";
    std::string err = result.Err;
    while (!err.empty() && (err.back() == '\n' || err.back() == '\r'))
        err.pop_back();
    return text + (err.empty() ? "exit status " + std::to_string(result.ExitCode) : err);
}

} // namespace

std::string ReplaceBlock(const std::string& table, const std::vector<std::string>& lines) {
    const std::vector<std::string> old = Lines(table);
    std::size_t begin = old.size(), end = old.size();
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (IsMarker(old[i], BlockBegin)) {
            if (begin != old.size())
                BrokenBlock();
            begin = i;
        } else if (IsMarker(old[i], BlockEnd)) {
            if (begin == old.size() || end != old.size())
                BrokenBlock();
            end = i;
        }
    }
    if (begin != old.size() && end == old.size())
        BrokenBlock();

    std::string block;
    if (!lines.empty()) {
        block = std::string(BlockBegin) + "\n";
        for (const auto& line : lines)
            block += line + "\n";
        block += std::string(BlockEnd) + "\n";
    }
    std::string result;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (i == begin)
            result += block;
        if (i < begin || i > end || begin == old.size())
            result += old[i];
    }
    if (!result.empty() && result.back() != '\n')
        result += '\n';
    if (begin == old.size())
        result += block;
    return result;
}

bool TCrontabCommand::Available() const {
    return !command_.empty() && !platform::FindOnPath(command_.front()).empty();
}

std::string TCrontabCommand::Read() const {
    if (!Available())
        CheckTaskResult(SCHED_E_SERVICE_NOT_INSTALLED);
    std::vector<std::string> argv = command_;
    argv.push_back("-l");
    const platform::ProcessResult result = platform::RunCaptured(argv);
    if (result.ExitCode == 0)
        return result.Out;
    // "no crontab for USER": the user has none yet.
    if (result.ExitCode == 1 && result.Err.find("no crontab for") != std::string::npos)
        return {};
    throw EOleSysError(CommandFailure(command_, result), E_FAIL);
}

void TCrontabCommand::Write(const std::string& table) const {
    if (!Available())
        CheckTaskResult(SCHED_E_SERVICE_NOT_INSTALLED);
    std::vector<std::string> argv = command_;
    argv.push_back("-");
    const platform::ProcessResult result = platform::RunCaptured(argv, table);
    if (result.ExitCode != 0)
        throw EOleSysError(CommandFailure(command_, result), E_FAIL);
}

} // namespace schedule
