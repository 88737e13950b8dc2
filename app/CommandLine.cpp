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

// The values of a whole-word switch: the `count` entries after it. nullopt when the switch is
// not given, an empty list when its values are missing.
std::optional<std::vector<std::string>> SwitchValues(int index, std::size_t count,
                                                     const std::vector<std::string>& list) {
    if (index < 0)
        return std::nullopt;
    if (list.size() - static_cast<std::size_t>(index) - 1 < count)
        return std::vector<std::string>{};
    const auto first = list.begin() + index + 1;
    return std::vector<std::string>(first, first + static_cast<std::ptrdiff_t>(count));
}

void EraseSwitch(int index, std::size_t count, std::vector<std::string>& list) {
    const auto first = list.begin() + index;
    list.erase(first, first + 1 + static_cast<std::ptrdiff_t>(count));
}

bool IsVersionStamp(const std::string& s) {
    if (s.size() != 14)
        return false;
    for (const char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The file-version switches and their values, taken out of the entries; false (the entries
// left as they are) when one is malformed.
bool TakeVersionSwitches(TCommandLine& cl) {
    auto& list = cl.Entries;
    const int restore = FindWholeSwitch("restoreversion", list);
    if (const auto values = SwitchValues(restore, 2, list)) {
        if (values->empty() || !IsVersionStamp((*values)[1]))
            return false;
        const int to = FindWholeSwitch("to", list);
        const auto dir = SwitchValues(to, 1, list);
        if ((dir && dir->empty()) || (to >= restore && to <= restore + 2))
            return false;
        cl.Mode = TOperationMode::RestoreVersion;
        cl.VersionPath = (*values)[0];
        cl.VersionStamp = (*values)[1];
        // The later of the two goes first, so that the other's index still holds.
        if (dir && to > restore)
            EraseSwitch(to, 1, list);
        EraseSwitch(restore, 2, list);
        if (dir) {
            cl.RestoreTo = dir->front();
            if (to < restore)
                EraseSwitch(to, 1, list);
        }
        return true;
    }
    const int versions = FindWholeSwitch("versions", list);
    if (const auto path = SwitchValues(versions, 1, list)) {
        if (path->empty())
            return false;
        cl.Mode = TOperationMode::Versions;
        cl.VersionPath = path->front();
        EraseSwitch(versions, 1, list);
    }
    return true;
}

} // namespace

int FindWholeSwitch(const std::string& name, const std::vector<std::string>& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].size() == name.size() + 1 && IsSwitch(list[i], name))
            return static_cast<int>(i);
    return -1;
}

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

    if (!TakeVersionSwitches(cl)) {
        cl.BadNumber = true;
        return cl;
    }
    const TOperationMode versionMode = cl.Mode;
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
    if (versionMode != TOperationMode::None)
        cl.Mode = versionMode;
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
