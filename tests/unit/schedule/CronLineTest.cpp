#include "schedule/CronLine.h"
#include "schedule/TaskResult.h"
#include "tests/support/Cron.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace schedule;
using testing_support::CronCommand;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

// Runs a command with /bin/sh -c as cron does and returns its standard output.
std::string RunAsCron(const std::string& command, const TempDir& dir) {
    const std::string script = dir.Write("cmd.sh", command);
    const std::string out = dir / "out.txt";
    const std::string run =
        "env -i HOME=/tmp PATH=/usr/bin:/bin SHELL=/bin/sh /bin/sh -c \"$(cat '" + script +
        "')\" > '" + out + "'";
    EXPECT_EQ(std::system(run.c_str()), 0) << command;
    return ReadAll(out);
}

TTaskTrigger Daily(int hour, int minute) {
    return DefaultTrigger(2026, 1, 1, hour, minute);
}

const TDay Today{2026, 6, 1};

} // namespace

TEST(CronLineTest, TheScheduleDialogsParametersSplitAsTheProgramReceivesThem) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitParameters("\"/home/u/data/a.vmp\" /backup"),
              (V{"/home/u/data/a.vmp", "/backup"}));
    EXPECT_EQ(SplitParameters("\"/home/u/data/a.vmp\" /restore /ignoretimestamp /permitdeletion"),
              (V{"/home/u/data/a.vmp", "/restore", "/ignoretimestamp", "/permitdeletion"}));
    EXPECT_EQ(SplitParameters("\"/home/u/data/a.vmp\" /clearhistorydays7"),
              (V{"/home/u/data/a.vmp", "/clearhistorydays7"}));
    EXPECT_EQ(SplitParameters("\"/home/u/data/a.vmp\" /clearhistorydate20240131"),
              (V{"/home/u/data/a.vmp", "/clearhistorydate20240131"}));
    EXPECT_EQ(SplitParameters("\"/home/u/data/a.vmp\" /clearhistory"),
              (V{"/home/u/data/a.vmp", "/clearhistory"}));
    // A file name holding quotes and blanks, and an empty one, stay as typed.
    EXPECT_EQ(SplitParameters("\"/d/my \"best\" b.vmp\" /backup"),
              (V{"/d/my \"best\" b.vmp", "/backup"}));
    EXPECT_EQ(SplitParameters("\"\" /backup"), (V{"", "/backup"}));
    // Parameters typed by hand split at blanks, quotes grouping.
    EXPECT_EQ(SplitParameters("/backup  \"a b\"c"), (V{"/backup", "a bc"}));
}

TEST(CronLineTest, TheCommandRunsUnderShAsTypedWhateverTheNameHolds) {
    TempDir dir;
    // A script stands in for the program: it prints each argument on a line of its own.
    const std::string program = dir.Write("print args", "#!/bin/sh\nprintf '%s\\n' \"$@\"\n");
    ::chmod(program.c_str(), 0755);
    for (const std::string name :
         {"/data/a b.vmp", "/data/it's.vmp", "/data/$HOME `id` $(id).vmp", "/data/100% 50%d.vmp",
          "/data/\"q\" \\n.vmp", "/データ/定義.vmp"}) {
        const std::optional<std::string> line =
            CronLine(Daily(2, 30), program, "\"" + name + "\" /backup", "", Today);
        ASSERT_TRUE(line);
        EXPECT_EQ(line->rfind("30 2 * * * ", 0), 0u) << *line;
        EXPECT_EQ(RunAsCron(CronCommand(*line), dir), name + "\n/backup\n") << *line;
    }
}

TEST(CronLineTest, EachTriggerTypeGivesItsFields) {
    TTaskTrigger weekly = Daily(7, 5);
    weekly.TriggerType = TTriggerType::Weekly;
    weekly.WeekDays = 0x02 | 0x10; // Monday, Thursday
    EXPECT_EQ(CronScheduleOf(weekly, Today)->Fields, "5 7 * * 1,4");
    EXPECT_FALSE(CronScheduleOf(weekly, Today)->NeedsDayCheck);
    weekly.WeekDays = 0x7F;
    EXPECT_EQ(CronScheduleOf(weekly, Today)->Fields, "5 7 * * *");

    TTaskTrigger monthly = Daily(23, 59);
    monthly.TriggerType = TTriggerType::MonthlyDate;
    monthly.MonthDays = 1u | (1u << 14) | (1u << 30); // the 1st, 15th and 31st
    monthly.Months = 0x001 | 0x800;                   // January and December
    EXPECT_EQ(CronScheduleOf(monthly, Today)->Fields, "59 23 1,15,31 1,12 *");
    EXPECT_FALSE(CronScheduleOf(monthly, Today)->NeedsDayCheck);

    TTaskTrigger once = Daily(0, 0);
    once.TriggerType = TTriggerType::Once;
    once.BeginYear = 2027, once.BeginMonth = 3, once.BeginDay = 9;
    EXPECT_EQ(CronScheduleOf(once, Today)->Fields, "0 0 9 3 *");
    EXPECT_TRUE(CronScheduleOf(once, Today)->NeedsDayCheck); // cron has no year

    // Intervals cron cannot count, and a begin date still to come, need the day check.
    TTaskTrigger everyThird = Daily(1, 0);
    EXPECT_FALSE(CronScheduleOf(everyThird, Today)->NeedsDayCheck);
    everyThird.DaysInterval = 3;
    EXPECT_TRUE(CronScheduleOf(everyThird, Today)->NeedsDayCheck);
    TTaskTrigger later = Daily(1, 0);
    later.BeginYear = 2027;
    EXPECT_TRUE(CronScheduleOf(later, Today)->NeedsDayCheck);
    weekly.WeeksInterval = 2;
    EXPECT_TRUE(CronScheduleOf(weekly, Today)->NeedsDayCheck);

    // No weekday or no date chosen: the trigger never runs and writes no line.
    weekly.WeekDays = 0;
    EXPECT_FALSE(CronScheduleOf(weekly, Today));
    monthly.MonthDays = 0;
    EXPECT_FALSE(CronScheduleOf(monthly, Today));
}

TEST(CronLineTest, ADisabledTriggerWritesNoLineAndADayCheckGuardsTheCommand) {
    TTaskTrigger trigger = Daily(4, 0);
    trigger.Flags = TASK_TRIGGER_FLAG_DISABLED;
    EXPECT_FALSE(
        CronLine(trigger, "/usr/bin/velmoran", "\"/a.vmp\" /backup", "/usr/bin/velmoran", Today));

    trigger.Flags = 0;
    trigger.DaysInterval = 3;
    EXPECT_EQ(
        *CronLine(trigger, "/usr/bin/velmoran", "\"/a.vmp\" /backup", "/usr/bin/velmoran", Today),
        "0 4 * * * '/usr/bin/velmoran' /due 1 20260101 3 0 && '/usr/bin/velmoran' "
        "'/a.vmp' '/backup'");

    // The guard's exit status decides: "false" stands in for a day check that says no.
    TempDir dir;
    const std::string no =
        CronCommand(*CronLine(trigger, "/usr/bin/printf", "ran", "/bin/false", Today));
    EXPECT_EQ(RunAsCron(no + "; true", dir), "");
    const std::string yes =
        CronCommand(*CronLine(trigger, "/usr/bin/printf", "ran", "/bin/true", Today));
    EXPECT_EQ(RunAsCron(yes, dir), "ran");
}

TEST(CronLineTest, ALineBreakInTheCommandIsRefused) {
    EXPECT_THROW(CronLine(Daily(1, 1), "/usr/bin/velmoran", "\"/a\nb.vmp\" /backup", "", Today),
                 EOleSysError);
}

TEST(CronLineTest, TheDayCheckReadsBackTheTriggerItWasWrittenFor) {
    TTaskTrigger weekly = DefaultTrigger(2026, 2, 26, 8, 0);
    weekly.TriggerType = TTriggerType::Weekly;
    weekly.WeeksInterval = 2;
    weekly.WeekDays = 0x02 | 0x20;
    const std::vector<std::string> args = DueArguments(weekly);
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= 28; ++day) {
            const TDay d{2026, month, day};
            EXPECT_EQ(DueCheckStatus(args, d) == 0, FiresOn(weekly, d)) << month << "/" << day;
        }
    EXPECT_FALSE(DueCheckStatus({"/backup"}, Today));
    EXPECT_EQ(DueCheckStatus({"/due", "1", "2026"}, Today), 2);
    EXPECT_EQ(DueCheckStatus({"/due", "9", "20260101", "1", "0"}, Today), 2);
    EXPECT_EQ(DueCheckStatus({"/due", "1", "2026010x", "1", "0"}, Today), 2);
}
