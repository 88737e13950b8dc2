#include "engine/DestinationLock.h"

#include "platform/CodePage.h"
#include "platform/FileFind.h"
#include "platform/FileUtil.h"

namespace engine {

namespace {

// The directories of a path that do not exist, the deepest first.
std::vector<std::string> MissingDirs(const std::string& path) {
    std::vector<std::string> missing;
    std::string dir = platform::ExcludeTrailingPathDelimiter(platform::ExpandFileName(path));
    while (!dir.empty() && dir != "/" && !platform::EntryExists(dir)) {
        missing.push_back(dir);
        dir = platform::ExcludeTrailingPathDelimiter(platform::ExtractFilePath(dir));
    }
    return missing;
}

// Whether a directory holds nothing but its lock file.
bool HoldsOnlyTheLock(const std::string& dir) {
    std::vector<platform::DirName> names;
    return platform::ReadDirectoryNames(dir, names) && names.size() == 1 &&
           names[0].Name == DestinationLockName;
}

} // namespace

TDestinationLock::TDestinationLock(engine::TRunState& state, const std::string& dstDir,
                                   TMissing missing)
    : dstDir_(dstDir) {
    const std::string lockFile =
        platform::IncludeTrailingPathDelimiter(dstDir) + DestinationLockName;
    if (dstDir.empty() || (missing != TMissing::Create && !platform::DirectoryExists(dstDir)) ||
        (missing == TMissing::CreateNothing && !platform::FileExists(lockFile))) {
        acquired_ = true;
        return;
    }
    created_ = MissingDirs(dstDir);
    // A run that removes its own empty destination can do so between our making it and our
    // locking it; then it is made again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!platform::ForceDirectories(dstDir)) {
            // The item reports that its archive directory cannot be made.
            created_.clear();
            acquired_ = true;
            return;
        }
        lock_ = platform::FileLock::TryAcquire(lockFile);
        if (!lock_) {
            created_.clear();
            state.AddErrorLine(
                platform::FromUtf8(
                    "別のVelmoranが同じバックアップ先を使用中のため、この項目を実行しません：") +
                dstDir);
            return;
        }
        if (lock_->Held() || platform::DirectoryExists(dstDir))
            break;
    }
    // Without a held lock (a place where no file can be made) nothing is removed afterwards.
    if (!lock_ || !lock_->Held())
        created_.clear();
    acquired_ = true;
}

TDestinationLock::~TDestinationLock() {
    if (created_.empty() || !lock_ || !lock_->Held() || !HoldsOnlyTheLock(dstDir_))
        return;
    lock_->RemoveAndRelease();
    for (const auto& dir : created_)
        if (!platform::RemoveDir(dir))
            break;
}

} // namespace engine
