#include "schedule/CronLine.h"

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "schedule/TaskResult.h"

#include <cstdio>

namespace schedule {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether `rest` is empty or blanks followed by switches only (no double quotes).
bool OnlySwitchesFollow(const std::string& rest) {
    std::size_t i = 0;
    if (rest.empty())
        return true;
    if (!IsBlank(rest[0]))
        return false;
    while (i < rest.size()) {
        while (i < rest.size() && IsBlank(rest[i]))
            ++i;
        if (i == rest.size())
            break;
        if (rest[i] != '/' && rest[i] != '-')
            return false;
        while (i < rest.size() && !IsBlank(rest[i]))
            if (rest[i++] == '"')
                return false;
    }
    return true;
}

// Blank-separated words, double quotes grouping (and not kept).
void SplitWords(const std::string& text, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
}

// A cron list of the set bits of `mask`, numbering bit 0 as `first`; "*" when all `count` are set.
std::string CronList(std::uint32_t mask, int count, int first) {
    if (mask == (count == 32 ? 0xFFFFFFFFu : (1u << count) - 1))
        return "*";
    std::string list;
    for (int i = 0; i < count; ++i)
        if (mask & (1u << i))
            list += (list.empty() ? "" : ",") + std::to_string(i + first);
    return list;
}

bool Before(const TDay& a, const TDay& b) {
    if (a.Year != b.Year)
        return a.Year < b.Year;
    if (a.Month != b.Month)
        return a.Month < b.Month;
    return a.Day < b.Day;
}

void RefuseLineBreak(const std::string& text) {
    if (text.find_first_of("\r\n") != std::string::npos)
        throw EOleSysError(platform::FromUtf8("改行を含むプログラム名やパラメータはcronで実行でき"
                                              "ません：") +
                               text,
                           E_FAIL);
}

} // namespace

std::string QuoteForShell(const std::string& word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string EscapeForCrontab(const std::string& command) {
    std::string escaped;
    for (char c : command) {
        if (c == '%')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::vector<std::string> SplitParameters(const std::string& parameters) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < parameters.size() && IsBlank(parameters[start]))
        ++start;
    if (start < parameters.size() && parameters[start] == '"') {
        for (std::size_t close = parameters.size(); close-- > start + 1;) {
            if (parameters[close] != '"' || !OnlySwitchesFollow(parameters.substr(close + 1)))
                continue;
            words.push_back(parameters.substr(start + 1, close - start - 1));
            SplitWords(parameters.substr(close + 1), words);
            return words;
        }
    }
    SplitWords(parameters.substr(start), words);
    return words;
}

std::optional<TCronSchedule> CronScheduleOf(const TTaskTrigger& trigger, const TDay& today) {
    const std::string time =
        std::to_string(trigger.StartMinute) + " " + std::to_string(trigger.StartHour) + " ";
    const TDay begin{trigger.BeginYear, trigger.BeginMonth, trigger.BeginDay};
    const bool notBegun = Before(today, begin);
    switch (trigger.TriggerType) {
    case TTriggerType::Once:
        // Cron has no year: the line comes back every year, the check keeps the one day.
        return TCronSchedule{time + std::to_string(trigger.BeginDay) + " " +
                                 std::to_string(trigger.BeginMonth) + " *",
                             true};
    case TTriggerType::Daily:
        if (trigger.DaysInterval < 1)
            return std::nullopt;
        return TCronSchedule{time + "* * *", notBegun || trigger.DaysInterval > 1};
    case TTriggerType::Weekly:
        if ((trigger.WeekDays & 0x7F) == 0 || trigger.WeeksInterval < 1)
            return std::nullopt;
        return TCronSchedule{time + "* * " + CronList(trigger.WeekDays & 0x7F, 7, 0),
                             notBegun || trigger.WeeksInterval > 1};
    case TTriggerType::MonthlyDate:
        if ((trigger.MonthDays & 0x7FFFFFFF) == 0 || (trigger.Months & AllMonths) == 0)
            return std::nullopt;
        return TCronSchedule{time + CronList(trigger.MonthDays & 0x7FFFFFFF, 31, 1) + " " +
                                 CronList(trigger.Months & AllMonths, 12, 1) + " *",
                             notBegun};
    }
    return std::nullopt;
}

std::vector<std::string> DueArguments(const TTaskTrigger& trigger) {
    char begin[16];
    std::snprintf(begin, sizeof begin, "%04d%02d%02d", trigger.BeginYear, trigger.BeginMonth,
                  trigger.BeginDay);
    const int interval =
        trigger.TriggerType == TTriggerType::Weekly ? trigger.WeeksInterval : trigger.DaysInterval;
    return {DueSwitch, std::to_string(static_cast<int>(trigger.TriggerType)), begin,
            std::to_string(interval), std::to_string(trigger.WeekDays)};
}

std::optional<TTaskTrigger> ParseDueArguments(const std::vector<std::string>& args) {
    if (args.size() != 5 || args[0] != DueSwitch || args[2].size() != 8)
        return std::nullopt;
    std::int32_t type = 0, begin = 0, interval = 0, weekDays = 0;
    if (!platform::TryStrToInt(args[1], type) || !platform::TryStrToInt(args[2], begin) ||
        !platform::TryStrToInt(args[3], interval) || !platform::TryStrToInt(args[4], weekDays) ||
        type < 0 || type > 3 || weekDays < 0 || weekDays > 0x7F)
        return std::nullopt;
    TTaskTrigger trigger;
    trigger.TriggerType = static_cast<TTriggerType>(type);
    trigger.BeginYear = begin / 10000;
    trigger.BeginMonth = begin / 100 % 100;
    trigger.BeginDay = begin % 100;
    trigger.DaysInterval = interval;
    trigger.WeeksInterval = interval;
    trigger.WeekDays = static_cast<std::uint16_t>(weekDays);
    // The dates of a monthly trigger are in its cron fields; the check adds the begin date.
    trigger.MonthDays = 0x7FFFFFFF;
    return trigger;
}

std::optional<int> DueCheckStatus(const std::vector<std::string>& args, const TDay& today) {
    if (args.empty() || args[0] != DueSwitch)
        return std::nullopt;
    const std::optional<TTaskTrigger> trigger = ParseDueArguments(args);
    if (!trigger)
        return 2;
    return FiresOn(*trigger, today) ? 0 : 1;
}

std::optional<std::string> CronLine(const TTaskTrigger& trigger, const std::string& program,
                                    const std::string& parameters, const std::string& checker,
                                    const TDay& today) {
    if (!trigger.Enabled())
        return std::nullopt;
    const std::optional<TCronSchedule> schedule = CronScheduleOf(trigger, today);
    if (!schedule)
        return std::nullopt;
    RefuseLineBreak(program);
    RefuseLineBreak(parameters);
    std::string command = QuoteForShell(program);
    for (const auto& word : SplitParameters(parameters))
        command += " " + QuoteForShell(word);
    if (schedule->NeedsDayCheck) {
        std::string check = QuoteForShell(checker);
        for (const auto& word : DueArguments(trigger))
            check += " " + word;
        command = check + " && " + command;
    }
    return schedule->Fields + " " + EscapeForCrontab(command);
}

} // namespace schedule
