// Work files: while an archive is written or a file extracted, its work file lies beside it,
// named "<target name>.unlha-" and six characters of [A-Za-z0-9]; a process killed meanwhile
// leaves exactly that behind, and nothing is left after a command that ends.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

// A window that lists a directory each time bytes are reported written, and kills its own
// process there when asked.
struct WatchingWindow {
    ArcWindow window{};
    std::string directory;
    bool kill = false;
    std::vector<std::vector<std::string>> seen;
    static intptr_t Send(ArcWindow* wnd, uint32_t message, uintptr_t state, intptr_t) {
        auto* self = static_cast<WatchingWindow*>(wnd->context);
        if (message == 0xC322 && state == ARC_STATE_INPROCESS) {
            self->seen.push_back(ListDir(self->directory));
            if (self->kill)
                ::raise(SIGKILL);
        }
        return 0;
    }
    static uint32_t Register(const char*) { return 0xC322; }
    explicit WatchingWindow(std::string dir) : directory(std::move(dir)) {
        window.structSize = sizeof window;
        window.send = Send;
        window.registerMessage = Register;
        window.context = this;
        UnlhaSetOwnerWindowEx(&window, nullptr);
    }
    ~WatchingWindow() { UnlhaKillOwnerWindowEx(&window); }
};

// True when name is the work file of target.
bool IsWorkFileOf(const std::string& name, const std::string& target) {
    static const std::regex pattern("(.*)\\.unlha-[A-Za-z0-9]{6}");
    std::smatch m;
    return std::regex_match(name, m, pattern) && m[1] == target.substr(0, 242);
}

// The entries of seen that are not in before.
std::vector<std::string> Added(const std::vector<std::string>& seen,
                               const std::vector<std::string>& before) {
    std::vector<std::string> added;
    for (const std::string& name : seen)
        if (std::find(before.begin(), before.end(), name) == before.end())
            added.push_back(name);
    return added;
}

// Runs the command in a child process whose window kills it at the first bytes written;
// returns the entries it left in directory that were not there before.
std::vector<std::string> LeftByKilledCommand(const std::string& directory,
                                             const std::string& command) {
    const auto before = ListDir(directory);
    const pid_t pid = ::fork();
    if (pid == 0) {
        WatchingWindow window(directory);
        window.kill = true;
        Lha(command);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << command;
    return Added(ListDir(directory), before);
}

} // namespace

TEST(WorkFiles, LieBesideTheirTargetNamedAfterIt) {
    TempDir dir;
    ::mkdir((dir / "arch").c_str(), 0755);
    ::mkdir((dir / "src").c_str(), 0755);
    const std::string longName = std::string(246, 'n') + ".txt"; // 250 bytes
    WriteFile(dir / "src/data.bin", TextData(300000));
    WriteFile(dir / ("src/" + longName), "long");
    const std::string archive = dir / "arch/backup.lzh";
    ASSERT_EQ(Lha("u -- " + Q(archive) + " " + Q(dir / "src/") + " data.bin"), 0);

    // An update: the work file is the archive's name with the mark, beside it.
    {
        WatchingWindow window(dir / "arch");
        ASSERT_EQ(Lha("u -c1 -- " + Q(archive) + " " + Q(dir / "src/") + " data.bin"), 0);
        ASSERT_FALSE(window.seen.empty());
        for (const auto& entries : window.seen) {
            const auto added = Added(entries, {"backup.lzh"});
            ASSERT_EQ(added.size(), 1u);
            EXPECT_TRUE(IsWorkFileOf(added[0], "backup.lzh")) << added[0];
        }
    }
    EXPECT_EQ(ListDir(dir / "arch"), std::vector<std::string>{"backup.lzh"});

    // An extraction: each file's work file lies beside it, named after it.
    ::mkdir((dir / "dest").c_str(), 0755);
    {
        WatchingWindow window(dir / "dest");
        ASSERT_EQ(Lha("x -- " + Q(archive) + " " + Q(dir / "dest/")), 0);
        ASSERT_EQ(window.seen.size(), 1u);
        ASSERT_EQ(window.seen[0].size(), 1u);
        EXPECT_TRUE(IsWorkFileOf(window.seen[0][0], "data.bin")) << window.seen[0][0];
    }
    EXPECT_EQ(ListDir(dir / "dest"), std::vector<std::string>{"data.bin"});

    // A long name is cut so that the work file's name still fits in 255 bytes.
    ASSERT_EQ(Lha("u -- " + Q(archive) + " " + Q(dir / "src/") + " " + Q(longName)), 0);
    {
        WatchingWindow window(dir / "dest");
        ASSERT_EQ(Lha("x -- " + Q(archive) + " " + Q(dir / "dest/") + " " + Q(longName)), 0);
        ASSERT_EQ(window.seen.size(), 1u);
        const auto added = Added(window.seen[0], {"data.bin"});
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0].size(), 255u);
        EXPECT_TRUE(IsWorkFileOf(added[0], longName)) << added[0];
    }

    // An archive reached through a symbolic link is replaced where the link points.
    ::mkdir((dir / "real").c_str(), 0755);
    ASSERT_EQ(::rename(archive.c_str(), (dir / "real/target.lzh").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "real/target.lzh").c_str(), archive.c_str()), 0);
    {
        WatchingWindow window(dir / "real");
        ASSERT_EQ(Lha("u -c1 -- " + Q(archive) + " " + Q(dir / "src/") + " data.bin"), 0);
        ASSERT_FALSE(window.seen.empty());
        const auto added = Added(window.seen[0], {"target.lzh"});
        ASSERT_EQ(added.size(), 1u);
        EXPECT_TRUE(IsWorkFileOf(added[0], "target.lzh")) << added[0];
    }
    EXPECT_EQ(ListDir(dir / "real"), std::vector<std::string>{"target.lzh"});
}

TEST(WorkFiles, AKilledCommandLeavesOnlyAWorkFileOfThatName) {
    TempDir dir;
    ::mkdir((dir / "src").c_str(), 0755);
    WriteFile(dir / "src/data.bin", TextData(300000));
    const std::string archive = dir / "backup.lzh";
    ASSERT_EQ(Lha("u -- " + Q(archive) + " " + Q(dir / "src/") + " data.bin"), 0);
    const std::string bytes = ReadFile(archive);

    auto left = LeftByKilledCommand(dir.Path(),
                                    "u -c1 -- " + Q(archive) + " " + Q(dir / "src/") + " data.bin");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(IsWorkFileOf(left[0], "backup.lzh")) << left[0];
    EXPECT_TRUE(ReadFile(archive) == bytes);

    ::mkdir((dir / "dest").c_str(), 0755);
    WriteFile(dir / "dest/data.bin", "older version");
    left = LeftByKilledCommand(dir / "dest", "x -c1 -- " + Q(archive) + " " + Q(dir / "dest/"));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(IsWorkFileOf(left[0], "data.bin")) << left[0];
    EXPECT_EQ(ReadFile(dir / "dest/data.bin"), "older version");
}
