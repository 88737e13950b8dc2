// The archive a packing or deleting command changes: whether it exists, whether it may be
// written, and the mode the new version gets.
#pragma once

#include <string>
#include <sys/types.h>

namespace unlha {

struct ArchiveTarget {
    bool exists = false;
    mode_t mode = 0644; // of the existing archive, or 0666 less the umask for a new one
};

// Examines the archive. An existing archive without owner write permission is write-protected
// (ArchiveError ARC_ERROR_ARC_READ_ONLY); a path that is not a regular file is no archive.
ArchiveTarget ExamineTarget(const std::string& archive);

} // namespace unlha
