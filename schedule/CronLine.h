// Turning a work item into crontab lines: the schedule fields of each trigger and a command
// that /bin/sh runs exactly as the work item's program and parameters say.
#pragma once

#include "schedule/TaskTrigger.h"

#include <optional>
#include <string>
#include <vector>

namespace schedule {

// A word quoted for /bin/sh: in single quotes, each ' written as '\''.
std::string QuoteForShell(const std::string& word);

// Every "%" preceded by a backslash: cron turns a bare "%" into a line break.
std::string EscapeForCrontab(const std::string& command);

// The parameters as the program will receive them. A leading double-quoted file name runs to the
// last double quote after which only switches follow (so the name may hold quotes itself); the
// rest splits at blanks, double quotes grouping.
std::vector<std::string> SplitParameters(const std::string& parameters);

// The cron schedule fields "MIN HOUR DOM MON DOW" of a trigger, and whether runs on those fields
// still need the program's day check (an interval cron cannot count, a year, a begin date after
// `today`). Nothing for a trigger that never runs (no weekday or date chosen).
struct TCronSchedule {
    std::string Fields;
    bool NeedsDayCheck = false;
};
std::optional<TCronSchedule> CronScheduleOf(const TTaskTrigger& trigger, const TDay& today);

// The arguments of the program's day check for a trigger, and the trigger read back from them.
// The check is the program started as "PROGRAM /due TYPE YYYYMMDD INTERVAL WEEKDAYS".
inline constexpr const char* DueSwitch = "/due";
std::vector<std::string> DueArguments(const TTaskTrigger& trigger);
std::optional<TTaskTrigger> ParseDueArguments(const std::vector<std::string>& args);
// The exit status of the day check: 0 when the trigger runs on `today`, 1 when it does not, 2
// for arguments that name no trigger; nothing when `args` do not start with the day check.
std::optional<int> DueCheckStatus(const std::vector<std::string>& args, const TDay& today);

// The crontab line of one enabled trigger of a work item (no line break); nothing for a trigger
// that is disabled or never runs. `checker` is the program that answers the day check. Raises
// EOleSysError when the program or a parameter holds a line break, which no crontab line can.
std::optional<std::string> CronLine(const TTaskTrigger& trigger, const std::string& program,
                                    const std::string& parameters, const std::string& checker,
                                    const TDay& today);

} // namespace schedule
