// Every kept version of a file by the built program (/versions, /restoreversion), both formats:
// the listing names each version of a changed, deleted and re-created file in order, each one
// comes back byte-exact with its time, a damaged archive is named without hiding the others,
// and the destination is never changed.
#include "tests/integration/backup/RunFixture.h"

#include <algorithm>
#include <ctime>
#include <set>
#include <sys/stat.h>

using testing_support::Capture;
using testing_support::ReadAll;
using testing_support::ShellQuote;

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kT1 = 1577872800; // 2020-01-01

std::string Body(const std::string& seed, int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += seed + " " + std::to_string(i * 7919 % 1000) + "\n";
    return text;
}

// The local time as the listing shows it, and as a version stamp.
std::string Shown(std::int64_t t, const char* format = "%Y/%m/%d %H:%M:%S") {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    ::localtime_r(&tt, &tm);
    char text[32];
    std::strftime(text, sizeof text, format, &tm);
    return text;
}
std::string Stamp(std::int64_t t) {
    return Shown(t, "%Y%m%d%H%M%S");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1)
        lines.push_back(text.substr(pos, end - pos));
    return lines;
}

struct Version {
    std::int64_t Time;
    std::string Text;
};

class VersionsRunTest : public testing_support::FormatRunFixture {
protected:
    // Four backups: sub/f.txt changes three times; sub/g.txt is deleted after the first and
    // made again before the third. The backups follow each other within a second or two.
    void SetUp() override {
        FormatRunFixture::SetUp();
        def = Save({Item()});
        f = {{kT1, Body("one", 300)},
             {kT1 + kDay, Body("two", 200)},
             {kT1 + 2 * kDay, Body("three", 400)},
             {kT1 + 3 * kDay, Body("four", 100)}};
        g = {{kT1, Body("g first", 50)}, {kT1 + 2 * kDay, Body("g again", 70)}};
        for (std::size_t run = 0; run < f.size(); ++run) {
            Write("src/sub/f.txt", f[run].Text, f[run].Time);
            if (run == 0)
                Write("src/sub/g.txt", g[0].Text, g[0].Time);
            if (run == 1)
                std::filesystem::remove(home / "src/sub/g.txt");
            if (run == 2)
                Write("src/sub/g.txt", g[1].Text, g[1].Time);
            const auto r = Run({def, "/backup"});
            ASSERT_EQ(r.Status, 0) << r.Err;
        }
    }

    std::string Path(const std::string& rel) const { return home / rel; }

    // Every entry of the destination with its size, time and checksum.
    std::string TreeState() const {
        const std::string dst = ShellQuote(home / "dst");
        return Capture("cd " + dst + " && find . -printf '%p %s %T@ %m\\n' | sort && " +
                       "find . -type f -print0 | sort -z | xargs -0 sha256sum");
    }

    // The listed versions, as (shown time, size) and the archive of each.
    static void Split(const std::string& line, std::string& when, std::string& size,
                      std::string& archive) {
        const std::size_t a = line.find('\t');
        const std::size_t b = line.find('\t', a + 1);
        when = line.substr(0, a);
        size = line.substr(a + 1, b - a - 1);
        archive = line.substr(b + 1);
    }

    // Checks that the listing names exactly the versions, newest first, with their times and
    // sizes, each in an archive of the destination; returns the archives.
    std::vector<std::string> ExpectListing(const std::string& out, std::vector<Version> expected) {
        std::reverse(expected.begin(), expected.end());
        const auto lines = Lines(out);
        EXPECT_EQ(lines.size(), expected.size()) << out;
        std::vector<std::string> archives;
        for (std::size_t i = 0; i < std::min(lines.size(), expected.size()); ++i) {
            std::string when, size, archive;
            Split(lines[i], when, size, archive);
            EXPECT_EQ(when, Shown(expected[i].Time)) << out;
            EXPECT_EQ(size, std::to_string(expected[i].Text.size())) << out;
            EXPECT_EQ(archive.rfind(home / "dst/src/sub/", 0), 0u) << archive;
            EXPECT_TRUE(std::filesystem::is_regular_file(archive)) << archive;
            archives.push_back(archive);
        }
        return archives;
    }

    void ExpectFile(const std::string& path, const Version& v) const {
        EXPECT_EQ(ReadAll(path), v.Text) << path;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
        EXPECT_NEAR(static_cast<double>(st.st_mtime), static_cast<double>(v.Time), 2.0) << path;
    }

    std::string def;
    std::vector<Version> f, g;
};

TEST_P(VersionsRunTest, EveryVersionIsListedAndComesBackByteExact) {
    const std::string before = TreeState();
    const auto r = Run({def, "/versions", Path("src/sub/f.txt")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const auto archives = ExpectListing(r.Out, f);
    ASSERT_EQ(archives.size(), 4u);
    EXPECT_EQ(archives[0], Archive("src/sub")) << "the newest is the latest archive's";
    EXPECT_EQ(std::set<std::string>(archives.begin() + 1, archives.end()).size(), 3u)
        << "each older version in its own history backup\n"
        << r.Out;

    // The deleted and re-created file: its first version was kept when it was deleted.
    const auto rg = Run({def, "/versions", Path("src/sub/g.txt")});
    ASSERT_EQ(rg.Status, 0) << rg.Err;
    ExpectListing(rg.Out, g);

    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::string out = Path("out/" + std::to_string(i));
        const auto restored =
            Run({def, "/restoreversion", Path("src/sub/f.txt"), Stamp(f[i].Time), "/to", out});
        ASSERT_EQ(restored.Status, 0) << restored.Err;
        ExpectFile(out + "/f.txt", f[i]);
    }
    EXPECT_EQ(
        Run({def, "/restoreversion", Path("src/sub/g.txt"), Stamp(g[0].Time), "/to", Path("out/g")})
            .Status,
        0);
    ExpectFile(Path("out/g/g.txt"), g[0]);
    EXPECT_EQ(TreeState(), before) << "listing and restoring change nothing at the destination";
}

TEST_P(VersionsRunTest, ItsOwnPlaceIsOverwrittenOnlyByANewerVersion) {
    // The file there is the newest version: an older one is not put over it.
    const auto refused = Run({def, "/restoreversion", Path("src/sub/f.txt"), Stamp(f[1].Time)});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("/to"), std::string::npos) << refused.Err;
    ExpectFile(Path("src/sub/f.txt"), f[3]);

    // Made older than the version (or gone), the place takes it; relative paths are taken from
    // the working directory.
    Write("src/sub/f.txt", "scratch", kT1 - kDay);
    ASSERT_EQ(Run({def, "/restoreversion", "src/sub/f.txt", Stamp(f[1].Time)}).Status, 0);
    ExpectFile(Path("src/sub/f.txt"), f[1]);
    std::filesystem::remove(home / "src/sub/g.txt");
    ASSERT_EQ(Run({def, "/restoreversion", Path("src/sub/g.txt"), Stamp(g[0].Time)}).Status, 0);
    ExpectFile(Path("src/sub/g.txt"), g[0]);
}

TEST_P(VersionsRunTest, NoVersionIsAnError) {
    const std::string before = TreeState();
    const auto none = Run({def, "/versions", Path("src/sub/never.txt")});
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(none.Out, "");
    EXPECT_NE(none.Err.find("never.txt"), std::string::npos) << none.Err;
    const auto outside = Run({def, "/versions", "/etc/hostname"});
    EXPECT_EQ(outside.Status, 1);
    EXPECT_NE(outside.Err.find("/etc/hostname"), std::string::npos) << outside.Err;
    const auto noStamp =
        Run({def, "/restoreversion", Path("src/sub/f.txt"), "20000101000000", "/to", "out"});
    EXPECT_EQ(noStamp.Status, 1);
    EXPECT_FALSE(std::filesystem::exists(home / "out/f.txt"));
    EXPECT_EQ(Run({def, "/versions"}).Status, 2) << "a switch without its value";
    EXPECT_EQ(TreeState(), before);
}

// A second source of the same last name maps to the same archive directory, which holds the
// first one's files: the second one has no versions there.
TEST_P(VersionsRunTest, TheArchiveDirectoryOfASourceNamedLikeAnEarlierOneIsNotItsOwn) {
    Write("other/src/sub/f.txt", "another file of that name", kT1);
    const std::string both = Save({Item(), Item(home / "other/src")}, "both.vmp");
    const auto backup = Run({both, "/backup"});
    EXPECT_EQ(backup.Status, 1) << "the second source is refused";
    const auto theirs = Run({both, "/versions", Path("other/src/sub/f.txt")});
    EXPECT_EQ(theirs.Status, 1) << theirs.Out;
    EXPECT_EQ(theirs.Out, "");
    EXPECT_EQ(Lines(Run({both, "/versions", Path("src/sub/f.txt")}).Out).size(), 4u);
}

TEST_P(VersionsRunTest, ADamagedHistoryArchiveIsNamedAndTheOthersListed) {
    const auto all = Lines(Run({def, "/versions", Path("src/sub/f.txt")}).Out);
    ASSERT_EQ(all.size(), 4u);
    std::string when, size, damaged;
    Split(all[2], when, size, damaged);
    ASSERT_NE(damaged, Archive("src/sub"));
    home.Write(std::filesystem::relative(damaged, home.Path()).string(),
               std::string(4096, 'x') + " not an archive");
    const auto r = Run({def, "/versions", Path("src/sub/f.txt")});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find(damaged), std::string::npos) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{all[0], all[1], all[3]})) << r.Out;
}

TEST_P(VersionsRunTest, VersionsInAHistoryDirectoryAreFound) {
    // The directory goes from the source (its archive directory becomes a history directory),
    // then comes back with a fifth version of f.txt.
    std::filesystem::remove_all(home / "src/sub");
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const Version fifth{kT1 + 4 * kDay, Body("five", 10)};
    Write("src/sub/f.txt", fifth.Text, fifth.Time);
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    const auto r = Run({def, "/versions", Path("src/sub/f.txt")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 5u) << r.Out;
    std::string when, size, archive;
    Split(lines[0], when, size, archive);
    EXPECT_EQ(when, Shown(fifth.Time));
    EXPECT_EQ(archive, Archive("src/sub"));
    Split(lines[1], when, size, archive);
    EXPECT_EQ(when, Shown(f[3].Time));
    EXPECT_NE(archive.find("/$vm$sub"), std::string::npos) << archive;
    ASSERT_EQ(
        Run({def, "/restoreversion", Path("src/sub/f.txt"), Stamp(f[0].Time), "/to", Path("out")})
            .Status,
        0);
    ExpectFile(Path("out/f.txt"), f[0]);
}

INSTANTIATE_TEST_SUITE_P(Formats, VersionsRunTest, ::testing::Values(".lzh", ".zip"));

} // namespace
