// Backups of temporary trees by the built program with our archiver libraries.
#include "tests/integration/backup/RunFixture.h"

#include <ctime>
#include <fcntl.h>
#include <regex>
#include <sys/file.h>
#include <unistd.h>

using testing_support::Capture;
using testing_support::ReadAll;
using testing_support::RunFixture;
using testing_support::ShellQuote;

namespace {

constexpr std::int64_t kOld = 1577872800; // 2020-01-01, well before any run

using BackupRunTest = testing_support::FormatRunFixture;

TEST_P(BackupRunTest, FirstRunThenNoChangeRunWritesNothing) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/b b.txt", "bravo", kOld);
    Write("src/sub/c.txt", "charlie", kOld);
    Write("src/\xE6\x97\xA5\xE6\x9C\xAC.txt", "japan", kOld);
    const std::string def = Save({Item()});
    const auto first = Run({def, "/backup"});
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(Members(Archive()), "a.txt 5\nb b.txt 5\n\xE6\x97\xA5\xE6\x9C\xAC.txt 5\n");
    EXPECT_EQ(Members(Archive("src/sub")), "c.txt 7\n");
    EXPECT_TRUE(std::filesystem::exists(home / "dst/src/src.lst"));
    const std::string log = Log();
    EXPECT_NE(log.find("] バックアップ開始(" + def + ")\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] バックアップ処理項目番号＝0\r\n"), std::string::npos);
    EXPECT_NE(log.find("] バックアップ完了．\r\n\r\n"), std::string::npos);

    const auto archiveTime = std::filesystem::last_write_time(Archive());
    const auto cacheTime = std::filesystem::last_write_time(home / "dst/src/src.lst");
    ::sleep(1);
    const auto second = Run({def, "/backup"});
    EXPECT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(std::filesystem::last_write_time(Archive()), archiveTime);
    EXPECT_EQ(std::filesystem::last_write_time(home / "dst/src/src.lst"), cacheTime);
    EXPECT_TRUE(HistoryBackups().empty());
}

TEST_P(BackupRunTest, OneHistoryBackupHoldsTheChangedAndTheDeletedFile) {
    Write("src/keep.txt", "keep", kOld);
    Write("src/change.txt", "old version", kOld);
    Write("src/gone.txt", "gone", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    Write("src/change.txt", "new version!", kOld + 3600);
    std::filesystem::remove(home / "src/gone.txt");
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    EXPECT_EQ(Members(Archive()), "change.txt 12\nkeep.txt 4\n");
    const auto history = HistoryBackups();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(Members(history[0]), "change.txt 11\ngone.txt 4\n");
    // The old versions went through a private directory that is gone again.
    EXPECT_EQ(Listing(home / "cache/Tarn/Velmoran/tmp"), "");
}

TEST_P(BackupRunTest, RemovedSubdirectoryBecomesAHistoryDirectory) {
    Write("src/sub/x.txt", "x", kOld);
    Write("src/top.txt", "t", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::filesystem::remove_all(home / "src/sub");
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const std::string listing = Listing(home / "dst/src");
    EXPECT_TRUE(std::regex_search(listing, std::regex(R"(\$vm\$sub\d{14}\n)"))) << listing;
    EXPECT_EQ(listing.find("sub\n"), std::string::npos) << listing;
}

// Local time stamps of this second and the next ones, as history names carry them.
std::vector<std::string> StampsFromNow(int count) {
    std::vector<std::string> stamps;
    const std::time_t now = std::time(nullptr);
    for (int i = 0; i < count; ++i) {
        const std::time_t t = now + i;
        std::tm local{};
        ::localtime_r(&t, &local);
        char text[16];
        std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
        stamps.emplace_back(text);
    }
    return stamps;
}

TEST_P(BackupRunTest, AHistoryDirectoryIsNeverRenamedOver) {
    Write("src/sub/x.txt", "x", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::filesystem::remove_all(home / "src/sub");
    // History directories an earlier run left in this second and the next ones.
    const std::vector<std::string> stamps = StampsFromNow(4);
    for (const std::string& stamp : stamps)
        Write("dst/src/$vm$sub" + stamp + "/earlier.txt", stamp, kOld);
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    for (const std::string& stamp : stamps)
        EXPECT_EQ(ReadAll(home / ("dst/src/$vm$sub" + stamp + "/earlier.txt")), stamp);
    EXPECT_FALSE(std::filesystem::exists(home / "dst/src/sub"));
    int moved = 0;
    for (const auto& e : std::filesystem::directory_iterator(home / "dst/src"))
        if (std::filesystem::exists(e.path() / ("sub" + ext)))
            ++moved;
    EXPECT_EQ(moved, 1);
}

// Sets the immutable attribute of a path (which even root cannot rename) for its lifetime.
class Immutable {
public:
    explicit Immutable(std::string path) : path_(std::move(path)) {
        set_ = std::system(("chattr +i " + ShellQuote(path_) + " 2>/dev/null").c_str()) == 0;
    }
    ~Immutable() {
        if (set_)
            (void)std::system(("chattr -i " + ShellQuote(path_)).c_str());
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool Set() const { return set_; }

private:
    std::string path_;
    bool set_ = false;
};

TEST_P(BackupRunTest, ADirectoryThatCannotBecomeHistoryIsReportedAndKept) {
    Write("src/sub/x.txt", "x", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::filesystem::remove_all(home / "src/sub");
    const Immutable locked(home / "dst/src/sub");
    if (!locked.Set())
        GTEST_SKIP() << "this file system keeps no immutable attribute";
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(Log().find("履歴ディレクトリに名前を変更できません：" + home / "dst/src/sub"),
              std::string::npos)
        << Log();
    EXPECT_TRUE(std::filesystem::exists(Archive("src/sub")));
}

TEST_P(BackupRunTest, NoDeleteFilesKeepsMembersAndSavesThemAgain) {
    Write("src/a.txt", "a", kOld);
    Write("src/b.txt", "b", kOld);
    auto item = Item();
    item.NoDeleteFiles = true;
    item.EnableLzhCache = false;
    const std::string def = Save({item});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::filesystem::remove(home / "src/b.txt");
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    EXPECT_EQ(Members(Archive()), "a.txt 1\nb.txt 1\n");
    ::sleep(1);
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    EXPECT_EQ(HistoryBackups().size(), 2u);
}

TEST_P(BackupRunTest, NoCompressPatternsAreStoredOnlyWhenAsked) {
    const std::string text(20000, 'z');
    Write("src/photo.jpg", text, kOld);
    Write("src/notes.txt", text, kOld);
    auto item = Item();
    item.NoCompressFiles = true;
    const std::string def = Save({item});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const std::string listing = Capture("7zz l -slt " + ShellQuote(Archive()));
    const std::regex jpgStored(R"(Path = photo\.jpg\n(.*\n)*?Packed Size = 20000\n)");
    EXPECT_TRUE(std::regex_search(listing, jpgStored)) << listing;
    const std::regex txtPacked(R"(Path = notes\.txt\n(.*\n)*?Packed Size = \d{1,4}\n)");
    EXPECT_TRUE(std::regex_search(listing, txtPacked)) << listing;

    // Off: everything compressed.
    std::filesystem::remove_all(home / "dst");
    item.NoCompressFiles = false;
    const std::string def2 = Save({item}, "e.vmp");
    ASSERT_EQ(Run({def2, "/backup"}).Status, 0);
    const std::string packed = Capture("7zz l -slt " + ShellQuote(Archive()));
    const std::regex jpgPacked(R"(Path = photo\.jpg\n(.*\n)*?Packed Size = \d{1,4}\n)");
    EXPECT_TRUE(std::regex_search(packed, jpgPacked)) << packed;
}

TEST_P(BackupRunTest, ConflictingItemIsRefusedAndTheOthersRun) {
    Write("src/a.txt", "a", kOld);
    Write("other/b.txt", "b", kOld);
    auto inside = Item(home / "src", home / "src/bk");
    const std::string def = Save({Item(), inside, Item(home / "other")});
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 1);
    const std::string log = Log();
    for (const char* n : {"＝0", "＝1", "＝2"})
        EXPECT_NE(log.find(std::string("バックアップ処理項目番号") + n), std::string::npos) << n;
    EXPECT_NE(log.find("コピー元ディレクトリにコピー先ディレクトリが含まれています．"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home / "src/bk"));
    EXPECT_TRUE(std::filesystem::exists(Archive("other")));
    EXPECT_NE(r.Err.find(home / "state/Tarn/Velmoran/Velmoran.LOG"), std::string::npos)
        << "the log is named for the user after an error";
}

TEST_P(BackupRunTest, ADestinationInUseIsRefused) {
    Write("src/a.txt", "a", kOld);
    const std::string def = Save({Item()});
    const int fd = ::open((home / "dst/.velmoran.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const auto r = Run({def, "/backup"});
    ::close(fd);
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(Log().find("別のVelmoranが同じバックアップ先を使用中"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Archive()));
}

INSTANTIATE_TEST_SUITE_P(Formats, BackupRunTest, ::testing::Values(".lzh", ".zip"),
                         [](const auto& info) { return std::string(info.param + 1); });

class RunControlTest : public RunFixture {};

TEST_F(RunControlTest, StopSignalEndsTheRunWithTheUserBreakLines) {
    // Directories of a megabyte each make the run long enough to be stopped between them.
    std::string text;
    for (int i = 0; text.size() < 1000000; ++i)
        text += std::to_string(i * 2654435761u) + "\n";
    for (int d = 0; d < 40; ++d)
        Write("src/d" + std::to_string(d) + "/f.txt", text, kOld);
    const std::string def = Save({Item()});
    const std::string cmd = Command({def, "/backup"}) + " 2>/dev/null & pid=$!; sleep 0.3; " +
                            "kill -INT $pid; wait $pid; echo $?";
    const std::string status = Capture("bash -c " + ShellQuote(cmd));
    EXPECT_EQ(status, "130\n");
    const std::string log = Log();
    EXPECT_NE(log.find("] ユーザーによる中断．\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] バックアップ完了．\r\n"), std::string::npos) << log;
}

TEST_F(RunControlTest, TwoFirstRunsIntoADestinationThatDoesNotExistYetAreSerialized) {
    Settings("Options", "OverwriteLog", "0"); // both runs' blocks in the log
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += std::to_string(i * 7919) + " ";
    for (int f = 0; f < 8; ++f)
        Write("src/big" + std::to_string(f) + ".txt", big, kOld);
    const std::string dst = home / "new/backup";
    const std::string def = Save({Item("", dst)});
    // The second starts once the first holds the lock of the destination it has just made.
    const std::string script =
        Command({def, "/backup"}) + " 2>/dev/null & first=$!; for i in $(seq 3000); do " +
        "test -e " + ShellQuote(dst + "/.velmoran.lock") + " && break; sleep 0.01; done; " + "(" +
        Command({def, "/backup"}) + ") 2>" + ShellQuote(home / "second.txt") +
        "; second=$?; wait $first; echo $? $second";
    EXPECT_EQ(Capture("bash -c " + ShellQuote(script)), "0 1\n");
    const std::string refusal =
        "] 別のVelmoranが同じバックアップ先を使用中のため、この項目を実行しません：" + dst;
    EXPECT_NE(Log().find(refusal + "\r\n"), std::string::npos) << Log();
    EXPECT_NE(ReadAll(home / "second.txt").find(refusal + "\n"), std::string::npos)
        << ReadAll(home / "second.txt");
    const std::string members = Members(dst + "/src/src.lzh");
    for (int f = 0; f < 8; ++f)
        EXPECT_NE(members.find("big" + std::to_string(f) + ".txt " + std::to_string(big.size())),
                  std::string::npos)
            << members;
}

TEST_F(RunControlTest, KilledRunLeavesConsistentArchivesAndTheNextRunCompletes) {
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += std::to_string(i * 7919) + " ";
    for (int f = 0; f < 8; ++f)
        Write("src/big" + std::to_string(f) + ".txt", big, kOld);
    const std::string def = Save({Item()});
    const std::string cmd = Command({def, "/backup"}) + " 2>/dev/null & pid=$!; sleep 0.15; " +
                            "kill -KILL $pid; wait $pid; true";
    Capture("bash -c " + ShellQuote(cmd));
    const std::string archive = home / "dst/src/src.lzh";
    if (std::filesystem::exists(archive)) { // as it was, or as a completed call made it
        EXPECT_EQ(Capture("bsdtar -tf " + ShellQuote(archive) + " >/dev/null 2>&1; echo $?"),
                  "0\n");
    }
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    const std::string members = Members(archive);
    for (int f = 0; f < 8; ++f)
        EXPECT_NE(members.find("big" + std::to_string(f) + ".txt " + std::to_string(big.size())),
                  std::string::npos)
            << members;
    // Only the archive and its cache (a killed library may leave its unfinished temporary
    // file, which is never taken for an archive).
    const std::string listing = Listing(home / "dst/src");
    EXPECT_NE(listing.find("src.lst\nsrc.lzh\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("$vm$"), std::string::npos) << listing;
}

} // namespace
