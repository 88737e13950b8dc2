// Work items as files: one file a work item, holding the program it starts, its parameters and
// its triggers. The files are the truth from which the crontab block is written.
#pragma once

#include "schedule/TaskTrigger.h"

#include <optional>
#include <string>
#include <vector>

namespace schedule {

struct TWorkItem {
    std::string Name;
    std::string ApplicationName;
    std::string Parameters;
    std::vector<TTaskTrigger> Triggers;
};

class TWorkItemStore {
public:
    explicit TWorkItemStore(std::string dir) : dir_(std::move(dir)) {}

    const std::string& Dir() const { return dir_; }
    // The work items' names, sorted.
    std::vector<std::string> Names() const;
    bool Exists(const std::string& name) const;
    // Nothing when there is no such work item; raises ETaskException (not a valid work item) when
    // its file cannot be read as one.
    std::optional<TWorkItem> Load(const std::string& name) const;
    // Writes the work item's file whole (a temporary file renamed over the old one).
    void Save(const TWorkItem& item) const;
    // The file of a work item: its name with "/", "%", control characters and a leading "." as
    // %XX, and ".job".
    std::string PathOf(const std::string& name) const;

private:
    std::string dir_;
};

} // namespace schedule
