// Extended attributes carried through backups and restores by the built program.
#include "tests/integration/backup/RunFixture.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>

using testing_support::Capture;
using testing_support::ReadAll;
using testing_support::ShellQuote;

namespace {

constexpr std::int64_t kOld = 1577872800; // 2020-01-01

using Attributes = std::map<std::string, std::string>;

// Sets VELMORAN_TEST_NO_XATTR for the runs started while it lives: the program then finds no
// file system that keeps user attributes.
class NoXattrSupport {
public:
    NoXattrSupport() { ::setenv("VELMORAN_TEST_NO_XATTR", "1", 1); }
    ~NoXattrSupport() { ::unsetenv("VELMORAN_TEST_NO_XATTR"); }
};

class StreamsRunTest : public testing_support::FormatRunFixture {
protected:
    void SetAttr(const std::string& rel, const std::string& name, const std::string& value) {
        const std::string path = home / rel;
        ASSERT_EQ(::setxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size(), 0),
                  0)
            << rel << " " << name << ": " << std::strerror(errno);
    }
    void RemoveAttr(const std::string& rel, const std::string& name) {
        const std::string path = home / rel;
        ASSERT_EQ(::removexattr(path.c_str(), ("user." + name).c_str()), 0) << name;
    }
    // The user attributes of a file, names without "user.".
    Attributes Attrs(const std::string& rel) const {
        const std::string path = home / rel;
        Attributes out;
        std::string names(65536, '\0');
        const ssize_t n = ::listxattr(path.c_str(), names.data(), names.size());
        if (n <= 0)
            return out;
        names.resize(static_cast<std::size_t>(n));
        for (std::size_t pos = 0; pos < names.size(); pos = names.find('\0', pos) + 1) {
            const std::string full = names.c_str() + pos;
            std::string value(65536, '\0');
            const ssize_t v = ::getxattr(path.c_str(), full.c_str(), value.data(), value.size());
            value.resize(v < 0 ? 0 : static_cast<std::size_t>(v));
            if (full.rfind("user.", 0) == 0)
                out[full.substr(5)] = value;
        }
        return out;
    }
    // A member's bytes, as bsdtar extracts them.
    std::string MemberData(const std::string& archive, const std::string& member) const {
        return Capture("bsdtar -xOf " + ShellQuote(archive) + " " + ShellQuote(member) +
                       " 2>/dev/null");
    }
    void Backup(const std::string& def) {
        const auto r = Run({def, "/backup"});
        ASSERT_EQ(r.Status, 0) << r.Err << Log();
    }
    void RestoreIntoEmptySource(const std::string& def) {
        std::filesystem::remove_all(home / "src");
        const auto r = Run({def, "/restore"});
        ASSERT_EQ(r.Status, 0) << r.Err << Log();
    }
    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
            ++n;
        return n;
    }
};

const std::string kBinary = [] {
    std::string s;
    for (int i = 0; i < 1000; ++i)
        s += static_cast<char>((i * 37) & 0xFF); // NUL, 0xFF and everything between
    return s;
}();

TEST_P(StreamsRunTest, AttributesComeBackByteExactAndLeaveNoMemberFiles) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/sub/b.txt", "bravo", kOld);
    SetAttr("src/a.txt", "note", "hello");
    SetAttr("src/a.txt", "bin", kBinary);
    SetAttr("src/a.txt", "empty", "");
    SetAttr("src/a.txt", "xdg.origin.url", "https://example.org/a.txt");
    SetAttr("src/sub/b.txt", "tag", "\xE6\x97\xA5\xE6\x9C\xAC");
    const std::string def = Save({Item()});
    Backup(def);
    EXPECT_EQ(Members(Archive()), "a.txt 5\na.txt;bin;$DATA 1000\na.txt;empty;$DATA 0\n"
                                  "a.txt;note;$DATA 5\na.txt;xdg.origin.url;$DATA 25\n");
    EXPECT_EQ(MemberData(Archive(), "a.txt;bin;$DATA"), kBinary);
    EXPECT_EQ(Members(Archive("src/sub")), "b.txt 5\nb.txt;tag;$DATA 6\n");
    // Nothing was written into the source directory, nothing left in the working directory.
    EXPECT_EQ(Listing(home / "src"), "a.txt\nsub\n");
    EXPECT_EQ(Capture("find " + ShellQuote(home / "cache") + " -type f"), "");

    const Attributes before = Attrs("src/a.txt");
    RestoreIntoEmptySource(def);
    EXPECT_EQ(Attrs("src/a.txt"), before);
    EXPECT_EQ(Attrs("src/a.txt").at("bin"), kBinary);
    EXPECT_EQ(Attrs("src/sub/b.txt"), (Attributes{{"tag", "\xE6\x97\xA5\xE6\x9C\xAC"}}));
    EXPECT_EQ(ReadAll(home / "src/a.txt"), "alpha");
    struct stat st {};
    ASSERT_EQ(::stat((home / "src/a.txt").c_str(), &st), 0);
    EXPECT_NEAR(static_cast<double>(st.st_mtime), static_cast<double>(kOld), 2.0);
    EXPECT_EQ(Listing(home / "src"), "a.txt\nsub\n");
    EXPECT_EQ(Listing(home / "src/sub"), "b.txt\n");
}

TEST_P(StreamsRunTest, UnchangedFileKeepsItsStreamsOverTenRunsWithAndWithoutCache) {
    for (const bool cache : {false, true}) {
        SCOPED_TRACE(cache ? "cache on" : "cache off");
        std::filesystem::remove_all(home / "src");
        std::filesystem::remove_all(home / "dst");
        Write("src/a.txt", "alpha", kOld);
        Write("src/plain.txt", "plain", kOld);
        SetAttr("src/a.txt", "x", "one");
        SetAttr("src/a.txt", "y", "two");
        auto item = Item();
        item.EnableLzhCache = cache;
        const std::string def = Save({item});
        Backup(def);
        const std::string members = Members(Archive());
        ASSERT_EQ(members, "a.txt 5\na.txt;x;$DATA 3\na.txt;y;$DATA 3\nplain.txt 5\n");
        const auto stamp = std::filesystem::last_write_time(Archive());
        for (int run = 0; run < 10; ++run) {
            Backup(def);
            EXPECT_EQ(Members(Archive()), members) << "run " << run;
        }
        EXPECT_EQ(std::filesystem::last_write_time(Archive()), stamp);
        EXPECT_TRUE(HistoryBackups().empty());
        RestoreIntoEmptySource(def);
        EXPECT_EQ(Attrs("src/a.txt"), (Attributes{{"x", "one"}, {"y", "two"}}));
    }
}

TEST_P(StreamsRunTest, ChangedFileBringsItsAttributesAndHistoryKeepsTheOldOnes) {
    Write("src/a.txt", "old version", kOld);
    Write("src/gone.txt", "gone", kOld);
    SetAttr("src/a.txt", "x", "old-x");
    SetAttr("src/a.txt", "y", "old-y");
    SetAttr("src/gone.txt", "g", "gone-attr");
    const std::string def = Save({Item()});
    Backup(def);

    Write("src/a.txt", "new version!", kOld + 86400);
    SetAttr("src/a.txt", "x", "new-x");
    RemoveAttr("src/a.txt", "y");
    SetAttr("src/a.txt", "z", "new-z");
    std::filesystem::remove(home / "src/gone.txt");
    Backup(def);

    EXPECT_EQ(Members(Archive()), "a.txt 12\na.txt;x;$DATA 5\na.txt;z;$DATA 5\n");
    const auto history = HistoryBackups();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(Members(history[0]), "a.txt 11\na.txt;x;$DATA 5\na.txt;y;$DATA 5\ngone.txt 4\n"
                                   "gone.txt;g;$DATA 9\n");
    EXPECT_EQ(MemberData(history[0], "a.txt;y;$DATA"), "old-y");
    EXPECT_EQ(MemberData(history[0], "a.txt;x;$DATA"), "old-x");

    RestoreIntoEmptySource(def);
    EXPECT_EQ(Attrs("src/a.txt"), (Attributes{{"x", "new-x"}, {"z", "new-z"}}));
    EXPECT_EQ(Listing(home / "src"), "a.txt\n");
}

TEST_P(StreamsRunTest, NamesThatOnlyLookLikeStreamsStayOrdinaryFiles) {
    Write("src/a;#b.txt", "one", kOld);
    Write("src/x.txt;y;$DATA", "two", kOld);
    Write("src/c.txt", "three", kOld);
    Write("src/c.txt;$DATA", "four", kOld);
    const std::string def = Save({Item()});
    Backup(def);
    EXPECT_EQ(Members(Archive()), "a;#b.txt 3\nc.txt 5\nc.txt;$DATA 4\nx.txt;y;$DATA 3\n");
    // A second run finds them unchanged.
    const auto stamp = std::filesystem::last_write_time(Archive());
    Backup(def);
    EXPECT_EQ(std::filesystem::last_write_time(Archive()), stamp);

    RestoreIntoEmptySource(def);
    EXPECT_EQ(ReadAll(home / "src/a;#b.txt"), "one");
    EXPECT_EQ(ReadAll(home / "src/x.txt;y;$DATA"), "two");
    EXPECT_EQ(ReadAll(home / "src/c.txt;$DATA"), "four");
    EXPECT_TRUE(Attrs("src/c.txt").empty());
    EXPECT_FALSE(std::filesystem::exists(home / "src/x.txt"));
}

TEST_P(StreamsRunTest, WithoutAttributeSupportOneLineAndEverythingElseComplete) {
    Write("src/a.txt", "alpha", kOld);
    Write("src/b.txt", "bravo", kOld);
    Write("src/c.txt", "charlie", kOld);
    for (const char* f : {"src/a.txt", "src/b.txt", "src/c.txt"})
        SetAttr(f, "x", "value");
    const std::string def = Save({Item()});
    const std::string line = "拡張属性に対応していないファイルシステムがあるため";
    {
        const NoXattrSupport fake;
        Backup(def);
    }
    EXPECT_EQ(Members(Archive()), "a.txt 5\nb.txt 5\nc.txt 7\n");
    EXPECT_EQ(Count(Log(), line), 1u) << Log();

    // A backup with the attributes, restored where none can be written: the files come back
    // whole, the members do not stay behind as files.
    std::filesystem::remove_all(home / "dst");
    Backup(def);
    ASSERT_EQ(Members(Archive()), "a.txt 5\na.txt;x;$DATA 5\nb.txt 5\nb.txt;x;$DATA 5\nc.txt 7\n"
                                  "c.txt;x;$DATA 5\n");
    {
        const NoXattrSupport fake;
        RestoreIntoEmptySource(def);
    }
    EXPECT_EQ(Listing(home / "src"), "a.txt\nb.txt\nc.txt\n");
    EXPECT_EQ(ReadAll(home / "src/c.txt"), "charlie");
    EXPECT_TRUE(Attrs("src/a.txt").empty());
    EXPECT_EQ(Count(Log(), line), 1u) << Log();
}

TEST_P(StreamsRunTest, DozensOfAttributesLargeValuesAndNamesNoArchiveCanHold) {
    Write("src/many.txt", "many", kOld);
    Attributes expected;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "attr" + std::to_string(i);
        // (ext4 keeps all of a file's attributes in one block of 4 KiB)
        const std::string value(static_cast<std::size_t>(i % 20), static_cast<char>('a' + i % 26));
        SetAttr("src/many.txt", name, value);
        expected[name] = value;
    }
    Write("src/big.txt", "big", kOld);
    const std::string big(3000, '\x7F');
    SetAttr("src/big.txt", "big", big);
    Write("src/odd.txt", "odd", kOld);
    SetAttr("src/odd.txt", "bad\xFF\xFEname", "not text");
    SetAttr("src/odd.txt", "semi;colon", "delimiter");
    SetAttr("src/odd.txt", "fine", "kept");
    const std::string def = Save({Item()});
    // Attributes left out are errors of the run, named in its log; the rest is backed up.
    EXPECT_EQ(Run({def, "/backup"}).Status, 1);
    const std::string log = Log();
    EXPECT_NE(log.find("odd.txt (user.bad\\xFF\\xFEname)"), std::string::npos) << log;
    EXPECT_NE(log.find("odd.txt (user.semi;colon)"), std::string::npos) << log;
    EXPECT_NE(Members(Archive()).find("odd.txt;fine;$DATA 4\n"), std::string::npos);

    RestoreIntoEmptySource(def);
    EXPECT_EQ(Attrs("src/many.txt"), expected);
    EXPECT_EQ(Attrs("src/big.txt"), (Attributes{{"big", big}}));
    EXPECT_EQ(Attrs("src/odd.txt"), (Attributes{{"fine", "kept"}}));
    EXPECT_EQ(Listing(home / "src"), "big.txt\nmany.txt\nodd.txt\n");
}

TEST_P(StreamsRunTest, FilesAndTheirStreamsStayTogetherAcrossBatches) {
    // 600 files with two attributes each: 1,800 names, more than three batches of 500.
    const std::string def = Save({Item()});
    for (int i = 0; i < 600; ++i) {
        const std::string rel = "src/f" + std::to_string(1000 + i) + ".txt";
        Write(rel, "data", kOld);
        SetAttr(rel, "a", "first");
        SetAttr(rel, "b", std::to_string(i));
    }
    Backup(def);
    // Every file changes: the history phase takes 1,800 names through its batches.
    for (int i = 0; i < 600; ++i)
        Write("src/f" + std::to_string(1000 + i) + ".txt", "changed", kOld + 86400);
    Backup(def);
    ASSERT_EQ(HistoryBackups().size(), 1u);
    const std::string history = Members(HistoryBackups()[0]);
    EXPECT_EQ(Count(history, ";a;$DATA 5\n"), 600u);
    EXPECT_EQ(Count(history, ";b;$DATA "), 600u);

    RestoreIntoEmptySource(def);
    for (int i = 0; i < 600; i += 37) {
        const std::string rel = "src/f" + std::to_string(1000 + i) + ".txt";
        EXPECT_EQ(Attrs(rel), (Attributes{{"a", "first"}, {"b", std::to_string(i)}})) << rel;
    }
    EXPECT_EQ(Capture("ls " + ShellQuote(home / "src") + " | wc -l"), "600\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, StreamsRunTest, ::testing::Values(".lzh", ".zip"));

} // namespace
