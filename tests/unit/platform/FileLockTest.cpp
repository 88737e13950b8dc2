#include "platform/FileLock.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::FileLock;
using testing_support::TempDir;

namespace {

// Whether another open of the file can take its lock now.
bool Free(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

TEST(FileLockTest, HeldWhileTheObjectLivesAndRefusedToOthers) {
    TempDir dir;
    const std::string path = dir / "a.lock";
    {
        std::optional<FileLock> lock = FileLock::TryAcquire(path);
        ASSERT_TRUE(lock);
        EXPECT_TRUE(lock->Held());
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_FALSE(Free(path));
        EXPECT_FALSE(FileLock::TryAcquire(path)); // a second open is refused too
        FileLock moved = std::move(*lock);
        lock.reset();
        EXPECT_FALSE(Free(path)); // the moved lock still holds
    }
    EXPECT_TRUE(Free(path));
    EXPECT_TRUE(std::filesystem::exists(path)); // released, the file stays
}

TEST(FileLockTest, RemoveAndReleaseLeavesNoFileAndALaterLockMakesANewOne) {
    TempDir dir;
    const std::string path = dir / "b.lock";
    std::optional<FileLock> lock = FileLock::TryAcquire(path);
    ASSERT_TRUE(lock && lock->Held());
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    // One who opened the file before its removal and then finds it gone does not hold it.
    const int stale = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(stale, 0);
    lock->RemoveAndRelease();
    EXPECT_FALSE(lock->Held());
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(::flock(stale, LOCK_EX | LOCK_NB), 0); // the removed file locks, but names nothing
    std::optional<FileLock> again = FileLock::TryAcquire(path);
    ASSERT_TRUE(again && again->Held());
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // the old file is still open: a new one
    EXPECT_FALSE(Free(path));
    ::close(stale);
}

TEST(FileLockTest, NoLockFileMeansNothingHeldAndALinkIsNeverFollowed) {
    TempDir dir;
    std::optional<FileLock> nowhere = FileLock::TryAcquire(dir / "missing/c.lock");
    ASSERT_TRUE(nowhere);
    EXPECT_FALSE(nowhere->Held());
    nowhere->RemoveAndRelease(); // nothing to remove
    dir.Write("target", "keep");
    std::filesystem::create_symlink(dir / "target", dir / "link.lock");
    std::optional<FileLock> link = FileLock::TryAcquire(dir / "link.lock");
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->Held());
    EXPECT_EQ(testing_support::ReadAll(dir / "target"), "keep");
}

} // namespace
