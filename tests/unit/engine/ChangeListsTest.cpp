#include "engine/ArchiveNames.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"
#include "tests/unit/engine/EngineFixture.h"

#include <filesystem>

using namespace engine;
using selection::TVMFileInfo;
using selection::TVMFiles;
using testing_support::EngineFixture;

namespace {

const platform::TDateTime kNoon = platform::EncodeDateTime(2024, 1, 31, 12, 0, 0, 0);
const double kSecond = 1.0 / 86400.0;

TVMFiles List(std::initializer_list<std::pair<const char*, double>> items, std::int32_t attr = 32) {
    TVMFiles list;
    for (const auto& [name, time] : items) {
        TVMFileInfo info;
        info.Name = name;
        info.Time = time;
        info.Attr = attr;
        list.Add(info);
    }
    selection::SortByName(list);
    return list;
}

std::vector<std::string> Marked(const TVMFiles& list) {
    std::vector<std::string> names;
    selection::MarkedNames(list, names);
    return names;
}

using Names = std::vector<std::string>;

class ChangeListsTest : public EngineFixture {};

TEST(CompareTimesTest, TenSecondBandInBothDirections) {
    EXPECT_EQ(CompareTimes(kNoon + 6 * kSecond, kNoon), 0);
    EXPECT_EQ(CompareTimes(kNoon, kNoon + 9.9 * kSecond), 0);
    EXPECT_EQ(CompareTimes(kNoon + 12 * kSecond, kNoon), 1);
    EXPECT_EQ(CompareTimes(kNoon - 12 * kSecond, kNoon), -1);
    EXPECT_EQ(CompareTimes(kNoon + 10.01 * kSecond, kNoon), 1);
}

TEST_F(ChangeListsTest, DecisionTableOfOneDirectory) {
    // new: only at the source; same: within 10 s; newer/older: 10 s or more apart either way;
    // gone: only in the archive.
    TVMFiles source = List({{"new.txt", kNoon},
                            {"same.txt", kNoon + 6 * kSecond},
                            {"newer.txt", kNoon + 60 * kSecond},
                            {"older.txt", kNoon - 60 * kSecond}});
    TVMFiles members = List(
        {{"same.txt", kNoon}, {"newer.txt", kNoon}, {"older.txt", kNoon}, {"gone.txt", kNoon}});

    // History of modified files, then of deleted ones: the marks add up.
    selection::ClearMarks(source);
    selection::ClearMarks(members);
    EXPECT_TRUE(eng.CheckDeleteBackupFiles(source, members));
    EXPECT_EQ(Marked(members), (Names{"newer.txt", "older.txt"}));
    EXPECT_TRUE(eng.CheckDeleteFiles(source, members));
    EXPECT_EQ(Marked(members), (Names{"gone.txt", "newer.txt", "older.txt"}));

    // Removal of the deleted ones alone.
    selection::ClearMarks(source);
    selection::ClearMarks(members);
    EXPECT_TRUE(eng.CheckDeleteFiles(source, members));
    EXPECT_EQ(Marked(members), Names{"gone.txt"});

    // Packing.
    selection::ClearMarks(source);
    selection::ClearMarks(members);
    EXPECT_TRUE(eng.CheckBackupFiles(source, members));
    EXPECT_EQ(Marked(source), (Names{"new.txt", "newer.txt", "older.txt"}));
}

TEST_F(ChangeListsTest, NamesDifferingOnlyInCaseStayApart) {
    TVMFiles source = List({{"Readme.TXT", kNoon}});
    TVMFiles members = List({{"README.txt", kNoon}});
    EXPECT_TRUE(eng.CheckBackupFiles(source, members));
    EXPECT_EQ(Marked(source), Names{"Readme.TXT"});
    selection::ClearMarks(members);
    EXPECT_TRUE(eng.CheckDeleteFiles(source, members));
    EXPECT_EQ(Marked(members), Names{"README.txt"});
}

TEST_F(ChangeListsTest, EmptyListsGiveNothing) {
    TVMFiles a, b;
    EXPECT_FALSE(eng.CheckBackupFiles(a, b));
    EXPECT_FALSE(eng.CheckDeleteFiles(a, b));
    EXPECT_FALSE(eng.CheckDeleteBackupFiles(a, b));
    EXPECT_FALSE(eng.CheckRestoreFiles(a, b, true));
}

TEST_F(ChangeListsTest, RestoreOnlyIfNewer) {
    TVMFiles dest = List({{"a.txt", kNoon + 300 * kSecond}, {"b.txt", kNoon}});
    TVMFiles members = List({{"a.txt", kNoon}, {"b.txt", kNoon + 300 * kSecond}, {"c.txt", kNoon}});
    EXPECT_TRUE(eng.CheckRestoreFiles(dest, members, true));
    EXPECT_EQ(Marked(members), (Names{"b.txt", "c.txt"}));
    selection::ClearMarks(dest);
    selection::ClearMarks(members);
    EXPECT_TRUE(eng.CheckRestoreFiles(dest, members, false));
    EXPECT_EQ(Marked(members), (Names{"a.txt", "b.txt", "c.txt"}));
}

TEST_F(ChangeListsTest, DebugOutputOfAPass) {
    state.DebugMode = true;
    TVMFiles source = List({{"x.txt", kNoon}});
    TVMFiles members;
    eng.CheckBackupFiles(source, members);
    EXPECT_TRUE(host.DebugScreenShown);
    EXPECT_EQ(
        host.DebugLines,
        (Names{"<>TFrmMainWindow.CheckBackupFiles - chosen files to be backed up.", "  x.txt"}));
}

TEST_F(ChangeListsTest, ChooseFilesByPatternsAttributesAndTime) {
    definition::TVMTask item;
    item.TargetFiles = "*.txt;*.DOC";
    item.SkipFiles = "secret*";
    TVMFiles files =
        List({{"a.txt", kNoon}, {"B.Doc", kNoon}, {"c.jpg", kNoon}, {"secret.txt", kNoon}});
    TVMFileInfo hidden;
    hidden.Name = ".hidden.txt";
    hidden.Attr = selection::faHidden | selection::faArchive;
    files.Add(hidden);
    eng.ChooseFiles(files, item);
    EXPECT_EQ(files.Count(), 2);
    EXPECT_EQ(files[0].Name, "B.Doc");
    EXPECT_EQ(files[1].Name, "a.txt");

    item.IncludeHidden = true;
    item.TSMode = 1;
    item.TSModeDate = kNoon;
    TVMFiles dated = List({{"old.txt", kNoon - kSecond}, {"now.txt", kNoon}});
    dated.Add(hidden);
    dated[dated.Count() - 1].Time = kNoon + 1;
    eng.ChooseFiles(dated, item);
    EXPECT_EQ(dated.Count(), 2);

    // Mode 2 with 0 days: the limit is the moment of the check.
    item.TSMode = 2;
    item.TSModeDays = 0;
    TVMFiles recent =
        List({{"past.txt", platform::Now() - kSecond}, {"future.txt", platform::Now() + 1}});
    eng.ChooseFiles(recent, item);
    ASSERT_EQ(recent.Count(), 1);
    EXPECT_EQ(recent[0].Name, "future.txt");
}

TEST_F(ChangeListsTest, ChooseDirsKeepsEveryDirectoryWithoutDirectoryPatterns) {
    for (const bool regExp : {false, true}) {
        definition::TVMTask item;
        item.TargetFiles = regExp ? "\\.txt$" : "*.txt";
        item.RegExp = regExp;
        TVMFiles dirs = List({{"docs", kNoon}, {"src", kNoon}}, selection::faDirectory);
        eng.ChooseDirs(dirs, item);
        EXPECT_EQ(dirs.Count(), 2) << regExp;
    }
}

TEST(ArchiveNamesTest, LinuxPaths) {
    EXPECT_EQ(ArchiveDirFor("/data/Docs", "/mnt/bk"), "/mnt/bk/Docs");
    EXPECT_EQ(ArchiveDirFor("/data/Docs/", "/mnt/bk/"), "/mnt/bk/Docs");
    EXPECT_EQ(ArchiveDirFor("/", "/mnt/bk"), "/mnt/bk/nil");
    EXPECT_EQ(ArchiveDirFor("/data/a\\b:c", "/mnt/bk"), "/mnt/bk/a\\b:c");

    const platform::TDateTime t = platform::EncodeDateTime(2024, 3, 15, 9, 30, 12, 0);
    TArchiveNames n = MakeArchiveNames("/data/my.docs", "/mnt/bk/my.docs", t, true, engine::atLzh);
    EXPECT_EQ(n.Archive, "/mnt/bk/my.docs/my.lzh");
    EXPECT_EQ(n.History, "/mnt/bk/my.docs/$vm$20240315093012.lzh");
    n = MakeArchiveNames("/data/my.docs", "/mnt/bk/my.docs", t, false, engine::atLzh);
    EXPECT_EQ(n.Archive, "/mnt/bk/my.docs/vm.lzh");
    n = MakeArchiveNames("/", "/mnt/bk/nil", t, true, engine::atZip);
    EXPECT_EQ(n.Archive, "/mnt/bk/nil/root.zip");
    EXPECT_EQ(n.History, "/mnt/bk/nil/$vm$20240315093012.zip");
    // Two sources with the same last component share the archive directory.
    EXPECT_EQ(ArchiveDirFor("/a/Docs", "/bk"), ArchiveDirFor("/b/Docs", "/bk"));
}

TEST(ArchiveNamesTest, AHistoryBackupOfTheSameSecondIsNeverAddedTo) {
    testing_support::TempDir dir;
    // 23:59:59: the next free name is in the next day.
    const platform::TDateTime t = platform::EncodeDateTime(2024, 12, 31, 23, 59, 59, 999);
    EXPECT_EQ(FreeHistoryName(dir.Path(), t, engine::atLzh), dir / "$vm$20241231235959.lzh");
    dir.Write("$vm$20241231235959.lzh", "earlier run");
    EXPECT_EQ(FreeHistoryName(dir.Path(), t, engine::atLzh), dir / "$vm$20250101000000.lzh");
    std::filesystem::create_directory(dir / "$vm$20250101000000.lzh"); // anything of that name
    EXPECT_EQ(FreeHistoryName(dir.Path(), t, engine::atLzh), dir / "$vm$20250101000001.lzh");
    EXPECT_EQ(FreeHistoryName(dir.Path(), t, engine::atZip), dir / "$vm$20241231235959.zip");
    // A history directory likewise, named after its archive directory.
    EXPECT_EQ(FreeHistoryDirName(dir.Path(), "sub", t), dir / "$vm$sub20241231235959");
    std::filesystem::create_directory(dir / "$vm$sub20241231235959");
    EXPECT_EQ(FreeHistoryDirName(dir.Path(), "sub", t), dir / "$vm$sub20250101000000");
}

} // namespace
