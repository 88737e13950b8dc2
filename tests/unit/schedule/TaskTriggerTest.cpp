#include "schedule/TaskTrigger.h"

#include <gtest/gtest.h>

#include <ctime>
#include <vector>

using namespace schedule;

namespace {

// The days of a year, walked with the C library's calendar (independent of the trigger code).
struct Walked {
    TDay Day;
    int WeekDay; // 0 Sunday
    int Index;   // days since January 1st
};
std::vector<Walked> DaysOf(int year) {
    std::vector<Walked> days;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mday = 1;
    tm.tm_hour = 12;
    for (int i = 0;; ++i) {
        std::tm t = tm;
        t.tm_mday = 1 + i;
        std::mktime(&t);
        if (t.tm_year != year - 1900)
            break;
        days.push_back({{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday}, t.tm_wday, i});
    }
    return days;
}

std::vector<int> Fired(const TTaskTrigger& trigger, int year) {
    std::vector<int> fired;
    for (const auto& d : DaysOf(year))
        if (FiresOn(trigger, d.Day))
            fired.push_back(d.Index);
    return fired;
}

} // namespace

TEST(TaskTriggerTest, EveryThirdDayRunsAcrossMonthEndsFromItsBeginDate) {
    TTaskTrigger trigger = DefaultTrigger(2028, 1, 30, 3, 0); // 2028 is a leap year
    trigger.DaysInterval = 3;
    std::vector<int> expected;
    for (int i = 29; i < 366; i += 3)
        expected.push_back(i);
    EXPECT_EQ(Fired(trigger, 2028), expected);
    EXPECT_FALSE(FiresOn(trigger, {2028, 2, 28}));
    EXPECT_TRUE(FiresOn(trigger, {2028, 2, 29}));
    EXPECT_FALSE(FiresOn(trigger, {2028, 3, 2}));
    EXPECT_TRUE(FiresOn(trigger, {2028, 3, 3}));
    EXPECT_FALSE(FiresOn(trigger, {2028, 1, 27})); // before its begin date
}

TEST(TaskTriggerTest, EveryOtherWeekRunsOnItsWeekdaysOfEveryOtherWeek) {
    // Begins on Wednesday 2026-01-07: its week (Sunday the 4th to the 10th) is the first one.
    TTaskTrigger trigger = DefaultTrigger(2026, 1, 7, 20, 0);
    trigger.TriggerType = TTriggerType::Weekly;
    trigger.WeeksInterval = 2;
    trigger.WeekDays = 0x02 | 0x40; // Monday and Saturday
    std::vector<int> expected;
    for (const auto& d : DaysOf(2026)) {
        const int week = (d.Index - d.WeekDay + 4) / 7; // January 4th starts week 1
        if (d.Index >= 6 && week % 2 == 1 && (d.WeekDay == 1 || d.WeekDay == 6))
            expected.push_back(d.Index);
    }
    EXPECT_EQ(Fired(trigger, 2026), expected);
    EXPECT_FALSE(FiresOn(trigger, {2026, 1, 5})); // Monday of the begin week, before its date
    EXPECT_TRUE(FiresOn(trigger, {2026, 1, 10}));
    EXPECT_FALSE(FiresOn(trigger, {2026, 1, 12}));
    EXPECT_TRUE(FiresOn(trigger, {2026, 1, 19}));
    EXPECT_EQ(expected.size(), 51u);
}

TEST(TaskTriggerTest, OnceAndMonthlyRunOnTheirDatesOnly) {
    TTaskTrigger once = DefaultTrigger(2026, 3, 9, 0, 0);
    once.TriggerType = TTriggerType::Once;
    EXPECT_EQ(Fired(once, 2026), std::vector<int>{67});
    EXPECT_TRUE(Fired(once, 2027).empty());

    TTaskTrigger monthly = DefaultTrigger(2026, 1, 1, 0, 0);
    monthly.TriggerType = TTriggerType::MonthlyDate;
    monthly.MonthDays = 1u << 30; // the 31st: seven months have one
    EXPECT_EQ(Fired(monthly, 2026).size(), 7u);
    monthly.Months = 0x002; // February only: never
    EXPECT_TRUE(Fired(monthly, 2026).empty());

    TTaskTrigger broken = DefaultTrigger(2026, 2, 30, 0, 0); // no such begin date
    EXPECT_TRUE(Fired(broken, 2026).empty());
    broken = DefaultTrigger(2026, 1, 1, 0, 0);
    broken.DaysInterval = 0;
    EXPECT_TRUE(Fired(broken, 2026).empty());
}
