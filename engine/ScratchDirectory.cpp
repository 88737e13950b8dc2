#include "engine/ScratchDirectory.h"

#include "platform/CodePage.h"
#include "platform/FileFind.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"

#include <random>
#include <vector>

namespace engine {

namespace {

const std::string ScratchPrefix = "$vm$old";
const std::string LockSuffix = ".lock";

bool AllDigits(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to)
        return false;
    for (std::size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// "$vm$old" + digits + ".lock".
bool IsScratchLockName(const std::string& name) {
    return name.size() > LockSuffix.size() &&
           name.compare(name.size() - LockSuffix.size(), LockSuffix.size(), LockSuffix) == 0 &&
           IsScratchDirName(name.substr(0, name.size() - LockSuffix.size()));
}

} // namespace

bool IsScratchDirName(const std::string& name) {
    return name.compare(0, ScratchPrefix.size(), ScratchPrefix) == 0 &&
           AllDigits(name, ScratchPrefix.size(), name.size());
}

std::optional<TScratchDirectory> TScratchDirectory::Create(const std::string& tempDir) {
    static std::mt19937_64 generator{std::random_device{}()};
    const std::string prefix = platform::IncludeTrailingPathDelimiter(tempDir) + ScratchPrefix;
    for (int attempt = 0; attempt < 32; ++attempt) {
        const std::string dir = prefix + std::to_string(generator() % 100000000);
        // The lock comes first: a directory is never without its live lock.
        std::optional<platform::FileLock> lock = platform::FileLock::TryAcquire(dir + LockSuffix);
        if (!lock || !lock->Held())
            continue; // in use by another run, or no file can be made there
        if (platform::MakePrivateDirectory(dir))
            return TScratchDirectory(dir, std::move(*lock));
        // The name belongs to a directory of an ended run (left for the sweep with its lock
        // file), or no directory can be made; a lock file made for nothing goes again.
        if (!platform::EntryExists(dir))
            lock->RemoveAndRelease();
    }
    return std::nullopt;
}

TScratchDirectory::~TScratchDirectory() {
    if (path_.empty() || keep_)
        return;
    try {
        selection::DeleteTree(path_);
    } catch (const platform::EFileError&) {
        return; // the lock file stays with the directory
    }
    lock_.RemoveAndRelease();
}

void RemoveStaleScratchDirs(engine::TRunState& state) {
    const std::string& tempDir = state.TempDir;
    std::vector<platform::DirName> names;
    if (tempDir.empty() || !platform::ReadDirectoryNames(tempDir, names))
        return;
    const std::string prefix = platform::IncludeTrailingPathDelimiter(tempDir);
    bool headed = false;
    const auto listInDebugMode = [&](const std::string& path) {
        if (!headed)
            state.AddStampedLine(" Scratch directories of ended runs (kept in debug mode):");
        headed = true;
        state.AddLine("  " + path);
    };
    for (const auto& entry : names) {
        const std::string path = prefix + entry.Name;
        if (entry.IsDirectory && IsScratchDirName(entry.Name)) {
            std::optional<platform::FileLock> lock =
                platform::FileLock::TryAcquire(path + LockSuffix);
            if (!lock || !lock->Held())
                continue; // a live run's, or not ours to judge
            if (state.DebugMode) {
                listInDebugMode(path);
                continue;
            }
            try {
                selection::DeleteTree(path);
            } catch (const platform::EFileError& e) {
                state.AddErrorLine(
                    platform::FromUtf8("終了した実行の作業ディレクトリを削除できません：") + path +
                    " (" + e.what() + ")");
                continue;
            }
            lock->RemoveAndRelease();
            state.AddLogLine(platform::FromUtf8("終了した実行の作業ディレクトリを削除しました：") +
                             path);
        } else if (!entry.IsDirectory && IsScratchLockName(entry.Name)) {
            const std::string dir = path.substr(0, path.size() - LockSuffix.size());
            if (platform::EntryExists(dir))
                continue; // handled with its directory
            std::optional<platform::FileLock> lock = platform::FileLock::TryAcquire(path);
            // Held by a run that is about to make its directory, or not ours.
            if (!lock || !lock->Held() || platform::EntryExists(dir))
                continue;
            if (state.DebugMode)
                listInDebugMode(path);
            else
                lock->RemoveAndRelease();
        }
    }
}

} // namespace engine
