// The private directories of the history phase ("$vm$old" + digits below the working directory):
// a killed run leaves its own behind, the next run removes it, and never one of a live run.
#include "tests/integration/backup/RunFixture.h"

#include <fcntl.h>
#include <regex>
#include <sys/file.h>
#include <unistd.h>

using testing_support::Capture;
using testing_support::RunFixture;
using testing_support::ShellQuote;

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kOld = 1577872800; // 2020-01-01

class ScratchRunTest : public RunFixture {
protected:
    ScratchRunTest() { fs::create_directories(work); }
    bool Exists(const std::string& name) const {
        return fs::exists(fs::symlink_status(work + "/" + name));
    }
    const std::string work = home / "cache/Tarn/Velmoran/tmp";
};

TEST_F(ScratchRunTest, KilledHistoryPhaseLeavesItsDirectoryAndTheNextRunRemovesIt) {
    // A large file changed after the first backup: its old version takes a while to extract
    // and to pack into the history backup.
    std::string big;
    for (int i = 0; big.size() < 8000000; ++i)
        big += std::to_string(i * 2654435761u % 1000003) + " ";
    Write("src/big.txt", big, kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    Write("src/big.txt", "the new version", kOld + 3600);

    // Killed as soon as its private directory exists.
    const std::string script = Command({def, "/backup"}) +
                               " 2>/dev/null & pid=$!; for i in $(seq 3000); do " + "ls -d " +
                               ShellQuote(work) + "/'$vm$old'[0-9]* >/dev/null 2>&1 && break; " +
                               "sleep 0.01; done; kill -KILL $pid; wait $pid; echo $?";
    ASSERT_EQ(Capture("bash -c " + ShellQuote(script) + " 2>/dev/null"), "137\n");
    const std::string left = Listing(work);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(left, m, std::regex(R"((\$vm\$old\d+)\n\1\.lock\n)"))) << left;
    const std::string scratch = work + "/" + m[1].str();

    const auto next = Run({def, "/backup"});
    EXPECT_EQ(next.Status, 0) << next.Err;
    EXPECT_EQ(Listing(work), "");
    EXPECT_NE(Log().find("] 終了した実行の作業ディレクトリを削除しました：" + scratch + "\r\n"),
              std::string::npos)
        << Log();
    // The repeated history phase saved the old version.
    std::vector<std::string> history;
    for (const auto& e : fs::directory_iterator(home / "dst/src"))
        if (std::regex_match(e.path().filename().string(), std::regex(R"(\$vm\$\d{14}\.lzh)")))
            history.push_back(e.path());
    ASSERT_EQ(history.size(), 1u) << Listing(home / "dst/src");
    EXPECT_EQ(Members(history[0]), "big.txt " + std::to_string(big.size()) + "\n");
    EXPECT_EQ(Members(home / "dst/src/src.lzh"), "big.txt 15\n");
}

TEST_F(ScratchRunTest, ALiveRunsDirectoryStaysAndEndedRunsDirectoriesGo) {
    for (const char* dir : {"$vm$old11", "$vm$old22", "$vm$old33", "$vm$oldies"})
        Write("cache/Tarn/Velmoran/tmp/" + std::string(dir) + "/member.txt", "old version");
    Write("cache/Tarn/Velmoran/tmp/$vm$old33.lock", "");
    Write("cache/Tarn/Velmoran/tmp/$vm$old44.lock", "");
    Write("cache/Tarn/Velmoran/tmp/notes.txt", "mine");
    // $vm$old11 belongs to a run that is still going: its lock is held here.
    const int live = ::open((work + "/$vm$old11.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);

    Write("src/a.txt", "a", kOld);
    const std::string def = Save({Item()});
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_TRUE(Exists("$vm$old11/member.txt"));
    EXPECT_TRUE(Exists("$vm$old11.lock"));
    for (const char* gone : {"$vm$old22", "$vm$old33", "$vm$old33.lock", "$vm$old44.lock"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(Exists("$vm$oldies/member.txt")); // not a name the program makes
    EXPECT_TRUE(Exists("notes.txt"));

    // After the other run has ended, the next run (a restore here) removes its directory too.
    ::close(live);
    EXPECT_EQ(Run({def, "/restore"}).Status, 0);
    EXPECT_FALSE(Exists("$vm$old11"));
    EXPECT_FALSE(Exists("$vm$old11.lock"));
    EXPECT_NE(Log().find("終了した実行の作業ディレクトリを削除しました：" + work + "/$vm$old11"),
              std::string::npos);
}

} // namespace
