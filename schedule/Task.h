// The work-item layer: a scheduler opened over the work-item files and the user's crontab, work
// items opened or created by name, their program, parameters and triggers, saved into cron.
#pragma once

#include "platform/DateTime.h"
#include "schedule/Crontab.h"
#include "schedule/TaskTrigger.h"
#include "schedule/WorkItem.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace schedule {

// Where the scheduler keeps its work items and how it reaches cron. Tests replace the parts.
struct TSchedulerSetup {
    std::string TasksDir;                     // the work-item files
    std::vector<std::string> Crontab;         // the crontab command and leading arguments
    std::function<bool()> DaemonRunning;      // whether a cron daemon runs
    std::string Checker;                      // the program that answers the day check
    std::function<platform::TDateTime()> Now; // the local time
};

// $XDG_CONFIG_HOME/Tarn/Velmoran/tasks, "crontab" from PATH, a cron process among the running
// ones, this program, the clock; or what SetDefaultSchedulerSetup put in their place.
TSchedulerSetup DefaultSchedulerSetup();
void SetDefaultSchedulerSetup(std::optional<TSchedulerSetup> setup);

// Whether a process named cron or crond runs (read from /proc).
bool CronDaemonRunning();

class TTaskScheduler {
public:
    // Raises ETaskException "service not installed" without a crontab command, "not started"
    // when no cron daemon runs.
    explicit TTaskScheduler(TSchedulerSetup setup = DefaultSchedulerSetup());

    const TSchedulerSetup& Setup() const { return setup_; }
    const TWorkItemStore& Store() const { return store_; }
    // Writes the work item's file and the crontab block of all work items. The crontab is
    // written first: when cron refuses it, the file stays as it was.
    void Install(const TWorkItem& item) const;
    // The crontab lines of all work items, with `changed` in place of its stored version.
    std::vector<std::string> CronLines(const TWorkItem& changed) const;

private:
    TSchedulerSetup setup_;
    TWorkItemStore store_;
    TCrontabCommand crontab_;
};

// A scheduler's options object; nothing reads or writes it.
class TTaskOptions {};

class TTask;

// One trigger of a work item, read from and written to the work item on every access.
class TTaskTriggerItem {
public:
    TTaskTriggerItem(TTask& task, int index) : task_(task), index_(index) {}
    int Index() const { return index_; }
    TTaskTrigger Trigger() const;
    void SetTrigger(const TTaskTrigger& trigger);
    void SetTriggerType(TTriggerType type);
    // Sets or clears `mask` in the trigger's flags.
    void SetFlag(std::uint32_t mask, bool value);

private:
    TTask& task_;
    int index_;
};

class TTaskTriggers {
public:
    explicit TTaskTriggers(TTask& task) : task_(task) {}
    int Count() const;
    // Adds a trigger (daily from today at the current time) and returns its index.
    int Add();
    // Raises ETaskException "トリガーがありません" for an index that is not a trigger's.
    TTaskTriggerItem& Item(int index);

private:
    TTask& task_;
    std::map<int, std::unique_ptr<TTaskTriggerItem>> items_;
};

class TTask {
public:
    // Opens the work item `name`; when there is none, a new one when `createIfMissing`, else
    // ETaskException (cannot open). Without a scheduler one is opened with the default setup.
    static std::unique_ptr<TTask> Create(const std::string& name,
                                         std::shared_ptr<const TTaskScheduler> scheduler = nullptr,
                                         bool createIfMissing = true);

    const std::string& Name() const { return item_.Name; }
    const std::string& ApplicationName() const { return item_.ApplicationName; }
    void SetApplicationName(const std::string& value);
    const std::string& Parameters() const { return item_.Parameters; }
    void SetParameters(const std::string& value);
    TTaskTriggers& Triggers() { return triggers_; }
    TTaskOptions& Options() { return options_; }
    // When set, every change is saved at once.
    bool AutoSave = false;

    // Writes the work item and its crontab lines.
    void Save();
    // Lets the user change when the work item runs, through the editor SetTaskEditor put in
    // place (the window's trigger dialog); nothing happens without one.
    void Edit(void* parentWindow);

    const TWorkItem& WorkItem() const { return item_; }
    TWorkItem& WorkItem() { return item_; }
    const TTaskScheduler& Scheduler() const { return *scheduler_; }

    TTask(const TTask&) = delete;
    TTask& operator=(const TTask&) = delete;

private:
    friend class TTaskTriggerItem;
    TTask(std::shared_ptr<const TTaskScheduler> scheduler, TWorkItem item);
    // Saves at once when AutoSave is set.
    void Changed();

    std::shared_ptr<const TTaskScheduler> scheduler_;
    TWorkItem item_;
    TTaskOptions options_;
    TTaskTriggers triggers_;
};

using TTaskEditor = std::function<void(TTask& task, void* parentWindow)>;
void SetTaskEditor(TTaskEditor editor);

// Whether a work item of that name exists; any failure answers false.
bool TaskExists(const std::string& name);
// The work items' names (raises when the scheduler cannot be opened).
void GetTaskNames(std::vector<std::string>& names);

} // namespace schedule
