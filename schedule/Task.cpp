#include "schedule/Task.h"

#include "platform/FileUtil.h"
#include "platform/ProgramPath.h"
#include "platform/XdgDirs.h"
#include "schedule/CronLine.h"
#include "schedule/TaskResult.h"

namespace schedule {

namespace {

std::optional<TSchedulerSetup>& DefaultOverride() {
    static std::optional<TSchedulerSetup> setup;
    return setup;
}

TTaskEditor& Editor() {
    static TTaskEditor editor;
    return editor;
}

TDay DayOf(platform::TDateTime dt) {
    TDay day;
    platform::DecodeDate(dt, day.Year, day.Month, day.Day);
    return day;
}

// The comment line above a work item's lines: its name on one line.
std::string NameComment(const std::string& name) {
    std::string comment = "# " + name;
    for (char& c : comment)
        if (c == '\n' || c == '\r')
            c = ' ';
    return comment;
}

} // namespace

TSchedulerSetup DefaultSchedulerSetup() {
    if (DefaultOverride())
        return *DefaultOverride();
    TSchedulerSetup setup;
    setup.TasksDir = platform::ConfigHome() + "/Tarn/Velmoran/tasks";
    setup.Crontab = {"crontab"};
    setup.DaemonRunning = CronDaemonRunning;
    setup.Checker = platform::ProgramPath();
    setup.Now = platform::Now;
    return setup;
}

void SetDefaultSchedulerSetup(std::optional<TSchedulerSetup> setup) {
    DefaultOverride() = std::move(setup);
}

bool CronDaemonRunning() {
    std::vector<platform::DirName> entries;
    if (!platform::ReadDirectoryNames("/proc", entries))
        return false;
    for (const auto& entry : entries) {
        if (entry.Name.empty() || entry.Name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        try {
            std::string comm = platform::ReadFile("/proc/" + entry.Name + "/comm");
            while (!comm.empty() && comm.back() == '\n')
                comm.pop_back();
            if (comm == "cron" || comm == "crond")
                return true;
        } catch (const std::exception&) {
            // the process ended while we looked
        }
    }
    return false;
}

TTaskScheduler::TTaskScheduler(TSchedulerSetup setup)
    : setup_(std::move(setup)), store_(setup_.TasksDir), crontab_(setup_.Crontab) {
    if (!crontab_.Available())
        CheckTaskResult(SCHED_E_SERVICE_NOT_INSTALLED);
    if (setup_.DaemonRunning && !setup_.DaemonRunning())
        CheckTaskResult(SCHED_E_SERVICE_NOT_RUNNING);
}

std::vector<std::string> TTaskScheduler::CronLines(const TWorkItem& changed) const {
    const TDay today = DayOf(setup_.Now ? setup_.Now() : platform::Now());
    std::vector<TWorkItem> items;
    bool placed = false;
    for (const auto& name : store_.Names()) {
        if (name == changed.Name) {
            items.push_back(changed);
            placed = true;
        } else if (auto item = store_.Load(name)) {
            items.push_back(*item);
        }
    }
    if (!placed)
        items.push_back(changed);
    std::vector<std::string> lines;
    for (const auto& item : items) {
        std::vector<std::string> own;
        for (const auto& trigger : item.Triggers)
            if (auto line =
                    CronLine(trigger, item.ApplicationName, item.Parameters, setup_.Checker, today))
                own.push_back(*line);
        if (own.empty())
            continue;
        lines.push_back(NameComment(item.Name));
        lines.insert(lines.end(), own.begin(), own.end());
    }
    return lines;
}

void TTaskScheduler::Install(const TWorkItem& item) const {
    const std::vector<std::string> lines = CronLines(item);
    crontab_.Write(ReplaceBlock(crontab_.Read(), lines));
    if (!platform::DirectoryExists(store_.Dir()))
        platform::ForceDirectories(store_.Dir());
    store_.Save(item);
}

TTaskTrigger TTaskTriggerItem::Trigger() const {
    return task_.WorkItem().Triggers.at(static_cast<std::size_t>(index_));
}

void TTaskTriggerItem::SetTrigger(const TTaskTrigger& trigger) {
    task_.WorkItem().Triggers.at(static_cast<std::size_t>(index_)) = trigger;
    task_.Changed();
}

void TTaskTriggerItem::SetTriggerType(TTriggerType type) {
    TTaskTrigger trigger = Trigger();
    trigger.TriggerType = type;
    SetTrigger(trigger);
}

void TTaskTriggerItem::SetFlag(std::uint32_t mask, bool value) {
    TTaskTrigger trigger = Trigger();
    trigger.Flags = value ? (trigger.Flags | mask) : (trigger.Flags & ~mask);
    SetTrigger(trigger);
}

int TTaskTriggers::Count() const {
    return static_cast<int>(task_.WorkItem().Triggers.size());
}

int TTaskTriggers::Add() {
    const platform::TDateTime now =
        task_.Scheduler().Setup().Now ? task_.Scheduler().Setup().Now() : platform::Now();
    const TDay day = DayOf(now);
    int hour = 0, minute = 0, second = 0, msec = 0;
    platform::DecodeTime(now, hour, minute, second, msec);
    task_.WorkItem().Triggers.push_back(DefaultTrigger(day.Year, day.Month, day.Day, hour, minute));
    return Count() - 1;
}

TTaskTriggerItem& TTaskTriggers::Item(int index) {
    if (index < 0 || index >= Count())
        CheckTaskResult(SCHED_E_TRIGGER_NOT_FOUND);
    auto& item = items_[index];
    if (!item)
        item = std::make_unique<TTaskTriggerItem>(task_, index);
    return *item;
}

TTask::TTask(std::shared_ptr<const TTaskScheduler> scheduler, TWorkItem item)
    : scheduler_(std::move(scheduler)), item_(std::move(item)), triggers_(*this) {}

std::unique_ptr<TTask> TTask::Create(const std::string& name,
                                     std::shared_ptr<const TTaskScheduler> scheduler,
                                     bool createIfMissing) {
    if (!scheduler)
        scheduler = std::make_shared<const TTaskScheduler>();
    if (name.empty())
        CheckTaskResult(SCHED_E_INVALID_TASK);
    std::optional<TWorkItem> item = scheduler->Store().Load(name);
    if (!item) {
        if (!createIfMissing)
            CheckTaskResult(SCHED_E_CANNOT_OPEN_TASK);
        item = TWorkItem{name, {}, {}, {}};
    }
    return std::unique_ptr<TTask>(new TTask(std::move(scheduler), std::move(*item)));
}

void TTask::Changed() {
    if (AutoSave)
        Save();
}

void TTask::SetApplicationName(const std::string& value) {
    item_.ApplicationName = value;
    Changed();
}

void TTask::SetParameters(const std::string& value) {
    item_.Parameters = value;
    Changed();
}

void TTask::Save() {
    scheduler_->Install(item_);
}

void TTask::Edit(void* parentWindow) {
    if (Editor())
        Editor()(*this, parentWindow);
}

void SetTaskEditor(TTaskEditor editor) {
    Editor() = std::move(editor);
}

bool TaskExists(const std::string& name) {
    try {
        return TTaskScheduler().Store().Exists(name);
    } catch (const std::exception&) {
        return false;
    }
}

void GetTaskNames(std::vector<std::string>& names) {
    const TTaskScheduler scheduler;
    names = scheduler.Store().Names();
}

} // namespace schedule
