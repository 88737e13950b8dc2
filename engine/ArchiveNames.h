// Where the archives of a source directory live: its archive directory, the archive and this
// run's history backup.
#pragma once

#include "engine/RunState.h"
#include "platform/DateTime.h"

#include <string>

namespace engine {

// The archive directory of a source directory below a destination: destination + "/" + the
// source's last component ("nil" for the root "/").
std::string ArchiveDirFor(const std::string& src, const std::string& dst);

struct TArchiveNames {
    std::string Archive; // the latest versions
    std::string History; // this run's history backup: "$vm$" + yyyymmddhhnnss
};

// The archive is named after the source directory without its extension ("root" for "/"), or
// "vm" when dirNameAsLzhName is off; ".lzh" or ".zip" by the archiver type.
TArchiveNames MakeArchiveNames(const std::string& src, const std::string& archiveDir,
                               platform::TDateTime time, bool dirNameAsLzhName,
                               engine::TVMArchiverType type);

// The history backup a pass at `time` writes: the name of its time, or when an earlier run in
// the same second left one of that name, the first free second after it. A history backup is
// never added to by a later run, which would replace its versions of the same files.
std::string FreeHistoryName(const std::string& archiveDir, platform::TDateTime time,
                            engine::TVMArchiverType type);

// The history directory that an archive directory `name`, whose source directory went away,
// becomes at `time`: "$vm$" + name + yyyymmddhhnnss, or the first free second after it (a
// directory is never renamed over another one).
std::string FreeHistoryDirName(const std::string& archiveDir, const std::string& name,
                               platform::TDateTime time);

// The archive extension of a type, ".lzh" or ".zip".
std::string ArchiveExtension(engine::TVMArchiverType type);

// The history prefix of archives and directories.
inline constexpr const char* HistoryPrefix = "$vm$";

// A history backup's name (lower-cased): "$vm$" + digits + the archive extension.
bool IsHistoryFileName(const std::string& name, const std::string& ext);
// A history directory's name: "$vm$" + anything + a final digit.
bool IsHistoryDirName(const std::string& name);

} // namespace engine
