#include "app/CommandLine.h"

#include "platform/CodePage.h"

namespace app {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsSwitch(const std::string& entry, const std::string& name) {
    if (entry.size() < name.size() + 1 || (entry[0] != '-' && entry[0] != '/'))
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (AsciiLower(entry[i + 1]) != name[i])
            return false;
    return true;
}

// Removes and returns the first entry that is the switch.
std::optional<std::string> TakeSwitch(const std::string& name, std::vector<std::string>& list) {
    const int index = FindSwitch(name, list);
    if (index < 0)
        return std::nullopt;
    std::string entry = list[static_cast<std::size_t>(index)];
    list.erase(list.begin() + index);
    return entry;
}

} // namespace

int FindSwitch(const std::string& name, const std::vector<std::string>& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (IsSwitch(list[i], name))
            return static_cast<int>(i);
    return -1;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args, platform::TDateTime now) {
    using platform::TDateTime;
    TCommandLine cl;
    cl.Entries = args;
    auto& list = cl.Entries;

    if (TakeSwitch("minimized", list))
        cl.Minimized = true;
    if (TakeSwitch("backup", list))
        cl.Mode = TOperationMode::Backup;
    if (TakeSwitch("restore", list))
        cl.Mode = TOperationMode::Restore;
    if (TakeSwitch("verify", list))
        cl.Mode = TOperationMode::Verify;
    if (TakeSwitch("ignoretimestamp", list))
        cl.IgnoreTimeStamp = true;
    if (TakeSwitch("permitdeletion", list))
        cl.PermitDeletion = true;

    if (const int index = FindSwitch("clearhistorydate", list); index >= 0) {
        const std::string& entry = list[static_cast<std::size_t>(index)];
        const std::string digits = entry.substr(entry.size() - 8);
        std::int32_t year, month, day;
        if (!platform::TryStrToInt(digits.substr(0, 4), year) ||
            !platform::TryStrToInt(digits.substr(4, 2), month) ||
            !platform::TryStrToInt(digits.substr(6, 2), day)) {
            cl.BadNumber = true;
            return cl;
        }
        cl.Mode = TOperationMode::ClearHistory;
        cl.ClearHistoryBefore =
            platform::EncodeDate(year, month, day) + platform::EncodeTime(23, 59, 59, 99);
        list.erase(list.begin() + index);
    }
    if (const int index = FindSwitch("clearhistorydays", list); index >= 0) {
        const std::string& entry = list[static_cast<std::size_t>(index)];
        std::int32_t days;
        if (!platform::TryStrToInt(entry.substr(17), days)) {
            cl.BadNumber = true;
            return cl;
        }
        cl.Mode = TOperationMode::ClearHistory;
        const platform::DateParts p = platform::DecodeDateTime(now - days);
        cl.ClearHistoryBefore =
            platform::EncodeDateTime(p.year, p.month, p.day, 23, 59, 59, p.msec);
        list.erase(list.begin() + index);
    }
    if (TakeSwitch("clearhistory", list)) {
        cl.Mode = TOperationMode::ClearHistory;
        cl.ClearHistoryBefore = now;
    }
    return cl;
}

std::string CommandLineErrorText(const std::vector<std::string>& entries) {
    std::string text = platform::FromUtf8("コマンドラインの書式が誤っています．") + "\r\n(";
    for (const auto& entry : entries)
        text += entry + " ";
    text += ")";
    return text;
}

} // namespace app
