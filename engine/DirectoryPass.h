// Pieces shared by the per-directory passes of backup, restore and history cleanup.
#pragma once

#include "definition/TVMTask.h"
#include "host/RunHost.h"

#include <string>

namespace engine {

// Clears the two status panels when a directory pass ends, however it ends.
class StatusPanelReset {
public:
    explicit StatusPanelReset(host::TRunHost& host) : host_(host) {}
    ~StatusPanelReset() {
        host_.SetStatusText(1, "");
        host_.SetStatusText(0, "");
    }
    StatusPanelReset(const StatusPanelReset&) = delete;
    StatusPanelReset& operator=(const StatusPanelReset&) = delete;

private:
    host::TRunHost& host_;
};

// The longest path the system takes (PATH_MAX counts the terminating NUL).
inline constexpr std::size_t kMaxPath = 4095;
// The longest name of one directory entry the system takes (NAME_MAX).
inline constexpr std::size_t kMaxName = 255;

// The key under which two paths name the same directory: absolute, without "." and ".."
// components, doubled or trailing delimiters; compared by exact bytes on this platform.
std::string NormalisedPath(const std::string& path);

// True when a subdirectory of this name would have its archive directory where the directory's
// own archive or listing cache lies.
bool IsOwnFileName(const std::string& name, const std::string& archive);

// The item a pass runs for a subdirectory: a copy of the item with the subdirectory as its one
// source, the parent's archive directory as its destination and no message before it.
definition::TVMTask SubdirectoryItem(const definition::TVMTask& item, const std::string& src,
                                     const std::string& subdir, const std::string& archiveDir);

} // namespace engine
