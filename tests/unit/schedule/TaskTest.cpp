#include "schedule/Task.h"
#include "schedule/CronLine.h"
#include "schedule/TaskResult.h"
#include "tests/support/FakeCrontab.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace schedule;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

class TaskTest : public ::testing::Test {
protected:
    TaskTest() {
        const std::string fake = testing_support::WriteFakeCrontab(dir, Table(), dir / "refuse");
        setup.TasksDir = dir / "tasks";
        setup.Crontab = {fake};
        setup.DaemonRunning = [this] { return daemonRunning; };
        setup.Checker = "/usr/bin/velmoran";
        setup.Now = [] { return platform::EncodeDateTime(2026, 12, 7, 21, 45, 0, 0); };
        SetDefaultSchedulerSetup(setup);
    }
    ~TaskTest() override { SetDefaultSchedulerSetup(std::nullopt); }

    std::string Table() const { return dir / "table"; }

    TempDir dir;
    TSchedulerSetup setup;
    bool daemonRunning = true;
};

} // namespace

TEST_F(TaskTest, ANewWorkItemIsSavedAsItsFileAndItsCrontabLines) {
    dir.Write("table", "0 1 * * * mine\n");
    std::vector<std::string> names;
    GetTaskNames(names);
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(TaskExists("Velmoranによるバックアップ"));

    auto task = TTask::Create("Velmoranによるバックアップ");
    EXPECT_EQ(task->Triggers().Count(), 0);
    EXPECT_EQ(task->Triggers().Add(), 0);
    task->Triggers().Item(0).SetFlag(TASK_TRIGGER_FLAG_DISABLED, false);
    task->SetApplicationName("/usr/bin/velmoran");
    task->SetParameters("\"/home/u/100% a.vmp\" /backup");
    EXPECT_FALSE(TaskExists("Velmoranによるバックアップ")); // nothing is written before Save
    task->Save();

    EXPECT_TRUE(TaskExists("Velmoranによるバックアップ"));
    GetTaskNames(names);
    EXPECT_EQ(names, std::vector<std::string>{"Velmoranによるバックアップ"});
    EXPECT_EQ(ReadAll(Table()),
              std::string("0 1 * * * mine\n") + BlockBegin +
                  "\n# Velmoranによるバックアップ\n"
                  "45 21 * * * '/usr/bin/velmoran' '/home/u/100\\% a.vmp' '/backup'\n" +
                  BlockEnd + "\n");

    // Opened again, it holds what was saved.
    auto again = TTask::Create("Velmoranによるバックアップ", nullptr, false);
    EXPECT_EQ(again->ApplicationName(), "/usr/bin/velmoran");
    EXPECT_EQ(again->Parameters(), "\"/home/u/100% a.vmp\" /backup");
    ASSERT_EQ(again->Triggers().Count(), 1);
    EXPECT_EQ(again->Triggers().Item(0).Trigger(), DefaultTrigger(2026, 12, 7, 21, 45));
}

TEST_F(TaskTest, ChangingOneWorkItemRewritesTheBlockOfAll) {
    for (const char* name : {"a/b", "zz"}) {
        auto task = TTask::Create(name);
        task->Triggers().Add();
        task->SetApplicationName("/p");
        task->SetParameters(std::string("\"") + name + "\" /backup");
        task->Save();
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "tasks/a%2Fb.job"));
    auto task = TTask::Create("zz");
    task->Triggers().Item(0).SetFlag(TASK_TRIGGER_FLAG_DISABLED, true);
    task->AutoSave = true;
    task->SetParameters("\"zz\" /restore");
    const std::string table = ReadAll(Table());
    EXPECT_NE(table.find("# a/b\n45 21 * * * '/p' 'a/b' '/backup'\n"), std::string::npos) << table;
    EXPECT_EQ(table.find("zz"), std::string::npos) << "a disabled trigger wrote a line: " << table;
    EXPECT_EQ(TTask::Create("zz")->Parameters(), "\"zz\" /restore");

    task->Triggers().Item(0).SetTriggerType(TTriggerType::Weekly); // no weekday: never runs
    task->Triggers().Item(0).SetFlag(TASK_TRIGGER_FLAG_DISABLED, false);
    EXPECT_EQ(ReadAll(Table()).find("zz"), std::string::npos);
}

TEST_F(TaskTest, FailuresReachTheCallerAsTheirMessagesAndWriteNothing) {
    try {
        TTask::Create("x")->Triggers().Item(0);
        FAIL();
    } catch (const ETaskException& e) {
        EXPECT_STREQ(e.what(), "トリガーがありません");
    }
    EXPECT_THROW(TTask::Create("missing", nullptr, false), ETaskException);
    EXPECT_THROW(TTask::Create(""), ETaskException);

    // Cron refuses the table: the work item's file is not written either.
    dir.Write("refuse", "");
    auto task = TTask::Create("refused");
    task->Triggers().Add();
    EXPECT_THROW(task->Save(), EOleSysError);
    EXPECT_FALSE(TaskExists("refused"));
    std::filesystem::remove(dir / "refuse");

    // A work item file that is not one.
    std::filesystem::create_directories(dir / "tasks");
    dir.Write("tasks/broken.job", "[WorkItem]\nProgram=/p\n[Trigger0]\nType=7\n");
    try {
        TTask::Create("broken");
        FAIL();
    } catch (const ETaskException& e) {
        EXPECT_EQ(e.ErrorCode(), SCHED_E_INVALID_TASK);
    }

    // No cron daemon, no crontab command: the scheduler's own messages.
    daemonRunning = false;
    std::vector<std::string> names;
    try {
        GetTaskNames(names);
        FAIL();
    } catch (const ETaskException& e) {
        EXPECT_STREQ(e.what(), "タスクスケジューラサービスは開始されていません");
    }
    EXPECT_FALSE(TaskExists("broken"));
    daemonRunning = true;
    setup.Crontab = {dir / "nothing-here"};
    SetDefaultSchedulerSetup(setup);
    try {
        GetTaskNames(names);
        FAIL();
    } catch (const ETaskException& e) {
        EXPECT_EQ(e.ErrorCode(), SCHED_E_SERVICE_NOT_INSTALLED);
    }
}

TEST_F(TaskTest, TheEditorSetForTheWindowEditsTheWorkItem) {
    auto task = TTask::Create("edited");
    task->Edit(nullptr); // no editor: nothing happens
    EXPECT_EQ(task->Triggers().Count(), 0);
    void* seenParent = nullptr;
    int parent = 0;
    SetTaskEditor([&](TTask& t, void* p) {
        seenParent = p;
        t.Triggers().Add();
        t.Save();
    });
    task->Edit(&parent);
    SetTaskEditor(nullptr);
    EXPECT_EQ(seenParent, &parent);
    EXPECT_TRUE(TaskExists("edited"));
}
