// Packing on worker threads (-jt<N>): one and several threads make the same archive, which
// unzip and 7zz test and extract; files far larger than a worker holds round-trip; progress
// and cancel stay on the calling thread; a process killed while it packs leaves the old
// archive whole.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "ZipTestSupport.h"
#include "tests/support/KillWhenWritten.h"

using namespace ziptest;

namespace {

// Files of every kind the deflater treats differently: small ones compressed whole, random
// ones stored, empty ones, and files of several MiB deflated as a stream.
std::vector<std::string> MakeTree(const TempDir& t, int files) {
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) {
        const std::string name = "d" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".dat";
        const uint32_t seed = static_cast<uint32_t>(i + 1);
        std::string data;
        switch (i % 5) {
        case 0:
            data = TextBytes(500 + 4000 * static_cast<std::size_t>(i));
            break;
        case 1:
            data = RandomBytes(300 * 1024, seed);
            break;
        case 2:
            data = "";
            break;
        case 3:
            data = TextBytes(std::size_t{3} << 20) + RandomBytes(100000, seed);
            break;
        default:
            data = RandomBytes(std::size_t{1} << 20, seed) + TextBytes(50000);
            break;
        }
        WriteFile(t / ("src/" + name), data);
        names.push_back(name);
    }
    return names;
}

std::string Pack(const TempDir& t, const std::string& archive, const std::string& switches) {
    std::string out;
    EXPECT_EQ(Zip(PackCommand(t / archive, t / "src", {"*"}, " -r " + switches), &out), 0) << out;
    return ReadFile(t / archive);
}

void ExpectSameFiles(const TempDir& t, const std::string& dir,
                     const std::vector<std::string>& names) {
    for (const std::string& name : names)
        EXPECT_TRUE(ReadFile(t / (dir + "/" + name)) == ReadFile(t / ("src/" + name)))
            << dir << ": " << name;
}

TEST(ZipThreads, OneAndManyThreadsMakeTheSameArchiveThatPeersTestAndExtract) {
    TempDir t;
    const std::vector<std::string> names = MakeTree(t, 25);
    for (const std::string level : {"-6", "-1", "-0"}) {
        SCOPED_TRACE(level);
        const std::string one = Pack(t, "one.zip", level + " -jt1");
        const std::string four = Pack(t, "four.zip", level + " -jt4");
        const std::string deflt = Pack(t, "default.zip", level);
        EXPECT_EQ(one.size(), four.size());
        EXPECT_TRUE(one == four) << "the archives of 1 and 4 threads differ";
        EXPECT_TRUE(one == deflt) << "the archives of 1 and the default threads differ";
        std::string out;
        for (const std::string arc : {"one.zip", "four.zip"}) {
            EXPECT_EQ(Shell("unzip -tq " + Sh(t / arc), &out), 0) << out;
            EXPECT_EQ(Shell("7zz t -bd " + Sh(t / arc), &out), 0) << out;
        }
        Shell("rm -rf " + Sh(t / "unzip") + " " + Sh(t / "ours"));
        ASSERT_EQ(Shell("unzip -q " + Sh(t / "four.zip") + " -d " + Sh(t / "unzip"), &out), 0)
            << out;
        ExpectSameFiles(t, "unzip", names);
        ASSERT_EQ(UnZip("-x -o " + Quoted(t / "one.zip") + " " + Quoted(t / "ours/"), &out), 0)
            << out;
        ExpectSameFiles(t, "ours", names);
    }
}

TEST(ZipThreads, UpdatesWithManyThreadsReplaceMembersAsWithOne) {
    TempDir t;
    std::vector<std::string> names = MakeTree(t, 15);
    Pack(t, "one.zip", "-jt1");
    ASSERT_EQ(Shell("cp " + Sh(t / "one.zip") + " " + Sh(t / "four.zip")), 0);
    WriteFile(t / "src/d1/f1.dat", TextBytes(400000));
    WriteFile(t / "src/d3/f3.dat", RandomBytes(std::size_t{2} << 20, 99));
    WriteFile(t / "src/new/late.txt", TextBytes(123456));
    names.push_back("new/late.txt");
    std::string out;
    ASSERT_EQ(Zip(PackCommand(t / "one.zip", t / "src", {"*"}, " -r -jt1"), &out), 0) << out;
    ASSERT_EQ(Zip(PackCommand(t / "four.zip", t / "src", {"*"}, " -r -jt4"), &out), 0) << out;
    EXPECT_TRUE(ReadFile(t / "one.zip") == ReadFile(t / "four.zip"));
    ASSERT_EQ(UnZip("-x -o " + Quoted(t / "four.zip") + " " + Quoted(t / "out/"), &out), 0) << out;
    ExpectSameFiles(t, "out", names);
}

TEST(ZipThreads, FilesFarLargerThanAWorkerHoldsRoundTrip) {
    TempDir t;
    WriteFile(t / "src/a.txt", TextBytes(5000));
    WriteFile(t / "src/big.txt", TextBytes(std::size_t{20} << 20) + RandomBytes(1 << 20, 5));
    WriteFile(t / "src/noise.bin", RandomBytes(std::size_t{9} << 20, 6));
    WriteFile(t / "src/z.txt", TextBytes(7000));
    const std::vector<std::string> names = {"a.txt", "big.txt", "noise.bin", "z.txt"};
    for (const std::string level : {"-6", "-0"}) {
        SCOPED_TRACE(level);
        Pack(t, "big.zip", level + " -jt3");
        std::string out;
        EXPECT_EQ(Shell("unzip -tq " + Sh(t / "big.zip"), &out), 0) << out;
        Shell("rm -rf " + Sh(t / "out"));
        ASSERT_EQ(UnZip("-x -o " + Quoted(t / "big.zip") + " " + Quoted(t / "out/"), &out), 0)
            << out;
        ExpectSameFiles(t, "out", names);
    }
}

// A window that notes the thread of every message and cancels at the given BEGIN.
struct ThreadWindow : ArcWindow {
    std::mutex mutex;
    std::set<std::thread::id> threads;
    int begins = 0;
    int cancelAtBegin = -1;

    ThreadWindow() : ArcWindow{} {
        structSize = sizeof(ArcWindow);
        send = [](ArcWindow* w, uint32_t message, uintptr_t state, intptr_t) -> intptr_t {
            auto* self = static_cast<ThreadWindow*>(w);
            if (message != 0xC321)
                return 0;
            std::lock_guard lock(self->mutex);
            self->threads.insert(std::this_thread::get_id());
            if (state == ARC_STATE_BEGIN && ++self->begins == self->cancelAtBegin)
                return 1;
            return 0;
        };
        registerMessage = [](const char* name) -> uint32_t {
            return std::string(name) == ARC_WM_ARCEXTRACT ? 0xC321 : 0xC400;
        };
        EXPECT_NE(Libraries::Get().SetOwnerWindowEx(this, nullptr), 0);
    }
    ~ThreadWindow() { EXPECT_NE(Libraries::Get().KillOwnerWindowEx(this), 0); }
};

TEST(ZipThreads, ProgressAndCancelStayOnTheCallingThread) {
    TempDir t;
    MakeTree(t, 20);
    const std::string old = Pack(t, "a.zip", "-jt1 -1");
    {
        ThreadWindow wnd;
        std::string out;
        EXPECT_EQ(Zip(PackCommand(t / "b.zip", t / "src", {"*"}, " -r -jt4"), &out), 0) << out;
        EXPECT_EQ(wnd.begins, 20);
        EXPECT_EQ(wnd.threads, std::set<std::thread::id>{std::this_thread::get_id()});
    }
    {
        ThreadWindow wnd;
        wnd.cancelAtBegin = 8;
        std::string out;
        EXPECT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"*"}, " -r -jt4 -6"), &out),
                  ARC_ERROR_USER_CANCEL)
            << out;
        EXPECT_EQ(wnd.begins, 8);
        EXPECT_EQ(wnd.threads, std::set<std::thread::id>{std::this_thread::get_id()});
    }
    EXPECT_TRUE(ReadFile(t / "a.zip") == old);
    EXPECT_EQ(DirEntries(t.path()), (std::vector<std::string>{"a.zip", "b.zip", "src"}));
}

TEST(ZipThreads, KillDuringParallelPackLeavesTheOldArchiveWhole) {
    TempDir t;
    WriteFile(t / "old/one.txt", TextBytes(40000));
    WriteFile(t / "old/two.txt", TextBytes(50000));
    std::string out;
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "old", {"one.txt", "two.txt"}), &out), 0) << out;
    const std::string old = ReadFile(t / "a.zip");
    for (int i = 0; i < 40; ++i)
        WriteFile(t / ("src/f" + std::to_string(i) + ".dat"),
                  RandomBytes(std::size_t{1} << 20, static_cast<uint32_t>(i)) +
                      TextBytes(std::size_t{1} << 20));
    Libraries::Get(); // loaded before the fork

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Zip(PackCommand(t / "a.zip", t / "src", {"*"}, " -9 -jt2"));
        _exit(0);
    }
    // Kill it once its work file holds a few members' data.
    const testing_support::KillResult ended =
        testing_support::KillWhenWritten(child, t.path(), "a.zip.", off_t{3} << 20);
    ASSERT_TRUE(ended.grew) << "the pack never wrote its work file";
    ASSERT_TRUE(ended.killed) << "the pack ended before it was killed";

    EXPECT_TRUE(ReadFile(t / "a.zip") == old);
    EXPECT_EQ(Shell("unzip -tq " + Sh(t / "a.zip"), &out), 0) << out;
    EXPECT_EQ(Sorted(ListNames(t / "a.zip")), (std::vector<std::string>{"one.txt", "two.txt"}));
}

} // namespace
