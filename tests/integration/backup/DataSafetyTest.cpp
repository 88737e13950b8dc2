// Runs of the built program on inputs where a careless backup program loses files: archives it
// cannot read, files the item never takes, stale listing caches, names that collide, files and
// paths the system refuses.
#include "platform/FileUtil.h"
#include "tests/integration/backup/RunFixture.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::Capture;
using testing_support::FormatRunFixture;
using testing_support::ReadAll;
using testing_support::ShellQuote;

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kOld = 1577872800; // 2020-01-01

class DataSafetyTest : public FormatRunFixture {
protected:
    bool Exists(const std::string& rel) const { return fs::exists(home / rel); }
    bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }
    // A file's bytes cut to a length.
    void Truncate(const std::string& path, std::uintmax_t size) { fs::resize_file(path, size); }
    std::string OtherExt() const { return ext == std::string(".zip") ? ".lzh" : ".zip"; }
};

// An archive that cannot be listed holds no proof that a file is not backed up.
TEST_P(DataSafetyTest, RestoreNeverDeletesWhereTheArchiveCannotBeListed) {
    for (int i = 0; i < 20; ++i)
        Write("src/f" + std::to_string(i) + ".txt", std::string(3000 + i * 100, 'a' + i), kOld);
    Write("src/sub/inner.txt", "inner", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const std::string good = ReadAll(Archive());
    ASSERT_GT(good.size(), 200u);

    const std::vector<std::pair<std::string, std::string>> damages = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"cut at the end", good.substr(0, good.size() - 30)},
        {"garbage", std::string(good.size(), '\x5a')},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : damages) {
        SCOPED_TRACE(what);
        std::ofstream(Archive(), std::ios::binary | std::ios::trunc) << bytes;
        fs::remove(home / "dst/src/src.lst");
        Write("src/extra.txt", "made after the backup", kOld);
        const auto r = Run({def, "/restore", "/permitdeletion"});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_TRUE(Exists("src/extra.txt"));
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(Exists("src/f" + std::to_string(i) + ".txt")) << i;
        EXPECT_TRUE(Logged("書庫を読み込めないため") && Logged(Archive())) << Log();
        // The subdirectory's own archive is whole: it is restored as usual.
        fs::remove(home / "src/sub/inner.txt");
        EXPECT_EQ(Run({def, "/restore", "/permitdeletion"}).Status, 1);
        EXPECT_EQ(ReadAll(home / "src/sub/inner.txt"), "inner");
    }
}

TEST_P(DataSafetyTest, RestoreNeverDeletesWhereTheArchiveIsMissingOrOfTheOtherType) {
    Write("src/a.txt", "alpha", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    // The user switches the archiver type: the archive of the other type is no proof either.
    Settings("Options", "ArchiverType", ext == std::string(".zip") ? "atLha" : "atZip");
    Write("src/b.txt", "bravo", kOld);
    const auto r = Run({def, "/restore", "/permitdeletion"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_TRUE(Exists("src/a.txt"));
    EXPECT_TRUE(Exists("src/b.txt"));
    EXPECT_TRUE(Logged("書庫が無いため") && Logged("src" + OtherExt())) << Log();
}

// Files and directories that the item never takes are not "missing from the backup".
TEST_P(DataSafetyTest, RestoreDeletesOnlyWhatTheItemWouldBackUp) {
    Write("src/kept.txt", "backed up", kOld);
    Write("src/sub/in.txt", "backed up", kOld);
    auto item = Item();
    item.TargetFiles = "*.txt";
    item.SkipFiles = "*.tmp.txt";
    const std::string def = Save({item});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);

    const std::vector<std::string> neverTaken = {
        "src/.hidden.txt",          "src/x.tmp.txt",       "src/notes.doc", "src/.git/config",
        "src/.git/objects/ab/cdef", "src/sub/.profile.txt"};
    for (const auto& f : neverTaken)
        Write(f, "not the backup's business", kOld);
    Write("src/stray.txt", "taken by the item but not in the backup", kOld);
    Write("src/straydir/s.txt", "a directory the backup does not hold", kOld);
    const auto r = Run({def, "/restore", "/permitdeletion"});
    EXPECT_EQ(r.Status, 0) << r.Err << Log();
    for (const auto& f : neverTaken)
        EXPECT_TRUE(Exists(f)) << f;
    EXPECT_FALSE(Exists("src/stray.txt"));
    EXPECT_FALSE(Exists("src/straydir"));
    EXPECT_TRUE(Exists("src/kept.txt"));
    EXPECT_TRUE(Exists("src/sub/in.txt"));

    // Without subdirectories in the item no directory is deleted.
    item.SubDir = false;
    const std::string flat = Save({item}, "flat.vmp");
    Write("src/straydir/s.txt", "again", kOld);
    EXPECT_EQ(Run({flat, "/restore", "/permitdeletion"}).Status, 0);
    EXPECT_TRUE(Exists("src/straydir/s.txt"));
    EXPECT_TRUE(Exists("src/sub/in.txt"));
}

// A cache that lists a member the archive no longer has (left by an interrupted run of an older
// version) no longer blocks the directory: the pass lists the archive and completes.
TEST_P(DataSafetyTest, StaleListingCacheIsHealedInTheSameRun) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/b.txt", "bravo", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const std::string staleCache = ReadAll(home / "dst/src/src.lst");
    fs::remove(home / "src/b.txt");
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    ASSERT_EQ(Members(Archive()), "a.txt 5\n");
    std::ofstream(home / "dst/src/src.lst", std::ios::binary) << staleCache; // lists b.txt

    fs::remove(home / "src/a.txt");
    Write("src/c.txt", "charlie", kOld);
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 0) << r.Err << Log();
    EXPECT_EQ(Members(Archive()), "c.txt 7\n");
    EXPECT_NE(ReadAll(home / "dst/src/src.lst").find("c.txt"), std::string::npos);
    EXPECT_EQ(ReadAll(home / "dst/src/src.lst").find("b.txt"), std::string::npos);
}

// An archive that exists but cannot be read is kept as history and the directory backed up
// into a new one.
TEST_P(DataSafetyTest, BackupSetsAnUnreadableArchiveAsideAndStartsAnew) {
    Write("src/a.txt", "alpha", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::ofstream(Archive(), std::ios::binary | std::ios::trunc) << "not an archive at all";
    fs::remove(home / "dst/src/src.lst");
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_EQ(Members(Archive()), "a.txt 5\n");
    int keptAside = 0;
    for (const auto& e : fs::directory_iterator(home / "dst/src"))
        if (e.path().filename().string().rfind("$vm$", 0) == 0 &&
            ReadAll(e.path()) == "not an archive at all")
            ++keptAside;
    EXPECT_EQ(keptAside, 1);
    EXPECT_TRUE(Logged("履歴バックアップとして退避")) << Log();
    EXPECT_EQ(Run({def, "/backup"}).Status, 0);
}

// Two sources whose last names are equal would share one archive.
TEST_P(DataSafetyTest, TwoSourcesNeverShareOneArchive) {
    Write("a/docs/from-a.txt", "a", kOld);
    Write("b/docs/from-b.txt", "b", kOld);
    Write("c/only.txt", "c", kOld);
    auto both = Item(home / "a/docs");
    both.SrcDirs += "\r\n" + (home / "b/docs");
    auto other = Item(home / "c");
    const std::string oneItem = Save({both, other});
    for (int run = 0; run < 2; ++run) {
        const auto r = Run({oneItem, "/backup"});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_EQ(Members(home / ("dst/docs/docs" + ext)), "from-a.txt 1\n");
        EXPECT_EQ(Members(home / ("dst/c/c" + ext)), "only.txt 1\n"); // the rest still runs
        EXPECT_TRUE(Logged(home / "b/docs") && Logged(home / "a/docs") && Logged("同じ書庫"))
            << Log();
    }
    // Across items with one destination, and on restore: b's files never land in a.
    const std::string twoItems = Save({Item(home / "a/docs"), Item(home / "b/docs")}, "two.vmp");
    EXPECT_EQ(Run({twoItems, "/backup"}).Status, 1);
    EXPECT_EQ(Members(home / ("dst/docs/docs" + ext)), "from-a.txt 1\n");
    EXPECT_EQ(Run({twoItems, "/restore", "/permitdeletion"}).Status, 1);
    EXPECT_EQ(Listing(home / "b/docs"), "from-b.txt\n");
    EXPECT_EQ(Listing(home / "a/docs"), "from-a.txt\n");
}

// A subdirectory named like its parent's archive or listing cache would stand where they lie.
TEST_P(DataSafetyTest, SubdirectoryNamedLikeTheArchiveOrCacheIsRefused) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/src" + ext + "/inside.txt", "refused", kOld);
    Write("src/src.lst/inside.txt", "refused", kOld);
    Write("src/fine/f.txt", "fine", kOld);
    const std::string def = Save({Item()});
    for (int run = 0; run < 2; ++run) {
        const auto r = Run({def, "/backup"});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_EQ(Members(Archive()), "a.txt 5\n");
        EXPECT_EQ(Members(Archive("src/fine")), "f.txt 4\n");
        EXPECT_TRUE(Logged(home / ("src/src" + ext)) && Logged(home / "src/src.lst")) << Log();
    }
    // Restore with deletion leaves them alone: the backup never took them.
    EXPECT_EQ(Run({def, "/restore", "/permitdeletion"}).Status, 0) << Log();
    EXPECT_TRUE(Exists("src/src" + ext + "/inside.txt"));
    EXPECT_TRUE(Exists("src/src.lst/inside.txt"));
}

// One unreadable file is named; the rest of its directory and everything below are backed up.
TEST_P(DataSafetyTest, UnreadableFileIsNamedAndTheRestBackedUp) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/secret.txt", "secret", kOld);
    Write("src/z.txt", "zulu", kOld);
    Write("src/sub/in.txt", "inner", kOld);
    fs::permissions(home / "src/secret.txt", fs::perms::none);
    const std::string def = Save({Item()});
    for (int run = 0; run < 2; ++run) {
        const auto r = RunAsNobody({def, "/backup"});
        EXPECT_EQ(r.Status, 1) << r.Err << Log();
        EXPECT_EQ(Members(Archive()), "a.txt 5\nz.txt 4\n");
        EXPECT_EQ(Members(Archive("src/sub")), "in.txt 5\n");
        EXPECT_TRUE(Logged("ファイルを読み込めないため除外しました：" + (home / "src/secret.txt")))
            << Log();
    }
    // Readable again: the next run takes it.
    fs::permissions(home / "src/secret.txt", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(RunAsNobody({def, "/backup"}).Status, 0) << Log();
    EXPECT_EQ(Members(Archive()), "a.txt 5\nsecret.txt 6\nz.txt 4\n");
}

// Directories deeper than the system's path limit are named; the rest of the tree is backed up.
TEST_P(DataSafetyTest, PathTooLongForTheSystemIsNamedAndTheRestBackedUp) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/zlater/z.txt", "zulu", kOld);
    // Built relative to an open directory: the full path is longer than any call takes.
    const std::string part(200, 'd');
    int fd = ::open((home / "src").c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 1; i <= 25 && fd >= 0; ++i) {
        const std::string name = part + std::to_string(i);
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = sub;
        const int f = ::openat(fd, "f.txt", O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::write(f, "deep\n", 5), 5);
        ::close(f);
    }
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string def = Save({Item()});
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_TRUE(Logged("パスが長すぎるため")) << Log();
    EXPECT_EQ(Members(Archive()), "a.txt 5\n");
    EXPECT_EQ(Members(Archive("src/zlater")), "z.txt 4\n") << Log();
    EXPECT_EQ(Members(Archive("src/" + part + "1")), "f.txt 5\n");
}

// A directory whose name leaves its archive no room for the names of its work files is named;
// the directories after it are backed up.
TEST_P(DataSafetyTest, DirectoryNameTooLongForTheWorkFilesIsNamedAndTheRestBackedUp) {
    const std::string longest(240, 'n'); // the cache's work file would need 258 characters
    const std::string fits(236, 'f');
    Write("src/" + longest + "/l.txt", "long", kOld);
    Write("src/" + fits + "/f.txt", "fits", kOld);
    Write("src/zlater/z.txt", "zulu", kOld);
    const std::string def = Save({Item()});
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_TRUE(Logged("ディレクトリ名が長すぎるため処理しません：" + home / ("src/" + longest)))
        << Log();
    EXPECT_TRUE(Logged("バックアップ完了．")) << Log();
    EXPECT_EQ(Members(Archive("src/" + fits)), "f.txt 4\n");
    EXPECT_EQ(Members(Archive("src/zlater")), "z.txt 4\n");
    EXPECT_FALSE(std::filesystem::exists(Archive("src/" + longest)));
}

// Names are bytes: one that is not valid UTF-8 comes back exactly, and with it the rest.
TEST_P(DataSafetyTest, NamesThatAreNotUtf8ComeBackByteExact) {
    const std::string odd = "bad\xFF\xFE.txt";
    const std::string latin1 = "caf\xE9.txt";
    Write("src/" + odd, "odd", kOld);
    Write("src/" + latin1, "latin1", kOld);
    Write("src/plain.txt", "plain", kOld);
    Write("src/sub\xFF/in.txt", "inner", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0) << Log();
    fs::remove_all(home / "src");
    const auto r = Run({def, "/restore"});
    EXPECT_EQ(r.Status, 0) << r.Err << Log();
    EXPECT_EQ(ReadAll(home / ("src/" + odd)), "odd");
    EXPECT_EQ(ReadAll(home / ("src/" + latin1)), "latin1");
    EXPECT_EQ(ReadAll(home / "src/plain.txt"), "plain");
    EXPECT_EQ(ReadAll(home / "src/sub\xFF/in.txt"), "inner");
    // A second backup finds every name in the archive: nothing to do.
    const auto archiveTime = fs::last_write_time(Archive());
    EXPECT_EQ(Run({def, "/backup"}).Status, 0);
    EXPECT_EQ(fs::last_write_time(Archive()), archiveTime);
}

// Work files of killed runs: beside the archive (the destination's lock says no run holds them)
// and beside a restored file; a user's file of a similar name stays.
TEST_P(DataSafetyTest, WorkFilesOfKilledRunsAreRemoved) {
    Write("src/a.txt", "alpha", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const std::string base = platform::ExtractFileName(Archive());
    Write("dst/src/" + base + ".unlha-Ab12Cd", "left by a killed update");
    Write("dst/src/" + base + ".Zx81Qw", "left by a killed update");
    Write("dst/src/notes.txt.Zx81Qw", "someone else's");
    Write("src/new.txt", "new", kOld);
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    EXPECT_FALSE(Exists("dst/src/" + base + ".unlha-Ab12Cd"));
    EXPECT_FALSE(Exists("dst/src/" + base + ".Zx81Qw"));
    EXPECT_TRUE(Exists("dst/src/notes.txt.Zx81Qw"));
    for (const char* mark : {".unlha-", ".unzip-"}) {
        Write("src/a.txt" + std::string(mark) + "Ab12Cd", "left by a killed restore");
        Write("src/b.txt" + std::string(mark) + "Ab12Cd", "not of a member: a user's file");
    }
    ASSERT_EQ(Run({def, "/restore"}).Status, 0);
    for (const char* mark : {".unlha-", ".unzip-"}) {
        EXPECT_FALSE(Exists("src/a.txt" + std::string(mark) + "Ab12Cd")) << mark;
        EXPECT_TRUE(Exists("src/b.txt" + std::string(mark) + "Ab12Cd")) << mark;
    }
}

// A backup between a killed restore and the next one leaves the restore's work file out, and
// takes one that a backup packed before its file came back to the history; a user's file of a
// similar name whose file is neither in the source nor in the archive is backed up.
TEST_P(DataSafetyTest, ABackupLeavesOutTheWorkFilesOfAKilledRestore) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/b.txt.unzip-Ab12Cd", "packed while b.txt was away", kOld);
    Write("src/c.txt.unzip-Ab12Cd", "a user's file", kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    ASSERT_EQ(Members(Archive()), "a.txt 5\nb.txt.unzip-Ab12Cd 27\nc.txt.unzip-Ab12Cd 13\n");

    Write("src/b.txt", "bravo", kOld);
    Write("src/a.txt.unlha-Zz99Yy", "partial data of a killed restore", kOld);
    ::sleep(1);
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 0) << r.Err << Log();
    EXPECT_EQ(Members(Archive()), "a.txt 5\nb.txt 5\nc.txt.unzip-Ab12Cd 13\n");
    for (const char* name : {"a.txt.unlha-Zz99Yy", "b.txt.unzip-Ab12Cd"}) {
        EXPECT_TRUE(Logged("中断された復元の作業ファイルのためバックアップしません：" +
                           home / ("src/" + std::string(name))))
            << name << Log();
        EXPECT_TRUE(Exists("src/" + std::string(name))) << "a backup never deletes a source file";
    }
    const auto history = HistoryBackups();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(Members(history[0]), "b.txt.unzip-Ab12Cd 27\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, DataSafetyTest, ::testing::Values(".lzh", ".zip"),
                         [](const auto& info) { return std::string(info.param + 1); });

} // namespace

namespace {

// Restores from ZIP archives that other tools made in the destination.
class ForeignZipRestoreTest : public testing_support::RunFixture {
protected:
    void SetUp() override {
        Settings("Options", "ArchiverType", "atZip");
        fs::create_directories(home / "dst/src");
    }
    // Runs a shell command in a directory below home.
    int Shell(const std::string& dir, const std::string& command) {
        fs::create_directories(home / dir);
        return std::system(("cd " + ShellQuote(home / dir) + " && " + command).c_str());
    }
};

// A link member would let the restore of the next subdirectory write outside the source tree.
TEST_F(ForeignZipRestoreTest, LinkMembersAreRefusedAndNeverWrittenThrough) {
    fs::create_directories(home / "outside");
    ASSERT_EQ(Shell("craft", "echo ok > ok.txt && ln -s " + ShellQuote(home / "outside") +
                                 " link && zip -q --symlinks " +
                                 ShellQuote(home / "dst/src/src.zip") + " ok.txt link"),
              0);
    ASSERT_EQ(Shell("craft2", "echo evil > evil.txt && mkdir -p " +
                                  ShellQuote(home / "dst/src/link") + " && zip -q " +
                                  ShellQuote(home / "dst/src/link/link.zip") + " evil.txt"),
              0);
    const std::string def = Save({Item()});
    const auto r = Run({def, "/restore"});
    EXPECT_EQ(r.Status, 1) << r.Err << Log();
    EXPECT_FALSE(fs::exists(home / "outside/evil.txt"));
    EXPECT_FALSE(fs::is_symlink(home / "src/link"));
    EXPECT_EQ(ReadAll(home / "src/ok.txt"), "ok\n");
    EXPECT_NE(Log().find("書庫操作のエラー：symbolic link not extracted: link"), std::string::npos)
        << Log();

    // A link the user put in place of a backed-up directory is not followed either.
    fs::remove_all(home / "src/link");
    fs::create_directory_symlink(home / "outside", home / "src/link");
    EXPECT_EQ(Run({def, "/restore"}).Status, 1);
    EXPECT_FALSE(fs::exists(home / "outside/evil.txt"));
    EXPECT_NE(Log().find("シンボリックリンクのため"), std::string::npos) << Log();
}

// bsdtar writes a "./" entry and "./" in front of every name: a complete extraction.
TEST_F(ForeignZipRestoreTest, DotSlashEntriesRestoreCompletely) {
    ASSERT_EQ(Shell("tree", "echo alpha > a.txt && echo bravo > b.txt && bsdtar -a -cf " +
                                ShellQuote(home / "dst/src/src.zip") + " ."),
              0);
    const std::string def = Save({Item()});
    const auto r = Run({def, "/restore"});
    EXPECT_EQ(r.Status, 0) << r.Err << Log();
    EXPECT_EQ(ReadAll(home / "src/a.txt"), "alpha\n");
    EXPECT_EQ(ReadAll(home / "src/b.txt"), "bravo\n");
}

// A ZIP cut short loses its central directory: what is intact comes back, the damage is told.
TEST_F(ForeignZipRestoreTest, TruncatedArchiveRestoresWhatIsIntact) {
    ASSERT_EQ(Shell("tree", "head -c 300000 /dev/urandom > big.bin && echo alpha > a.txt && "
                            "echo bravo > b.txt && zip -q " +
                                ShellQuote(home / "dst/src/src.zip") + " a.txt b.txt big.bin"),
              0);
    const auto size = fs::file_size(home / "dst/src/src.zip");
    fs::resize_file(home / "dst/src/src.zip", size - 1000); // into big.bin's data
    const std::string def = Save({Item()});
    const auto r = Run({def, "/restore", "/permitdeletion"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_EQ(ReadAll(home / "src/a.txt"), "alpha\n");
    EXPECT_EQ(ReadAll(home / "src/b.txt"), "bravo\n");
    EXPECT_FALSE(fs::exists(home / "src/big.bin")); // never half-written under its name
    EXPECT_NE(Log().find("書庫を読み込めないため"), std::string::npos) << Log();
}

} // namespace

namespace {

using LhaRestoreTest = testing_support::RunFixture;

// A member whose data is damaged is named in the log; the others come back.
// (LZH: the last member's data lies just before the archive's end.)
TEST_F(LhaRestoreTest, DamagedMemberIsNamedAndTheOthersRestored) {
    Write("src/a.txt", "alpha", kOld);
    std::string noise;
    for (int i = 0; i < 20000; ++i)
        noise += static_cast<char>((i * 7919 + i / 13) & 0xFF);
    Write("src/zz.bin", noise, kOld);
    const std::string def = Save({Item()});
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::string bytes = ReadAll(home / "dst/src/src.lzh");
    bytes[bytes.size() - 100] = static_cast<char>(bytes[bytes.size() - 100] ^ 0x55);
    std::ofstream(home / "dst/src/src.lzh", std::ios::binary | std::ios::trunc) << bytes;
    fs::remove_all(home / "src");
    const auto r = Run({def, "/restore"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(ReadAll(home / "src/a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(home / "src/zz.bin"));
    EXPECT_TRUE(Log().find("書庫操作のエラー：") != std::string::npos &&
                Log().find("zz.bin") != std::string::npos)
        << Log();
    EXPECT_NE(r.Err.find("zz.bin"), std::string::npos) << r.Err; // and on standard error
}

} // namespace
