// The facade's own file selection: masks, recursion, attributes, date limits, exclusions and
// cancelling, on real directory trees.
#include "TestSupport.h"
#include "archives/ArchiverErrors.h"
#include "archives/ComponentFileScan.h"
#include "platform/FileFind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace archives;

namespace {

void SetLocalMTime(const std::string& path, int y, int mo, int d, int h, int mi, int s) {
    tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    utimbuf times{};
    times.actime = times.modtime = mktime(&t);
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

class Scan : public ::testing::Test {
protected:
    void SetUp() override {
        tmp.Write("base/a.txt");
        tmp.Write("base/b.log");
        tmp.Write("base/.hidden");
        tmp.Write("base/star*.txt");
        tmp.Write("base/starX.txt");
        tmp.Write("base/sub/c.txt");
        tmp.Write("base/sub/d.log");
        tmp.Write("base/sub/.h.txt");
        tmp.Write("base/.hdir/e.txt");
        SetLocalMTime(tmp.Write("base/old.txt"), 2020, 1, 1, 0, 0, 0);
        SetLocalMTime(tmp.Write("base/new.txt"), 2020, 1, 2, 12, 0, 0);
        base = tmp / "base";
    }

    // Scans with a copy of the options (the scan changes the options it gets).
    TFileItems Run(TFileItems items) {
        TArchiverOptions copy = options;
        TScanResult r = ScanComponentFiles(copy, base, items, {});
        EXPECT_FALSE(r.Aborted);
        return r.Files;
    }

    testing_support::TempDir tmp;
    std::string base;
    TArchiverOptions options;
};

using Names = TFileItems;

} // namespace

TEST_F(Scan, EmptyListTakesEveryVisibleFileOfTheBase) {
    EXPECT_EQ(Run({}), (Names{"a.txt", "b.log", "new.txt", "old.txt", "star*.txt", "starX.txt"}));
    options.r = 1;
    EXPECT_EQ(Run({}), (Names{"a.txt", "b.log", "new.txt", "old.txt", "star*.txt", "starX.txt",
                              ".hdir/e.txt", "sub/c.txt", "sub/d.log"}));
}

TEST_F(Scan, HiddenFilesOnlyWithA) {
    options.a = 1;
    options.r = 1;
    const Names names = Run({"*.txt"});
    EXPECT_NE(std::find(names.begin(), names.end(), "sub/.h.txt"), names.end());
    // Hidden directories are descended whatever a says; hidden files need a >= 1.
    EXPECT_NE(std::find(names.begin(), names.end(), ".hdir/e.txt"), names.end());
    options.a = 0;
    EXPECT_EQ(Run({"*.txt"}), (Names{"a.txt", "new.txt", "old.txt", "star*.txt", "starX.txt",
                                     ".hdir/e.txt", "sub/c.txt"}));
}

TEST_F(Scan, DirectoryItems) {
    options.r = 2;
    EXPECT_EQ(Run({"sub"}), (Names{"sub/c.txt", "sub/d.log"}));
    options.r = 0;
    EXPECT_EQ(Run({"sub"}), Names{});
    // A file called sub inside a subdirectory is found with r = 1.
    tmp.Write("base/sub/sub");
    options.r = 1;
    EXPECT_EQ(Run({"sub"}), Names{"sub/sub"});
}

TEST_F(Scan, MasksRecursionAndP) {
    options.r = 1;
    EXPECT_EQ(Run({"*.log"}), (Names{"b.log", "sub/d.log"}));
    EXPECT_EQ(Run({"sub/*.txt"}), Names{"sub/c.txt"});
    EXPECT_EQ(Run({"c.txt"}), Names{"sub/c.txt"});
    options.p = 1;
    EXPECT_EQ(Run({"c.txt"}), Names{});
    EXPECT_EQ(Run({"*.log"}), (Names{"b.log", "sub/d.log"}));
}

TEST_F(Scan, ExistingNamesAreNeverMasks) {
    // "star*.txt" exists: it is that file, not a mask matching starX.txt too.
    EXPECT_EQ(Run({"star*.txt"}), Names{"star*.txt"});
    EXPECT_EQ(Run({"star?.txt"}), (Names{"star*.txt", "starX.txt"}));
    // Exact names compare by their bytes.
    EXPECT_EQ(Run({"A.txt"}), Names{});
    EXPECT_EQ(Run({"a.txt", "a.txt"}), Names{"a.txt"});
}

TEST_F(Scan, Exclusions) {
    options.r = 1;
    options.jx = {"*.log", "a.txt"};
    EXPECT_EQ(Run({"a.txt", "*.*"}),
              (Names{"new.txt", "old.txt", "star*.txt", "starX.txt", ".hdir/e.txt", "sub/c.txt"}));
}

TEST_F(Scan, DateLimits) {
    options.jo = "20200102";
    Names names = Run({"*.txt"});
    EXPECT_EQ(std::count(names.begin(), names.end(), "old.txt"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "new.txt"), 1);
    options.jo = NulString;
    options.job = "20200101";
    EXPECT_EQ(Run({"*.txt"}), Names{"old.txt"});
    options.jo = "200101";
    options.job = "l20200102115958";
    EXPECT_EQ(Run({"*.txt"}), Names{"old.txt"});
    options.job = "20200102120000";
    EXPECT_EQ(Run({"*.txt"}), (Names{"new.txt", "old.txt"}));
    options.jo = "20200102120000";
    EXPECT_EQ(Run({"*.txt"}), Names{"new.txt"});
    options.jo = "2020ab02";
    EXPECT_THROW(Run({}), EArchiver);
}

TEST_F(Scan, OptionsChangedAfterwards) {
    options.r = 1;
    options.p = 0;
    options.jo = "20000101";
    options.job = "29991231";
    ScanComponentFiles(options, base, {}, {});
    EXPECT_EQ(options.r, -1);
    EXPECT_EQ(options.p, 1);
    EXPECT_TRUE(IsNulString(options.jo));
    EXPECT_TRUE(IsNulString(options.job));
}

TEST_F(Scan, ProgressAndCancel) {
    std::vector<std::string> reported;
    TScanResult r =
        ScanComponentFiles(options, base, {}, [&](int state, TExtractingInfoEx* info, bool& abort) {
            EXPECT_EQ(state, 0x805);
            reported.emplace_back(info->sourceName);
            abort = reported.size() == 3;
        });
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(reported, (Names{"a.txt", "b.log", "new.txt"}));
    EXPECT_EQ(r.Files, reported);
}

TEST_F(Scan, LongNamesAreCutInTheProgressRecord) {
    const std::string part(200, 'd');
    const std::string rel = part + "/" + part + "/" + part + "/f.txt";
    tmp.Write("base/" + rel);
    options.r = 1;
    std::string reported;
    TScanResult r =
        ScanComponentFiles(options, base, {"f.txt"}, [&](int, TExtractingInfoEx* info, bool&) {
            reported.assign(info->sourceName, strnlen(info->sourceName, 513));
        });
    EXPECT_EQ(r.Files, Names{rel});
    EXPECT_EQ(reported, rel.substr(0, 512));
}

TEST_F(Scan, LinksAndSpecialFiles) {
    ASSERT_EQ(symlink((base + "/sub").c_str(), (base + "/linkdir").c_str()), 0);
    ASSERT_EQ(symlink((base + "/a.txt").c_str(), (base + "/linkfile").c_str()), 0);
    ASSERT_EQ(symlink((base + "/gone").c_str(), (base + "/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((base + "/fifo").c_str(), 0600), 0);
    options.r = 2;
    const Names names = Run({});
    EXPECT_NE(std::find(names.begin(), names.end(), "linkfile"), names.end());
    for (const char* absent : {"linkdir/c.txt", "dangling", "fifo"})
        EXPECT_EQ(std::find(names.begin(), names.end(), absent), names.end()) << absent;
    EXPECT_EQ(Run({"linkdir"}), Names{});
}

TEST_F(Scan, MissingBaseDirectoryIsAClearError) {
    const std::string file = tmp.Write("plain");
    try {
        ScanComponentFiles(options, file + "/below", {}, {});
        FAIL() << "no error";
    } catch (const EArchiver& e) {
        EXPECT_NE(std::string(e.what()).find(file + "/below"), std::string::npos);
    }
}

TEST(FileFind, AttributesAndTimes) {
    testing_support::TempDir tmp;
    const std::string ro = tmp.Write("ro.txt", "12345");
    chmod(ro.c_str(), 0444);
    SetLocalMTime(ro, 2021, 6, 7, 8, 9, 11);
    tmp.Write(".h");
    SetLocalMTime(tmp.Write("ancient"), 1975, 5, 5, 5, 5, 5);
    std::vector<platform::FileEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(tmp.Path(), entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Name, ".h");
    EXPECT_EQ(entries[0].Attr, platform::faArchive | platform::faHidden);
    EXPECT_EQ(entries[1].Name, "ancient");
    EXPECT_EQ(entries[1].Time, platform::EncodeDateTime(1980, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(entries[2].Attr, platform::faArchive | platform::faReadOnly);
    EXPECT_EQ(entries[2].Size, 5u);
    // Truncated to two seconds.
    EXPECT_EQ(entries[2].Time, platform::EncodeDateTime(2021, 6, 7, 8, 9, 10, 0));
    EXPECT_FALSE(platform::ListDirectory(tmp / "missing", entries));
    EXPECT_TRUE(platform::MatchesSearchAttr(platform::faArchive | platform::faReadOnly, 0x21));
    EXPECT_FALSE(platform::MatchesSearchAttr(platform::faArchive | platform::faHidden, 0x21));
    EXPECT_TRUE(platform::MatchesSearchAttr(platform::faArchive | platform::faHidden, 0x27));
    EXPECT_FALSE(platform::MatchesSearchAttr(platform::faDirectory, 0x27));
}
