#include "platform/FileUtil.h"
#include "select/FileScan.h"
#include "select/ListArchive.h"
#include "select/ListCache.h"
#include "tests/unit/engine/EngineFixture.h"

#include <algorithm>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace selection;
using testing_support::EngineFixture;
using testing_support::ReadAll;
using testing_support::RecordingLibrary;
using testing_support::TempDir;

namespace {

std::vector<std::string> Names(const TVMFiles& list) {
    std::vector<std::string> names;
    for (const auto& f : list)
        names.push_back(f.Name);
    return names;
}

using StrList = std::vector<std::string>;

TEST(ScanTest, FilesAndDirectoriesOfATree) {
    TempDir t;
    std::filesystem::create_directories(t / "d/sub");
    std::filesystem::create_directories(t / "d/$vm$docs20240101120000");
    std::filesystem::create_directories(t / "d/$VM$x");
    std::filesystem::create_directories(t / "d/.hiddendir");
    t.Write("d/plain.txt", "12345");
    t.Write("d/.dot", "");
    t.Write("d/\xE6\x97\xA5\xE6\x9C\xAC.txt", "j");
    t.Write("d/odd\xFF name*?[.txt", "o");
    const std::string ro = t.Write("d/ro.txt", "r");
    ::chmod(ro.c_str(), 0444);
    std::filesystem::create_directory_symlink(t / "d/sub", t / "d/linkdir");
    std::filesystem::create_symlink(t / "d/plain.txt", t / "d/linkfile");
    ::mkfifo((t / "d/fifo").c_str(), 0600);

    TVMFiles files;
    ScanFiles(files, t / "d");
    SortByName(files);
    EXPECT_EQ(Names(files), (StrList{".dot", "linkfile", "odd\xFF name*?[.txt", "plain.txt",
                                     "ro.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"}));
    for (const auto& f : files) {
        if (f.Name == ".dot") {
            EXPECT_TRUE(f.Attr & faHidden);
        }
        if (f.Name == "ro.txt") {
            EXPECT_TRUE(f.Attr & faReadOnly);
        }
        if (f.Name == "plain.txt") {
            EXPECT_EQ(f.Size, 5);
            EXPECT_EQ(f.Attr, faArchive);
        }
    }

    TVMFiles dirs;
    ScanDirs(dirs, t / "d", false);
    SortByName(dirs);
    EXPECT_EQ(Names(dirs), (StrList{"$VM$x", ".hiddendir", "sub"}));
    ScanDirs(dirs, t / "d", true);
    SortByName(dirs);
    EXPECT_EQ(Names(dirs), (StrList{"$VM$x", "$vm$docs20240101120000", ".hiddendir", "sub"}));

    // One reading gives both lists alike.
    TVMFiles both, bothDirs;
    EXPECT_TRUE(ScanDirectory(both, bothDirs, t / "d", false));
    SortByName(both);
    SortByName(bothDirs);
    EXPECT_EQ(Names(both), Names(files));
    ScanDirs(dirs, t / "d", false);
    SortByName(dirs);
    EXPECT_EQ(Names(bothDirs), Names(dirs));
    EXPECT_FALSE(ScanDirectory(both, bothDirs, t / "missing", false));

    ScanFiles(files, t / "missing");
    EXPECT_EQ(files.Count(), 0);
    ScanFiles(files, t / "d/sub"); // only subdirectories: no files
    EXPECT_EQ(files.Count(), 0);
}

TEST(ScanTest, EntriesLeftOutForTheirKindAreReportedOnceInNameOrder) {
    TempDir t;
    std::filesystem::create_directories(t / "d/sub");
    t.Write("d/plain.txt", "p");
    ::mkfifo((t / "d/fifo").c_str(), 0600);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = t / "d/sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ::close(sock);
    std::filesystem::create_directory_symlink(t / "d/sub", t / "d/linkdir");
    std::filesystem::create_symlink(t / "d/none", t / "d/dangling");
    std::filesystem::create_symlink(t / "d/fifo", t / "d/linkfifo");
    std::filesystem::create_symlink(t / "d/plain.txt", t / "d/linkfile"); // taken as the file

    std::vector<std::pair<std::string, platform::SkippedKind>> skipped;
    TVMFiles files, dirs;
    ASSERT_TRUE(ScanDirectory(files, dirs, t / "d", false, [&](const platform::SkippedEntry& e) {
        skipped.emplace_back(e.Name, e.Kind);
    }));
    using K = platform::SkippedKind;
    EXPECT_EQ(skipped, (std::vector<std::pair<std::string, K>>{{"dangling", K::DanglingLink},
                                                               {"fifo", K::Fifo},
                                                               {"linkdir", K::DirectoryLink},
                                                               {"linkfifo", K::SpecialLink},
                                                               {"sock", K::Socket}}));
    SortByName(files);
    EXPECT_EQ(Names(files), (StrList{"linkfile", "plain.txt"}));
    EXPECT_EQ(Names(dirs), (StrList{"sub"}));

    // A device, where this system lets one be made.
    if (::mknod((t / "d/null").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
        skipped.clear();
        ScanDirectory(files, dirs, t / "d", false, [&](const platform::SkippedEntry& e) {
            skipped.emplace_back(e.Name, e.Kind);
        });
        EXPECT_NE(std::find(skipped.begin(), skipped.end(),
                            std::pair{std::string("null"), K::CharacterDevice}),
                  skipped.end());
    }

    // Without a handler, the same lists.
    TVMFiles files2, dirs2;
    ASSERT_TRUE(ScanDirectory(files2, dirs2, t / "d", false));
    SortByName(files2);
    EXPECT_EQ(Names(files2), Names(files));
}

TEST(DeleteTreeTest, LinksAreRemovedNeverFollowed) {
    TempDir t;
    std::filesystem::create_directories(t / "outside/keep");
    t.Write("outside/keep/precious.txt", "p");
    std::filesystem::create_directories(t / "tree/a/b");
    t.Write("tree/a/b/f.txt", "f");
    std::filesystem::create_directory_symlink(t / "outside", t / "tree/a/link");
    std::filesystem::create_symlink(t / "outside/keep/precious.txt", t / "tree/filelink");
    DeleteTree(t / "tree/");
    EXPECT_FALSE(std::filesystem::exists(t / "tree"));
    EXPECT_EQ(ReadAll(t / "outside/keep/precious.txt"), "p");

    // A link standing for the tree itself is removed, the directory behind it stays.
    std::filesystem::create_directory_symlink(t / "outside", t / "alias");
    DeleteTree(t / "alias");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(t / "alias")));
    EXPECT_TRUE(std::filesystem::exists(t / "outside/keep/precious.txt"));

    // A directory that cannot be removed raises with the system error.
    try {
        DeleteTree(t / "outside/keep/precious.txt/x");
        FAIL();
    } catch (const platform::EFileError& e) {
        EXPECT_EQ(e.Error(), ENOTDIR);
    }
}

TEST(SizeTextTest, Cases) {
    EXPECT_EQ(SizeText(0), "0 Bytes");
    EXPECT_EQ(SizeText(512), "512 Bytes");
    EXPECT_EQ(SizeText(1023), "1023 Bytes");
    EXPECT_EQ(SizeText(1024), "1.0 kBytes");
    EXPECT_EQ(SizeText(2560), "2.5 kBytes");
    EXPECT_EQ(SizeText(1048576), "1.0 MBytes");
    EXPECT_EQ(SizeText(5000LL * 1048576), "5,000.0 MBytes");
}

TEST(DosDateTimeTest, FieldsAndInvalidValues) {
    // 2024-01-31 (44 << 9 | 1 << 5 | 31), 12:34:56 (12 << 11 | 34 << 5 | 28)
    const platform::TDateTime t =
        DosDateTimeToDateTime(44 << 9 | 1 << 5 | 31, 12 << 11 | 34 << 5 | 28);
    EXPECT_EQ(platform::DateTimeToStr(t), "2024/01/31 12:34:56");
    EXPECT_THROW(DosDateTimeToDateTime(44 << 9 | 13 << 5 | 1, 0), platform::EConvertError);
}

TEST(ListCacheTest, WrittenCacheReadsBackIncludingMidnight) {
    TempDir t;
    TVMFiles list;
    list.Add({"a b.txt", 10, platform::EncodeDateTime(2024, 1, 31, 0, 0, 0, 0), false, true, 32});
    list.Add({"\xE6\x97\xA5.txt", -5, platform::EncodeDateTime(2024, 2, 1, 23, 59, 58, 0), true,
              false, 35});
    const std::string archive = t / "docs.lzh";
    EXPECT_EQ(ListCacheFileName(archive), t / "docs.lst");
    ASSERT_TRUE(WriteListCache(archive, list));
    EXPECT_EQ(ReadAll(t / "docs.lst"),
              "2\r\na b.txt\r\n10\r\n2024/01/31\r\n32\r\n\xE6\x97\xA5.txt\r\n-5\r\n2024/02/01 "
              "23:59:58\r\n35\r\n");
    TVMFiles back;
    ReadListCache(t / "docs.lst", back);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[0].Name, "a b.txt");
    EXPECT_EQ(back[0].Time, list[0].Time);
    EXPECT_EQ(back[1].Size, -5);
    EXPECT_EQ(back[1].Time, list[1].Time);
    EXPECT_EQ(back[1].Attr, 35);
    EXPECT_FALSE(back[1].Candidate); // marks are not stored

    // The same list again leaves the file alone (an atomic rewrite would give a new inode).
    const auto inode = [&] {
        struct stat st {};
        ::stat((t / "docs.lst").c_str(), &st);
        return st.st_ino;
    };
    const auto before = inode();
    ASSERT_TRUE(WriteListCache(archive, list));
    EXPECT_EQ(inode(), before);

    // A name with a line break cannot be stored: no cache at all.
    list.Add({"two\nlines", 1, 0, false, false, 32});
    EXPECT_FALSE(WriteListCache(archive, list));
    EXPECT_FALSE(platform::FileExists(t / "docs.lst"));
}

TEST(ListCacheTest, BadTextRaisesAndKeepsWhatWasRead) {
    TempDir t;
    const std::string cache = t.Write("x.lst", "2\r\na\r\n1\r\n2024/01/31\r\n32\r\nb\r\nxx\r\n");
    TVMFiles list;
    EXPECT_THROW(ReadListCache(cache, list), platform::EConvertError);
    EXPECT_EQ(list.Count(), 1);
    t.Write("y.lst", "1\r\na\r\n1\r\n31.01.2024\r\n32\r\n");
    EXPECT_THROW(ReadListCache(t / "y.lst", list), platform::EConvertError);
    t.Write("z.lst", "3\r\n");
    EXPECT_THROW(ReadListCache(t / "z.lst", list), platform::EConvertError);
}

class ListArchiveTest : public EngineFixture {
protected:
    bool List(bool useCache) {
        outcome = ListArchive(list, archive, useCache, af, archives::atLha,
                              [this](const std::string& line) { logged.push_back(line); });
        return outcome == TListOutcome::Cache;
    }
    TListOutcome outcome = TListOutcome::Archive;
    RecordingLibrary lha{"libunlha32.so"};
    std::string archive = tmp.Write("docs.lzh", "archive bytes");
    TVMFiles list;
    std::vector<std::string> logged;
};

TEST_F(ListArchiveTest, MembersThroughTheFacade) {
    lha.AddMember("sub/dir/a.txt", 7, 44 << 9 | 1 << 5 | 31, 12 << 11, "-a--h-");
    lha.AddMember("b\\c.txt", 0, 44 << 9 | 1 << 5 | 31, 0, "");
    EXPECT_FALSE(List(true));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Name, "a.txt");
    EXPECT_EQ(list[0].Size, 7);
    EXPECT_EQ(list[0].Attr, 34);
    EXPECT_EQ(platform::DateTimeToStr(list[0].Time), "2024/01/31 12:00:00");
    EXPECT_EQ(list[1].Name, "b\\c.txt"); // a backslash is part of the name
    EXPECT_EQ(list[1].Attr, 0);
    EXPECT_EQ(lha.Opened(), 0); // closed again
}

TEST_F(ListArchiveTest, CacheIsUsedOrDeleted) {
    lha.AddMember("real.txt", 1, 44 << 9 | 1 << 5 | 31, 0, "a");
    const std::string cache = tmp.Write("docs.lst", "1\r\ncached.txt\r\n3\r\n2024/01/31\r\n32\r\n");
    EXPECT_TRUE(List(true));
    EXPECT_EQ(Names(list), StrList{"cached.txt"});
    // Off: the cache goes and the archive is listed.
    EXPECT_FALSE(List(false));
    EXPECT_EQ(Names(list), StrList{"real.txt"});
    EXPECT_FALSE(platform::FileExists(cache));
    // A missing archive gives an empty list.
    platform::DeleteFile(archive);
    EXPECT_FALSE(List(true));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ListArchiveTest, BrokenCacheIsDeletedLoggedAndTheArchiveListed) {
    lha.AddMember("real.txt", 1, 44 << 9 | 1 << 5 | 31, 0, "a");
    const std::string cache = tmp.Write("docs.lst", "2\r\nx\r\nnot a number\r\n");
    EXPECT_FALSE(List(true));
    EXPECT_EQ(Names(list), StrList{"real.txt"});
    EXPECT_FALSE(platform::FileExists(cache));
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find(cache), std::string::npos);
}

// A listing that stops short of the end is no listing of the archive: the members read so far
// are kept, and the outcome tells the caller not to trust them.
TEST_F(ListArchiveTest, DamageIsToldApartFromTheEnd) {
    lha.AddMember("a.txt", 1, 44 << 9 | 1 << 5 | 31, 0, "a");
    lha.SetListEnd(0x8018);
    List(false);
    EXPECT_EQ(outcome, TListOutcome::Failed);
    EXPECT_EQ(Names(list), StrList{"a.txt"});
    EXPECT_EQ(lha.Opened(), 0);
    // An archive the library cannot open at all.
    lha.SetListEnd(0);
    lha.SetOpenFails(true);
    List(false);
    EXPECT_EQ(outcome, TListOutcome::Failed);
    // A member time that no archive of ours holds (month 0) is damage too, not a crash.
    lha.SetOpenFails(false);
    lha.AddMember("b.txt", 1, 44 << 9 | 0 << 5 | 31, 0, "a");
    List(false);
    EXPECT_EQ(outcome, TListOutcome::Failed);
    // The regular end.
    platform::DeleteFile(archive);
    List(false);
    EXPECT_EQ(outcome, TListOutcome::Archive);
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
