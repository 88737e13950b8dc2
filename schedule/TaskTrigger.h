// When a work item runs: one trigger, with the fields and meanings of the scheduler's trigger
// record (begin date, start time, the kind of repetition and its interval, weekdays, dates).
#pragma once

#include <cstdint>

namespace schedule {

enum class TTriggerType : std::int32_t {
    Once = 0,        // on the begin date
    Daily = 1,       // every DaysInterval days from the begin date
    Weekly = 2,      // on WeekDays, every WeeksInterval weeks from the begin date's week
    MonthlyDate = 3, // on the MonthDays of the Months
};

// WeekDays bits, Sunday first.
inline constexpr std::uint16_t TASK_SUNDAY = 0x01;
inline constexpr std::uint16_t TASK_SATURDAY = 0x40;
inline constexpr std::uint16_t AllMonths = 0x0FFF;
// Trigger flags: a disabled trigger never runs.
inline constexpr std::uint32_t TASK_TRIGGER_FLAG_DISABLED = 4;

struct TTaskTrigger {
    TTriggerType TriggerType = TTriggerType::Daily;
    std::int32_t BeginYear = 2000;
    std::int32_t BeginMonth = 1;
    std::int32_t BeginDay = 1;
    std::int32_t StartHour = 0;
    std::int32_t StartMinute = 0;
    std::int32_t DaysInterval = 1;
    std::int32_t WeeksInterval = 1;
    std::uint16_t WeekDays = 0;       // bit 0 Sunday .. bit 6 Saturday
    std::uint32_t MonthDays = 0;      // bit 0 the 1st .. bit 30 the 31st
    std::uint16_t Months = AllMonths; // bit 0 January .. bit 11 December
    std::uint32_t Flags = 0;

    bool Enabled() const { return (Flags & TASK_TRIGGER_FLAG_DISABLED) == 0; }
    bool operator==(const TTaskTrigger&) const = default;
};

// A new work item's trigger: daily, once a day, from `year`/`month`/`day` at `hour`:`minute`.
TTaskTrigger DefaultTrigger(int year, int month, int day, int hour, int minute);

// A calendar day.
struct TDay {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

// Whether the trigger runs on that day (whatever its flags say).
bool FiresOn(const TTaskTrigger& trigger, const TDay& day);

} // namespace schedule
