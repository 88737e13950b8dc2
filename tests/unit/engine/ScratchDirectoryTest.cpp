#include "engine/ScratchDirectory.h"
#include "tests/unit/engine/EngineFixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace engine;
using testing_support::EngineFixture;

namespace {

namespace fs = std::filesystem;

class ScratchDirectoryTest : public EngineFixture {
protected:
    std::string Work(const std::string& name) const { return state.TempDir + "/" + name; }
    bool Exists(const std::string& name) const {
        return fs::exists(fs::symlink_status(Work(name)));
    }
    // Holds the lock of a scratch directory as a live run would (another open file: flock
    // refuses it to every other open, this process's included).
    int HoldLock(const std::string& name) const {
        const int fd = ::open(Work(name).c_str(), O_RDWR | O_CREAT, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        return fd;
    }
    std::string LogText() const {
        std::string all;
        for (const auto& line : state.RunLog.Lines())
            all += line + "\n";
        return all;
    }
};

TEST_F(ScratchDirectoryTest, NamesAreThePrefixAndDigits) {
    EXPECT_TRUE(IsScratchDirName("$vm$old0"));
    EXPECT_TRUE(IsScratchDirName("$vm$old12345678"));
    EXPECT_FALSE(IsScratchDirName("$vm$old"));
    EXPECT_FALSE(IsScratchDirName("$vm$oldies"));
    EXPECT_FALSE(IsScratchDirName("$vm$old12.lock"));
    EXPECT_FALSE(IsScratchDirName("$VM$old12"));
    EXPECT_FALSE(IsScratchDirName("$vm$20240101120000"));
}

TEST_F(ScratchDirectoryTest, LockedWhileItExistsAndRemovedWithItsLockFile) {
    std::string path;
    {
        std::optional<TScratchDirectory> dir = TScratchDirectory::Create(state.TempDir);
        ASSERT_TRUE(dir);
        path = dir->Path();
        EXPECT_EQ(path.rfind(state.TempDir + "/$vm$old", 0), 0u) << path;
        EXPECT_TRUE(IsScratchDirName(fs::path(path).filename()));
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_TRUE(fs::is_regular_file(path + ".lock"));
        tmp.Write(fs::path(path).lexically_relative(tmp.Path()).string() + "/old.txt", "v1");
        // A sweep meanwhile leaves the live directory alone.
        RemoveStaleScratchDirs(state);
        EXPECT_TRUE(fs::exists(path + "/old.txt"));
        EXPECT_EQ(state.RunLog.Lines().size(), 0u);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + ".lock"));
    EXPECT_TRUE(fs::is_empty(state.TempDir));

    // Kept (debug mode): the directory stays with its lock file, for a later sweep.
    {
        std::optional<TScratchDirectory> dir = TScratchDirectory::Create(state.TempDir);
        ASSERT_TRUE(dir);
        path = dir->Path();
        dir->Keep();
    }
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(fs::exists(path + ".lock"));

    // No working directory to make it in.
    EXPECT_FALSE(TScratchDirectory::Create(tmp / "missing"));
}

TEST_F(ScratchDirectoryTest, SweepRemovesWhatEndedRunsLeftAndNothingElse) {
    for (const char* dir : {"$vm$old11", "$vm$old22", "$vm$old33", "$vm$oldies", "$vm$old77"}) {
        fs::create_directories(Work(dir));
        tmp.Write(std::string("work/") + dir + "/member.txt", "old version");
    }
    const int live = HoldLock("$vm$old11.lock");  // a live run's
    tmp.Write("work/$vm$old33.lock", "");         // an ended run's, lock free
    tmp.Write("work/$vm$old44.lock", "");         // a lock file left without its directory
    tmp.Write("work/$vm$old55", "a user's file"); // not a directory
    tmp.Write("work/notes.txt", "mine");
    fs::create_directory_symlink(Work("$vm$old77"), Work("$vm$old88")); // a link is no directory
    // $vm$old22 has no lock file: made before there were any, so its run is gone.

    RemoveStaleScratchDirs(state);
    EXPECT_TRUE(fs::exists(Work("$vm$old11/member.txt")));
    EXPECT_TRUE(Exists("$vm$old11.lock"));
    for (const char* gone : {"$vm$old22", "$vm$old22.lock", "$vm$old33", "$vm$old33.lock",
                             "$vm$old44.lock", "$vm$old77", "$vm$old77.lock"})
        EXPECT_FALSE(Exists(gone)) << gone;
    for (const char* kept : {"$vm$oldies/member.txt", "$vm$old55", "notes.txt", "$vm$old88"})
        EXPECT_TRUE(Exists(kept)) << kept;
    // One line per removed directory, none an error.
    const std::string log = LogText();
    for (const char* dir : {"$vm$old22", "$vm$old33", "$vm$old77"})
        EXPECT_NE(log.find("終了した実行の作業ディレクトリを削除しました：" + Work(dir) + "\n"),
                  std::string::npos)
            << log;
    EXPECT_EQ(state.RunLog.Lines().size(), 3u) << log;
    EXPECT_FALSE(state.ErrorOccurred);

    // Once that run has ended, its directory goes too.
    ::close(live);
    RemoveStaleScratchDirs(state);
    EXPECT_FALSE(Exists("$vm$old11"));
    EXPECT_FALSE(Exists("$vm$old11.lock"));
}

TEST_F(ScratchDirectoryTest, SweepInDebugModeListsAndRemovesNothing) {
    fs::create_directories(Work("$vm$old5"));
    tmp.Write("work/$vm$old6.lock", "");
    state.DebugMode = true;
    RemoveStaleScratchDirs(state);
    EXPECT_TRUE(fs::exists(Work("$vm$old5")));
    EXPECT_TRUE(fs::exists(Work("$vm$old6.lock")));
    EXPECT_NE(std::find(host.DebugLines.begin(), host.DebugLines.end(), "  " + Work("$vm$old5")),
              host.DebugLines.end());
    EXPECT_NE(
        std::find(host.DebugLines.begin(), host.DebugLines.end(), "  " + Work("$vm$old6.lock")),
        host.DebugLines.end());
    EXPECT_TRUE(state.RunLog.Lines().empty());
}

TEST_F(ScratchDirectoryTest, ADirectoryThatCannotBeRemovedIsAnErrorLine) {
    // A directory of root's that an unprivileged run cannot empty (root could remove anything,
    // so the sweep runs as nobody in a child process).
    fs::create_directories(Work("$vm$old9"));
    tmp.Write("work/$vm$old9/member.txt", "old version");
    ::chmod(tmp.Path().c_str(), 0711);
    ASSERT_EQ(::chown(state.TempDir.c_str(), 65534, 65534), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        RemoveStaleScratchDirs(state);
        const bool reported =
            state.ErrorOccurred && state.RunLog.Lines().size() == 1 &&
            state.RunLog.Lines()[0].find("終了した実行の作業ディレクトリを削除できません：" +
                                         Work("$vm$old9")) != std::string::npos &&
            host.ErrorLines.size() == 1;
        ::_exit(reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::exists(Work("$vm$old9/member.txt")));
    EXPECT_TRUE(fs::exists(Work("$vm$old9.lock"))); // stays with its directory for a later try
}

} // namespace
