// The private directories below the working directory that hold the old versions of one
// directory pass: "$vm$old" + digits, each with the lock file "<directory>.lock" beside it that
// its run holds for as long as the directory exists. A run that is killed cannot remove its
// directory; the next run finds its lock free and removes both.
#pragma once

#include "engine/RunState.h"
#include "platform/FileLock.h"

#include <optional>
#include <string>
#include <utility>

namespace engine {

class TScratchDirectory {
public:
    // Takes the lock of a fresh name, then makes the directory (mode 0700); nullopt when no
    // directory can be made.
    static std::optional<TScratchDirectory> Create(const std::string& tempDir);

    TScratchDirectory(TScratchDirectory&& other) noexcept
        : path_(std::exchange(other.path_, {})), lock_(std::move(other.lock_)), keep_(other.keep_) {
    }
    TScratchDirectory& operator=(TScratchDirectory&&) = delete;
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;
    // Deletes the directory (unless kept), then its lock file with it, and releases the lock.
    // A directory that cannot be deleted keeps its lock file, for a later run to try again.
    ~TScratchDirectory();

    const std::string& Path() const { return path_; }
    // Leaves the directory and its lock file in place (debug mode keeps the extracted copies).
    void Keep() { keep_ = true; }

private:
    TScratchDirectory(std::string path, platform::FileLock lock)
        : path_(std::move(path)), lock_(std::move(lock)) {}

    std::string path_;
    platform::FileLock lock_;
    bool keep_ = false;
};

// Whether a name is that of a scratch directory: "$vm$old" followed by digits only.
bool IsScratchDirName(const std::string& name);

// Removes from the working directory every scratch directory whose lock can be taken (its run
// has ended) together with its lock file, directories without a lock file (made before there
// were any) and lock files left without their directory. Live runs' directories stay. Each
// removal is a run-log line; one that fails is an error line. In debug mode nothing is removed:
// the debug screen lists what would be.
void RemoveStaleScratchDirs(engine::TRunState& state);

} // namespace engine
