#include "schedule/WorkItem.h"

#include "platform/DateTime.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "schedule/TaskResult.h"

#include <algorithm>
#include <cstdio>

namespace schedule {

namespace {

constexpr const char* Extension = ".job";
constexpr const char* ItemSection = "WorkItem";

std::string EncodeName(const std::string& name) {
    std::string encoded;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '/' || c == '%' || c < 0x20 || c == 0x7F || (i == 0 && c == '.')) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            encoded += hex;
        } else {
            encoded += static_cast<char>(c);
        }
    }
    return encoded;
}

std::optional<std::string> DecodeName(const std::string& encoded) {
    std::string name;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            name += encoded[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= encoded.size() || std::sscanf(encoded.c_str() + i + 1, "%2x", &value) != 1)
            return std::nullopt;
        name += static_cast<char>(value);
        i += 2;
    }
    return name;
}

std::string TriggerSection(std::size_t index) {
    return "Trigger" + std::to_string(index);
}

std::int32_t ReadInt(const platform::IniFile& ini, const std::string& section,
                     const std::string& key, bool& ok) {
    std::int32_t value = 0;
    const std::optional<std::string> text = ini.Read(section, key);
    if (!text || !platform::TryStrToInt(*text, value))
        ok = false;
    return value;
}

} // namespace

std::string TWorkItemStore::PathOf(const std::string& name) const {
    return platform::IncludeTrailingPathDelimiter(dir_) + EncodeName(name) + Extension;
}

std::vector<std::string> TWorkItemStore::Names() const {
    std::vector<std::string> names;
    std::vector<platform::DirName> entries;
    if (!platform::ReadDirectoryNames(dir_, entries))
        return names;
    const std::string ext = Extension;
    for (const auto& entry : entries) {
        if (entry.IsDirectory || entry.Name.size() <= ext.size() ||
            entry.Name.compare(entry.Name.size() - ext.size(), ext.size(), ext) != 0)
            continue;
        if (auto name = DecodeName(entry.Name.substr(0, entry.Name.size() - ext.size())))
            names.push_back(*name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool TWorkItemStore::Exists(const std::string& name) const {
    return !name.empty() && platform::FileExists(PathOf(name));
}

std::optional<TWorkItem> TWorkItemStore::Load(const std::string& name) const {
    if (!Exists(name))
        return std::nullopt;
    const std::string path = PathOf(name);
    std::string text;
    try {
        text = platform::ReadFile(path);
    } catch (const std::exception&) {
        CheckTaskResult(SCHED_E_CANNOT_OPEN_TASK);
    }
    const platform::IniFile ini = platform::IniFile::Parse(text);
    if (!ini.HasSection(ItemSection))
        CheckTaskResult(SCHED_E_INVALID_TASK);
    TWorkItem item;
    item.Name = name;
    item.ApplicationName = ini.ReadString(ItemSection, "Program", "");
    item.Parameters = ini.ReadString(ItemSection, "Parameters", "");
    bool ok = true;
    for (std::size_t i = 0; ini.HasSection(TriggerSection(i)); ++i) {
        const std::string s = TriggerSection(i);
        TTaskTrigger t;
        const std::int32_t type = ReadInt(ini, s, "Type", ok);
        if (type < 0 || type > 3)
            ok = false;
        t.TriggerType = static_cast<TTriggerType>(type);
        t.BeginYear = ReadInt(ini, s, "BeginYear", ok);
        t.BeginMonth = ReadInt(ini, s, "BeginMonth", ok);
        t.BeginDay = ReadInt(ini, s, "BeginDay", ok);
        t.StartHour = ReadInt(ini, s, "StartHour", ok);
        t.StartMinute = ReadInt(ini, s, "StartMinute", ok);
        t.DaysInterval = ReadInt(ini, s, "DaysInterval", ok);
        t.WeeksInterval = ReadInt(ini, s, "WeeksInterval", ok);
        t.WeekDays = static_cast<std::uint16_t>(ReadInt(ini, s, "WeekDays", ok));
        t.MonthDays = static_cast<std::uint32_t>(ReadInt(ini, s, "MonthDays", ok));
        t.Months = static_cast<std::uint16_t>(ReadInt(ini, s, "Months", ok));
        t.Flags = static_cast<std::uint32_t>(ReadInt(ini, s, "Flags", ok));
        if (t.StartHour < 0 || t.StartHour > 23 || t.StartMinute < 0 || t.StartMinute > 59)
            ok = false;
        item.Triggers.push_back(t);
    }
    if (!ok)
        CheckTaskResult(SCHED_E_INVALID_TASK);
    return item;
}

void TWorkItemStore::Save(const TWorkItem& item) const {
    if (item.Name.empty())
        CheckTaskResult(SCHED_E_INVALID_TASK);
    platform::IniFile ini;
    ini.Write(ItemSection, "Program", item.ApplicationName);
    ini.Write(ItemSection, "Parameters", item.Parameters);
    for (std::size_t i = 0; i < item.Triggers.size(); ++i) {
        const std::string s = TriggerSection(i);
        const TTaskTrigger& t = item.Triggers[i];
        auto put = [&](const char* key, long long value) {
            ini.Write(s, key, std::to_string(value));
        };
        put("Type", static_cast<int>(t.TriggerType));
        put("BeginYear", t.BeginYear);
        put("BeginMonth", t.BeginMonth);
        put("BeginDay", t.BeginDay);
        put("StartHour", t.StartHour);
        put("StartMinute", t.StartMinute);
        put("DaysInterval", t.DaysInterval);
        put("WeeksInterval", t.WeeksInterval);
        put("WeekDays", t.WeekDays);
        put("MonthDays", static_cast<std::int32_t>(t.MonthDays));
        put("Months", t.Months);
        put("Flags", static_cast<std::int32_t>(t.Flags));
    }
    ini.Save(PathOf(item.Name));
}

} // namespace schedule
