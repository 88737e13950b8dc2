// Packing on worker threads (-jt): one and several threads make the same archive, which the
// peer archivers test and extract; a file far larger than what a worker may hold round-trips;
// progress and cancel stay on the calling thread; a process killed while it packs leaves the
// old archive whole.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"
#include "archivers/unlha32/Unlha32.h"
#include "tests/support/KillWhenWritten.h"

namespace unlha_test {
namespace {

// Writes the file, making the directories on its way.
void Put(const std::string& path, const std::string& data) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
    WriteFile(path, data);
}

// A tree of files of every kind the encoder treats differently: text, random bytes (stored
// after the first 512 KiB), mixed data, empty files, tiny files, and files of several MiB.
void MakeTree(const TempDir& dir, int files) {
    for (int i = 0; i < files; ++i) {
        const std::string sub = "d" + std::to_string(i % 7) + "/";
        const uint32_t seed = static_cast<uint32_t>(i + 1);
        std::string data;
        switch (i % 6) {
        case 0:
            data = TextData(1000 + 3000 * static_cast<std::size_t>(i), seed);
            break;
        case 1:
            data = RandomData(700 * 1024, seed);
            break;
        case 2:
            data = MixedData(90000 + 1000 * static_cast<std::size_t>(i), seed);
            break;
        case 3:
            data = "";
            break;
        case 4:
            data = std::string(1, static_cast<char>('a' + i % 26));
            break;
        default:
            data = MixedData(std::size_t{3} << 20, seed);
            break;
        }
        Put(dir / ("src/" + sub + "f" + std::to_string(i) + ".dat"), data);
    }
}

std::string Pack(const TempDir& dir, const std::string& archive, const std::string& switches) {
    std::string out;
    EXPECT_EQ(
        Lha("a " + switches + " -r1 -a1 -- " + Q(dir / archive) + " " + Q(dir / "src/") + " *",
            &out),
        0)
        << out;
    return ReadFile(dir / archive);
}

// Every file of the tree below root, by relative path, with its content.
void Collect(const std::string& root, const std::string& rel,
             std::vector<std::pair<std::string, std::string>>& out) {
    for (const std::string& name : ListDir(root + "/" + rel)) {
        const std::string path = rel.empty() ? name : rel + "/" + name;
        struct stat st {};
        ASSERT_EQ(::lstat((root + "/" + path).c_str(), &st), 0) << path;
        if (S_ISDIR(st.st_mode))
            Collect(root, path, out);
        else
            out.emplace_back(path, ReadFile(root + "/" + path));
    }
}

std::vector<std::pair<std::string, std::string>> Tree(const std::string& root) {
    std::vector<std::pair<std::string, std::string>> files;
    Collect(root, "", files);
    return files;
}

TEST(LzhThreads, OneAndManyThreadsMakeTheSameArchiveThatPeersTestAndExtract) {
    TempDir dir;
    MakeTree(dir, 30);
    for (const std::string method : {"-jm7", "-jm5", "-jm0"}) {
        SCOPED_TRACE(method);
        const std::string one = Pack(dir, "one.lzh", method + " -jt1");
        const std::string four = Pack(dir, "four.lzh", method + " -jt4");
        const std::string deflt = Pack(dir, "default.lzh", method);
        EXPECT_EQ(one.size(), four.size());
        EXPECT_TRUE(one == four) << "the archives of 1 and 4 threads differ";
        EXPECT_TRUE(one == deflt) << "the archives of 1 and the default threads differ";
        for (const std::string arc : {"one.lzh", "four.lzh"}) {
            std::string text;
            EXPECT_EQ(Lha("t " + Q(dir / arc), &text), 0) << text;
            if (HaveTool("lhasa")) {
                EXPECT_EQ(Shell(dir.Path(), "lhasa t " + ShellQuote(dir / arc), &text), 0) << text;
            }
            if (HaveTool("7zz")) {
                EXPECT_EQ(Shell(dir.Path(), "7zz t -bd " + ShellQuote(dir / arc), &text), 0)
                    << text;
            }
        }
        Shell(dir.Path(), "rm -rf out-one out-four");
        std::string text;
        ASSERT_EQ(Lha("x -c1 -- " + Q(dir / "one.lzh") + " " + Q(dir / "out-one/"), &text), 0)
            << text;
        if (HaveTool("lhasa")) {
            ASSERT_EQ(
                Shell(dir.Path(), "mkdir out-four && cd out-four && lhasa xq ../four.lzh", &text),
                0)
                << text;
        } else {
            ASSERT_EQ(Lha("x -c1 -- " + Q(dir / "four.lzh") + " " + Q(dir / "out-four/"), &text),
                      0);
        }
        const auto source = Tree(dir / "src");
        EXPECT_EQ(source.size(), 30u);
        EXPECT_TRUE(Tree(dir / "out-one") == source);
        EXPECT_TRUE(Tree(dir / "out-four") == source);
    }
}

TEST(LzhThreads, UpdatesWithManyThreadsReplaceMembersInPlaceAsWithOne) {
    TempDir dir;
    MakeTree(dir, 18);
    Pack(dir, "one.lzh", "-jt1");
    ASSERT_EQ(Shell(dir.Path(), "cp one.lzh four.lzh"), 0);
    // Change some files, add new ones; u -c1 replaces the changed members where they stand.
    Put(dir / "src/d1/f1.dat", TextData(500000, 77));
    Put(dir / "src/d5/f5.dat", MixedData(std::size_t{2} << 20, 78));
    Put(dir / "src/new/late.txt", TextData(123456, 79));
    for (const auto& [arc, threads] :
         {std::pair{"one.lzh", "-jt1"}, std::pair{"four.lzh", "-jt4"}}) {
        std::string out;
        ASSERT_EQ(Lha(std::string("u -c1 ") + threads + " -r1 -- " + Q(dir / arc) + " " +
                          Q(dir / "src/") + " *",
                      &out),
                  0)
            << out;
    }
    EXPECT_TRUE(ReadFile(dir / "one.lzh") == ReadFile(dir / "four.lzh"));
    std::string text;
    ASSERT_EQ(Lha("x -c1 -- " + Q(dir / "four.lzh") + " " + Q(dir / "out/"), &text), 0) << text;
    EXPECT_TRUE(Tree(dir / "out") == Tree(dir / "src"));
}

TEST(LzhThreads, FilesFarLargerThanAWorkerHoldsRoundTrip) {
    TempDir dir;
    // 24 MiB of compressible data and 9 MiB of random bytes (given up on and stored), each
    // many times what a worker may hold in memory, between small files.
    Put(dir / "src/a.txt", TextData(5000, 1));
    Put(dir / "src/big.dat", MixedData(std::size_t{24} << 20, 2));
    Put(dir / "src/noise.bin", RandomData(std::size_t{9} << 20, 3));
    Put(dir / "src/z.txt", TextData(7000, 4));
    std::string text;
    ASSERT_EQ(Lha("a -jt3 -- " + Q(dir / "big.lzh") + " " + Q(dir / "src/") + " *", &text), 0)
        << text;
    EXPECT_NE(text.find("noise.bin - -lh0-"), std::string::npos) << text;
    EXPECT_NE(text.find("big.dat - -lh7-"), std::string::npos) << text;
    EXPECT_LT(ReadFile(dir / "big.lzh").size(), std::size_t{24} << 20);
    ASSERT_EQ(Lha("x -c1 -- " + Q(dir / "big.lzh") + " " + Q(dir / "out/"), &text), 0) << text;
    EXPECT_TRUE(Tree(dir / "out") == Tree(dir / "src"));
    if (HaveTool("lhasa")) {
        EXPECT_EQ(Shell(dir.Path(), "lhasa t big.lzh", &text), 0) << text;
    }
}

// A window that notes the thread of every message and cancels at the given BEGIN.
struct ThreadWindow {
    ArcWindow window{};
    std::mutex mutex;
    std::set<std::thread::id> threads;
    int begins = 0;
    int cancelAtBegin = -1;

    ThreadWindow() {
        window.structSize = sizeof(ArcWindow);
        window.context = this;
        window.send = [](ArcWindow* w, uint32_t message, uintptr_t state, intptr_t) -> intptr_t {
            auto* self = static_cast<ThreadWindow*>(w->context);
            if (message != 0xC321)
                return 0;
            std::lock_guard lock(self->mutex);
            self->threads.insert(std::this_thread::get_id());
            if (state == ARC_STATE_BEGIN && ++self->begins == self->cancelAtBegin)
                return 1;
            return 0;
        };
        window.registerMessage = [](const char* name) -> uint32_t {
            return std::string(name) == ARC_WM_ARCEXTRACT ? 0xC321 : 0xC400;
        };
        UnlhaSetOwnerWindowEx(&window, nullptr);
    }
    ~ThreadWindow() { UnlhaKillOwnerWindowEx(&window); }
};

TEST(LzhThreads, ProgressAndCancelStayOnTheCallingThread) {
    TempDir dir;
    MakeTree(dir, 24);
    const std::string old = Pack(dir, "a.lzh", "-jt1 -jm5");
    {
        ThreadWindow wnd;
        std::string out;
        EXPECT_EQ(Lha("a -c1 -jt4 -r1 -- " + Q(dir / "b.lzh") + " " + Q(dir / "src/") + " *", &out),
                  0)
            << out;
        EXPECT_EQ(wnd.begins, 24); // wildcards select the files only
        EXPECT_EQ(wnd.threads, std::set<std::thread::id>{std::this_thread::get_id()});
    }
    {
        ThreadWindow wnd;
        wnd.cancelAtBegin = 9;
        std::string out;
        EXPECT_EQ(
            Lha("a -c1 -jt4 -jm7 -r1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "src/") + " *", &out),
            ARC_ERROR_USER_CANCEL)
            << out;
        EXPECT_EQ(wnd.begins, 9);
        EXPECT_EQ(wnd.threads, std::set<std::thread::id>{std::this_thread::get_id()});
    }
    EXPECT_TRUE(ReadFile(dir / "a.lzh") == old);
    for (const std::string& name : ListDir(dir.Path()))
        EXPECT_EQ(name.find(".unlha-"), std::string::npos) << name << " was left behind";
}

TEST(LzhThreads, KillDuringParallelPackLeavesTheOldArchiveWhole) {
    TempDir dir;
    Put(dir / "old/one.txt", TextData(40000, 5));
    Put(dir / "old/two.txt", TextData(50000, 6));
    std::string out;
    ASSERT_EQ(Lha("a -- " + Q(dir / "a.lzh") + " " + Q(dir / "old/") + " *", &out), 0) << out;
    const std::string old = ReadFile(dir / "a.lzh");
    for (int i = 0; i < 48; ++i)
        Put(dir / ("src/f" + std::to_string(i) + ".dat"),
            MixedData(std::size_t{1} << 20, static_cast<uint32_t>(i + 10)));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Lha("a -jt2 -jm7 -- " + Q(dir / "a.lzh") + " " + Q(dir / "src/") + " *");
        _exit(0);
    }
    // Kill it once its work file holds a few members' data.
    const testing_support::KillResult ended =
        testing_support::KillWhenWritten(child, dir.Path(), "a.lzh.unlha-", off_t{3} << 20);
    ASSERT_TRUE(ended.grew) << "the pack never wrote its work file";
    ASSERT_TRUE(ended.killed) << "the pack ended before it was killed";

    EXPECT_TRUE(ReadFile(dir / "a.lzh") == old);
    EXPECT_EQ(Lha("t " + Q(dir / "a.lzh"), &out), 0) << out;
    if (HaveTool("lhasa")) {
        EXPECT_EQ(Shell(dir.Path(), "lhasa t a.lzh", &out), 0) << out;
    }
    ASSERT_EQ(Lha("l " + Q(dir / "a.lzh"), &out), 0);
    EXPECT_NE(out.find("one.txt"), std::string::npos) << out;
    EXPECT_EQ(out.find("f0.dat"), std::string::npos) << out;
}

} // namespace
} // namespace unlha_test
