// The kept versions of one file: where a path of a definition's source directories is backed
// up, and every version of it that the destinations hold (the latest archive, the history
// backups beside it and the history directories of the directories above it).
#pragma once

#include "definition/TVMDefinition.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// One version of a file, as an archive holds it.
struct TFileVersion {
    platform::TDateTime Time = 0; // the file's own last-write time of this version
    std::int64_t Size = 0;
    std::string Archive;              // the archive that holds it
    std::string Member;               // its member name there
    std::vector<std::string> Streams; // the member names of its extended attributes there
    bool Latest = false;              // in the directory's own archive, not in a history one
};

struct TFileVersions {
    // Newest first; among versions of one time, the latest archive first, then the newer
    // history backups.
    std::vector<TFileVersion> Versions;
    // Archives that could not be listed to their end (what they did list is among Versions).
    std::vector<std::string> Unreadable;
};

// Where a file lies below one item's source directory.
struct TFileLocation {
    std::size_t Item = 0;             // the item's index in the definition
    std::string SourceDir;            // the item's source directory as the item names it
    std::vector<std::string> Subdirs; // the directories between it and the file
    std::string FileName;
};

// Every item source directory the path lies below (directly, or deeper when the item takes
// subdirectories), in the definition's order. The path is made absolute first.
std::vector<TFileLocation> LocateFile(const definition::TVMDefinition& def,
                                      const std::string& path);

// The stamp of a version's time that the command line names it by: yyyymmddhhnnss.
std::string VersionStamp(platform::TDateTime time);

// The outcome of bringing one version back.
enum class TVersionRestore { Restored, Declined, Failed };

} // namespace engine
