// Work items through the real crontab command, and scheduled lines run as cron runs them.
#include "schedule/CronLine.h"
#include "schedule/Task.h"
#include "tests/integration/backup/RunFixture.h"
#include "tests/support/Cron.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace schedule;
using namespace testing_support;

namespace {

// A user made for one test and removed with its crontab afterwards.
class ThrowawayUser {
public:
    ThrowawayUser() : name_("vmcron" + std::to_string(::getpid())) {
        const std::string add = "useradd --no-create-home --shell /bin/sh " + name_ + " 2>&1";
        made_ = std::system(add.c_str()) == 0;
    }
    ~ThrowawayUser() {
        if (!made_)
            return;
        std::system(("crontab -u " + name_ + " -r 2>/dev/null").c_str());
        std::system(("userdel " + name_ + " 2>/dev/null").c_str());
    }
    ThrowawayUser(const ThrowawayUser&) = delete;
    ThrowawayUser& operator=(const ThrowawayUser&) = delete;
    bool Made() const { return made_; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    bool made_ = false;
};

bool HaveCrontab() {
    return std::system("command -v crontab >/dev/null 2>&1") == 0;
}

} // namespace

TEST(CronRunTest, WorkItemsGoIntoARealCrontabAndLeaveNoTrace) {
    if (::geteuid() != 0 || !HaveCrontab())
        GTEST_SKIP() << "needs root and the crontab command (Debian package cron)";
    TempDir dir;
    std::string spool;
    {
        ThrowawayUser user;
        ASSERT_TRUE(user.Made());
        const std::string crontab = "crontab -u " + user.Name();
        ASSERT_EQ(
            std::system(
                ("printf 'MAILTO=\"\"\\n# mine\\n5 4 * * * true\\n' | " + crontab + " -").c_str()),
            0);
        TSchedulerSetup setup;
        setup.TasksDir = dir / "tasks";
        setup.Crontab = {"crontab", "-u", user.Name()};
        setup.DaemonRunning = [] { return true; };
        setup.Checker = VELMORAN_BINARY;
        setup.Now = [] { return platform::EncodeDateTime(2026, 12, 7, 3, 15, 0, 0); };
        const auto scheduler = std::make_shared<const TTaskScheduler>(setup);

        auto task = TTask::Create("Velmoranによるバックアップ", scheduler);
        task->SetApplicationName(VELMORAN_BINARY);
        task->SetParameters("\"/home/u/a b.vmp\" /backup");
        task->Triggers().Add();
        task->Save();
        const std::string table = Capture(crontab + " -l");
        EXPECT_EQ(table, std::string("MAILTO=\"\"\n# mine\n5 4 * * * true\n") + BlockBegin +
                             "\n# Velmoranによるバックアップ\n15 3 * * * '" + VELMORAN_BINARY +
                             "' '/home/u/a b.vmp' '/backup'\n" + BlockEnd + "\n");

        // Disabled, the work item keeps its file but has no line; the user's lines stay.
        task->Triggers().Item(0).SetFlag(TASK_TRIGGER_FLAG_DISABLED, true);
        task->Save();
        EXPECT_EQ(Capture(crontab + " -l"), "MAILTO=\"\"\n# mine\n5 4 * * * true\n");
        spool = "/var/spool/cron/crontabs/" + user.Name();
        EXPECT_TRUE(std::filesystem::exists(spool));
    }
    EXPECT_FALSE(std::filesystem::exists(spool)) << "the throwaway user's crontab is left";
}

class ScheduledLineTest : public RunFixture {
protected:
    // Runs a crontab line's command as cron would: /bin/sh -c with only HOME, PATH and SHELL.
    int RunLine(const std::string& line) {
        const std::string script = home.Write("line.sh", CronCommand(line));
        const std::string cmd = "cd / && env -i HOME=" + ShellQuote(home.Path()) +
                                " PATH=/usr/bin:/bin SHELL=/bin/sh /bin/sh -c \"$(cat " +
                                ShellQuote(script) + ")\" >" + ShellQuote(home / "out.txt") +
                                " 2>&1 </dev/null";
        const int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

TEST_F(ScheduledLineTest, ALineBacksUpADefinitionWhosePathHoldsABlankAndAPercent) {
    Write("src/file.txt", "contents");
    std::filesystem::create_directories(home / "my 100% defs");
    const std::string def = Save({Item()}, "my 100% defs/daily $HOME.vmp");
    TDay today;
    platform::DecodeDate(platform::Now(), today.Year, today.Month, today.Day);

    // Every other day from yesterday: today the day check says no and nothing runs.
    TTaskTrigger trigger = DefaultTrigger(today.Year, today.Month, today.Day, 2, 0);
    trigger.DaysInterval = 2;
    trigger.BeginDay -= 1;
    if (trigger.BeginDay < 1)
        trigger.BeginMonth -= 1, trigger.BeginDay = 28, trigger.DaysInterval = 0;
    if (trigger.DaysInterval == 2) {
        const auto skipped =
            CronLine(trigger, VELMORAN_BINARY, "\"" + def + "\" /backup", VELMORAN_BINARY, today);
        ASSERT_TRUE(skipped);
        EXPECT_NE(RunLine(*skipped), 0);
        EXPECT_FALSE(std::filesystem::exists(home / "dst/src/src.lzh"));
    }

    // Every other day from today: it runs, headless, and writes its run log.
    trigger.BeginMonth = today.Month, trigger.BeginDay = today.Day, trigger.DaysInterval = 2;
    const auto line =
        CronLine(trigger, VELMORAN_BINARY, "\"" + def + "\" /backup", VELMORAN_BINARY, today);
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("\\%"), std::string::npos) << *line;
    EXPECT_EQ(RunLine(*line), 0) << ReadAll(home / "out.txt");
    EXPECT_TRUE(std::filesystem::exists(home / "dst/src/src.lzh")) << ReadAll(home / "out.txt");
    EXPECT_NE(ReadAll(home / ".local/state/Tarn/Velmoran/Velmoran.LOG").find("バックアップ完了"),
              std::string::npos);
}
