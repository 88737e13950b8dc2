#include "schedule/TaskTrigger.h"

#include "platform/DateTime.h"

namespace schedule {

namespace {

// Days since the date system's origin; `valid` false for a day that does not exist.
long DayNumber(int year, int month, int day, bool& valid) {
    platform::TDateTime dt = 0;
    valid = platform::TryEncodeDate(year, month, day, dt);
    return static_cast<long>(dt);
}

// 0 for Sunday .. 6 for Saturday (the origin, 1899-12-30, was a Saturday).
int WeekDay(long dayNumber) {
    return static_cast<int>(((dayNumber % 7) + 7 + 6) % 7);
}

} // namespace

TTaskTrigger DefaultTrigger(int year, int month, int day, int hour, int minute) {
    TTaskTrigger trigger;
    trigger.TriggerType = TTriggerType::Daily;
    trigger.BeginYear = year;
    trigger.BeginMonth = month;
    trigger.BeginDay = day;
    trigger.StartHour = hour;
    trigger.StartMinute = minute;
    return trigger;
}

bool FiresOn(const TTaskTrigger& trigger, const TDay& day) {
    bool beginValid = false, dayValid = false;
    const long begin =
        DayNumber(trigger.BeginYear, trigger.BeginMonth, trigger.BeginDay, beginValid);
    const long today = DayNumber(day.Year, day.Month, day.Day, dayValid);
    if (!beginValid || !dayValid || today < begin)
        return false;
    switch (trigger.TriggerType) {
    case TTriggerType::Once:
        return today == begin;
    case TTriggerType::Daily:
        return trigger.DaysInterval >= 1 && (today - begin) % trigger.DaysInterval == 0;
    case TTriggerType::Weekly: {
        if (trigger.WeeksInterval < 1 || (trigger.WeekDays & (1u << WeekDay(today))) == 0)
            return false;
        // Weeks run Sunday to Saturday; the begin date's week is week 0.
        const long beginWeek = begin - WeekDay(begin);
        const long thisWeek = today - WeekDay(today);
        return ((thisWeek - beginWeek) / 7) % trigger.WeeksInterval == 0;
    }
    case TTriggerType::MonthlyDate:
        return (trigger.Months & (1u << (day.Month - 1))) != 0 &&
               (trigger.MonthDays & (1u << (day.Day - 1))) != 0;
    }
    return false;
}

} // namespace schedule
