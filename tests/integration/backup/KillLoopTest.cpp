// Backups of a tree of some hundred MiB killed again and again at spread-out moments (SIGKILL,
// and now and then SIGINT), while the tree keeps changing: the run after the last kill completes,
// every archive is whole, the backup restores to exactly the source, and no work file is left.
#include "tests/integration/backup/RunFixture.h"

#include <chrono>
#include <csignal>
#include <random>
#include <spawn.h>
#include <thread>

extern char** environ;

using testing_support::Capture;
using testing_support::FormatRunFixture;
using testing_support::ShellQuote;

namespace {

namespace fs = std::filesystem;

class KillLoopTest : public FormatRunFixture {
protected:
    // Text-like contents that compress about as well as documents do.
    std::string Contents(std::size_t size) {
        static const char* words[] = {"backup ",  "archive ", "history ", "member ", "source ",
                                      "restore ", "version ", "\n",       "data ",   "0123456789 "};
        std::string s;
        s.reserve(size + 16);
        while (s.size() < size) {
            s += words[rng() % 10];
            if (rng() % 7 == 0)
                s += static_cast<char>('a' + rng() % 26);
        }
        s.resize(size);
        return s;
    }
    std::string FileName(int dir, int file) const {
        const std::string d =
            dir % 4 == 0 ? "src/d" + std::to_string(dir)
                         : "src/d" + std::to_string(dir - dir % 4) + "/s" + std::to_string(dir);
        return d + "/f" + std::to_string(file) + ".txt";
    }
    // Starts a run and returns its process (the shell execs the program: the same process).
    pid_t Start(const std::vector<std::string>& args) {
        const std::string cmd = Command(args) + " >/dev/null 2>&1 </dev/null";
        const char* argv[] = {"/bin/sh", "-c", cmd.c_str(), nullptr};
        pid_t pid = -1;
        if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) !=
            0)
            return -1;
        return pid;
    }
    // Runs killed by a signal, and runs that finished before it came.
    int killed = 0;
    int finished = 0;
    std::mt19937 rng{20261206};
};

TEST_P(KillLoopTest, KilledRunsHealOnTheNextRun) {
    constexpr int dirs = 24, files = 10;
    constexpr std::size_t fileSize = 1100 * 1024; // 24 * 10 * 1.1 MiB: some 260 MiB
    for (int d = 0; d < dirs; ++d)
        for (int f = 0; f < files; ++f)
            Write(FileName(d, f), Contents(fileSize), 1577872800);
    const std::string def = Save({Item()});

    // Kill moments spread over a first run of the whole tree and over the smaller runs after it.
    const std::vector<int> delaysMs = {150, 600,  1200, 2000, 3000, 4200, 80,  400,
                                       900, 1500, 250,  700,  1800, 120,  500, 1100};
    for (int round = 0; killed < 24 && round < 48; ++round) {
        if (round > 0) {
            // The tree changes between runs: rewritten, deleted and new files.
            // Each round's files carry a time a minute after the last round's: versions closer
            // than the comparison's tolerance would count as unchanged.
            const std::int64_t when = 1577872800 + round * 60;
            for (int i = 0; i < 24; ++i)
                Write(FileName(rng() % dirs, rng() % files), Contents(fileSize / 2 + rng() % 4096),
                      when);
            const std::string gone = home / FileName(rng() % dirs, rng() % files);
            fs::remove(gone);
            Write(FileName(rng() % dirs, files + round), Contents(20000), when);
        }
        const pid_t pid = Start({def, "/backup"});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(delaysMs[static_cast<std::size_t>(round) % delaysMs.size()]));
        const int sig = round % 6 == 5 ? SIGINT : SIGKILL;
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 130))
            ++killed;
        else
            ++finished;
    }
    RecordProperty("killed", killed);
    RecordProperty("finished", finished);
    EXPECT_GE(killed, 20) << finished << " runs finished before their signal";

    // The next run completes, and the one after it finds nothing to do.
    const auto healed = Run({def, "/backup"});
    ASSERT_EQ(healed.Status, 0) << healed.Err << Log();
    ASSERT_EQ(Run({def, "/backup"}).Status, 0) << Log();

    // Every archive, latest and history, is whole by a peer's reading.
    const std::string damaged =
        Capture("find " + ShellQuote(home / "dst") + " -type f -name '*" + ext +
                "' | while read -r a; do bsdtar -xOf \"$a\" >/dev/null 2>&1 || echo \"$a\"; done");
    EXPECT_EQ(damaged, "");
    // No work file of a library, no scratch directory of a run.
    EXPECT_EQ(Capture("find " + ShellQuote(home / "dst") + " " + ShellQuote(home / "cache") +
                      " \\( -name '*.unlha-*' -o -name '*" + ext + "." + std::string(6, '?') +
                      "' -o -name '$vm$old*' "
                      "-o -name '*.tmp*' \\) -print"),
              "");

    // The backup brings back exactly the source: nothing lost, nothing extra.
    fs::rename(home / "src", home / "original");
    const auto restored = Run({def, "/restore"});
    EXPECT_EQ(restored.Status, 0) << restored.Err << Log();
    EXPECT_EQ(Capture("diff -r " + ShellQuote(home / "original") + " " + ShellQuote(home / "src") +
                      " 2>&1 | head -20"),
              "");
}

INSTANTIATE_TEST_SUITE_P(Formats, KillLoopTest, ::testing::Values(".lzh", ".zip"),
                         [](const auto& info) { return std::string(info.param + 1); });

} // namespace
