// Work files that the archiver libraries leave beside an archive when a run is killed during an
// update: recognised by the libraries' own naming, and removed by the next run.
#pragma once

#include "select/TVMFiles.h"

#include <string>

namespace engine {

// True for a name that only an interrupted update of an archive in this directory leaves: the
// LHA library's ".unlha-" + 6 characters, the ZIP library's archive name + "." + 6 characters
// (the archive being this directory's or one of its history backups), or the listing cache's
// "." + cache name + "." + 8 characters + ".tmp".
bool IsStaleWorkFileName(const std::string& name, const std::string& archiveName);

// Deletes the work files among the files of an archive directory; returns the names deleted.
// Only while the run holds the destination's lock: then no live run is writing them.
std::vector<std::string> RemoveStaleWorkFiles(const std::string& archiveDir,
                                              const selection::TVMFiles& files,
                                              const std::string& archiveName);

} // namespace engine
