// The lock of a destination directory, held while an item runs there, so that two runs over the
// same destination (a scheduled one meeting a manual one, two first runs into a destination that
// does not exist yet) never interleave. The lock file is ".velmoran.lock" in the destination.
#pragma once

#include "engine/RunState.h"
#include "platform/FileLock.h"

#include <optional>
#include <string>
#include <vector>

namespace engine {

class TDestinationLock {
public:
    // What a destination that does not exist yet means to the run: a backup creates it (with
    // its parents, as the backup would anyway) and locks it; a restore or cleanup has nothing
    // to read there, creates nothing and runs unlocked. A verify creates nothing at all: without
    // the destination or without its lock file (no run of ours has worked there) it runs
    // unlocked.
    enum class TMissing { Create, RunUnlocked, CreateNothing };

    // Takes the lock; when another run holds it, logs the refusal as an error line.
    TDestinationLock(engine::TRunState& state, const std::string& dstDir, TMissing missing);
    // Releases the lock. Directories created for it that still hold nothing but the lock file
    // (the item was refused or did nothing) are removed again, with the lock file.
    ~TDestinationLock();
    TDestinationLock(const TDestinationLock&) = delete;
    TDestinationLock& operator=(const TDestinationLock&) = delete;

    // Whether the item may run.
    bool Acquired() const { return acquired_; }

private:
    std::string dstDir_;
    std::optional<platform::FileLock> lock_;
    // The directories made for the lock, the deepest first.
    std::vector<std::string> created_;
    bool acquired_ = false;
};

// The name of the lock file inside a destination directory.
inline constexpr const char* DestinationLockName = ".velmoran.lock";

} // namespace engine
