// Work files that the archiver libraries leave beside an archive when a run is killed during an
// update: recognised by the libraries' own naming, and removed by the next run.
#pragma once

#include "select/TVMFiles.h"

#include <string>

namespace engine {

// True for a name that only an interrupted update of an archive in this directory leaves: the
// archive's name (this directory's archive or one of its history backups) + ".unlha-" or "."
// + 6 characters (the LHA and ZIP libraries), the LHA library's older ".unlha-" + 6
// characters, or the listing cache's "." + cache name + "." + 8 characters + ".tmp".
bool IsStaleWorkFileName(const std::string& name, const std::string& archiveName);

// True for an archive library's work file of an extraction of the member: member + ".unlha-"
// (LHA) or ".unzip-" (ZIP and the other formats) + 6 characters, beside where the member is
// restored.
bool IsExtractionWorkFileName(const std::string& name, const std::string& member);

// True when the name is such a work file of one of the files.
bool IsExtractionWorkFileOfAny(const std::string& name, const selection::TVMFiles& files);

// Deletes the work files among the files of an archive directory; returns the names deleted.
// Only while the run holds the destination's lock: then no live run is writing them.
std::vector<std::string> RemoveStaleWorkFiles(const std::string& archiveDir,
                                              const selection::TVMFiles& files,
                                              const std::string& archiveName);

} // namespace engine
