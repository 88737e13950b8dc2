// What extraction never makes: symbolic links, devices, FIFOs or sockets (refused by name,
// the other members extracted), anything through a symbolic link in the destination at any
// depth, anything outside the destination. And the harmless "./" entries that bsdtar
// writes do not turn a complete extraction into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include <zip.h>

#include "Destination.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

std::string ExtractAll(const std::string& arc, const std::string& dest,
                       const std::string& switches = "-x -o") {
    return switches + " " + Quoted(arc) + " " + Quoted(dest + "/");
}

struct Member {
    std::string name;
    std::string data;
    uint32_t mode;
};

// An archive written directly with libzip: any names, any Unix modes.
void WriteArchive(const std::string& path, const std::vector<Member>& members) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const Member& m : members) {
        zip_source_t* src = zip_source_buffer(za, m.data.data(), m.data.size(), 0);
        const zip_int64_t i = zip_file_add(za, m.name.c_str(), src, 0);
        ASSERT_GE(i, 0) << m.name;
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX,
                                         m.mode << 16);
    }
    ASSERT_EQ(zip_close(za), 0);
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsRegular(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

TEST(ZipExtractSafety, LinksDevicesAndFifosAreRefusedByNameAndTheRestExtracted) {
    TempDir t;
    Shell("mkdir -p " + Sh(t / "outside"));
    const std::vector<Member> members = {
        {"first.txt", "first", 0100644},
        {"link", t / "outside", 0120777},
        {"link/through.txt", "would go outside through the link", 0100644},
        {"dir/uplink", "../..", 0120777},
        {"fifo", "", 0010644},
        {"chardev", "", 0020644},
        {"blockdev", "", 0060644},
        {"socket", "", 0140644},
        // Marked as directories, yet holding data: damaged attributes, not a directory.
        {"notadir", "data", 040755},
        {"dirdata/", "data", 040755},
        {"last/x.txt", "last", 0100644},
    };
    WriteArchive(t / "a.zip", members);
    std::string out;
    EXPECT_EQ(UnZip(ExtractAll(t / "a.zip", t / "dest"), &out), ARC_ERROR_FILE_STYLE);
    for (const char* refused : {"link", "dir/uplink", "fifo", "chardev", "blockdev", "socket"})
        EXPECT_NE(out.find(std::string("not extracted: ") + refused), std::string::npos)
            << refused << " not named in: " << out;
    for (const char* damaged : {"notadir", "dirdata/"})
        EXPECT_NE(out.find(std::string("(damaged attributes) not extracted: ") + damaged),
                  std::string::npos)
            << damaged << " not named in: " << out;
    for (const char* never :
         {"dir/uplink", "fifo", "chardev", "blockdev", "socket", "notadir", "dirdata"})
        EXPECT_FALSE(Exists(t / "dest/" + never)) << never;
    EXPECT_FALSE(IsLink(t / "dest/link"));
    EXPECT_EQ(ReadFile(t / "dest/first.txt"), "first");
    EXPECT_EQ(ReadFile(t / "dest/last/x.txt"), "last");
    // With the link never made, "link/" is an ordinary directory inside the destination.
    EXPECT_EQ(ReadFile(t / "dest/link/through.txt"), "would go outside through the link");
    EXPECT_TRUE(DirEntries(t / "outside").empty());

    // Also without paths, and from an archive that zip wrote with a stored link.
    EXPECT_EQ(UnZip(ExtractAll(t / "a.zip", t / "flat", "-e -o"), &out), ARC_ERROR_FILE_STYLE);
    EXPECT_FALSE(Exists(t / "flat/uplink"));
    EXPECT_EQ(ReadFile(t / "flat/x.txt"), "last");
    WriteFile(t / "src/target.txt", "target");
    ASSERT_EQ(symlink("target.txt", (t / "src/alias").c_str()), 0);
    ASSERT_EQ(Shell("cd " + Sh(t / "src") + " && zip -q -y ../byzip.zip target.txt alias", &out), 0)
        << out;
    EXPECT_EQ(UnZip(ExtractAll(t / "byzip.zip", t / "z"), &out), ARC_ERROR_FILE_STYLE);
    EXPECT_NE(out.find("symbolic link not extracted: alias"), std::string::npos) << out;
    EXPECT_FALSE(Exists(t / "z/alias"));
    EXPECT_EQ(ReadFile(t / "z/target.txt"), "target");
    // Testing reads a link's member like any other and finds nothing wrong with it.
    EXPECT_EQ(UnZip("-t " + Quoted(t / "byzip.zip")), 0);
}

TEST(ZipExtractSafety, NothingIsWrittenThroughALinkAtAnyDepthOrOutsideTheDestination) {
    TempDir t;
    const std::string dest = t / "dest";
    Shell("mkdir -p " + Sh(t / "outside") + " " + Sh(dest + "/real/sub"));
    WriteFile(t / "outside/target.txt", "must stay");
    // Links where a directory goes (at the top, one and two levels down) and where a file
    // goes.
    ASSERT_EQ(symlink((t / "outside").c_str(), (dest + "/top").c_str()), 0);
    ASSERT_EQ(symlink((t / "outside").c_str(), (dest + "/real/inner").c_str()), 0);
    ASSERT_EQ(symlink((t / "outside").c_str(), (dest + "/real/sub/deep").c_str()), 0);
    ASSERT_EQ(symlink((t / "outside/target.txt").c_str(), (dest + "/file.txt").c_str()), 0);
    ASSERT_EQ(symlink((t / "outside/target.txt").c_str(), (dest + "/real/f2.txt").c_str()), 0);
    WriteArchive(t / "a.zip", {{"top/", "", 040755},
                               {"top/a.txt", "a", 0100644},
                               {"real/inner/b.txt", "b", 0100644},
                               {"real/inner/more/c.txt", "c", 0100644},
                               {"real/sub/deep/", "", 040755},
                               {"real/sub/deep/d.txt", "d", 0100644},
                               {"file.txt", "plain", 0100644},
                               {"real/f2.txt", "plain 2", 0100644},
                               {"real/ok.txt", "ok", 0100644},
                               {"/abs/e.txt", "abs", 0100644},
                               {"../up.txt", "up", 0100644},
                               {"x/../../up2.txt", "up", 0100644},
                               {"./y/./../../up3.txt", "up", 0100644}});
    std::string out;
    EXPECT_NE(UnZip(ExtractAll(t / "a.zip", dest), &out), 0) << out;
    // The links are left as they are and nothing arrived behind them.
    EXPECT_EQ(DirEntries(t / "outside"), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(ReadFile(t / "outside/target.txt"), "must stay");
    for (const char* link : {"top", "real/inner", "real/sub/deep"})
        EXPECT_TRUE(IsLink(dest + "/" + link)) << link;
    for (const char* name : {"top/", "top/a.txt", "real/inner/b.txt", "real/inner/more/c.txt",
                             "real/sub/deep/", "real/sub/deep/d.txt"})
        EXPECT_NE(out.find(std::string(name) + " not extracted: "), std::string::npos)
            << name << " not reported: " << out;
    // A link standing where a file goes is replaced by the file, never written through.
    EXPECT_TRUE(IsRegular(dest + "/file.txt"));
    EXPECT_EQ(ReadFile(dest + "/file.txt"), "plain");
    EXPECT_TRUE(IsRegular(dest + "/real/f2.txt"));
    EXPECT_EQ(ReadFile(dest + "/real/f2.txt"), "plain 2");
    EXPECT_EQ(ReadFile(dest + "/real/ok.txt"), "ok");
    // An absolute name lands inside; ".." names are refused by name.
    EXPECT_EQ(ReadFile(dest + "/abs/e.txt"), "abs");
    for (const char* up : {"../up.txt", "x/../../up2.txt", "./y/./../../up3.txt"})
        EXPECT_NE(out.find(std::string("unsafe member name left out: ") + up), std::string::npos)
            << up << ": " << out;
    EXPECT_FALSE(Exists(t / "up.txt"));
    EXPECT_FALSE(Exists(t / "up2.txt"));
    EXPECT_FALSE(Exists(t / "up3.txt"));
    EXPECT_EQ(DirEntries(t.path()), Sorted({"a.zip", "dest", "outside"}));
}

TEST(ZipExtractSafety, DotEntriesAsBsdtarWritesThemExtractCleanly) {
    TempDir t;
    WriteFile(t / "src/a.txt", "a");
    WriteFile(t / "src/sub/b.txt", "b");
    WriteFile(t / "src/sub/deeper/c.txt", "c");
    std::string out;
    ASSERT_EQ(Shell("cd " + Sh(t / "src") + " && bsdtar -a -cf ../bsd.zip .", &out), 0) << out;
    const std::vector<std::string> listed = ListNames(t / "bsd.zip");
    ASSERT_NE(std::find(listed.begin(), listed.end(), "./"), listed.end()); // as stored
    ASSERT_NE(std::find(listed.begin(), listed.end(), "./sub/b.txt"), listed.end());

    EXPECT_EQ(UnZip(ExtractAll(t / "bsd.zip", t / "out"), &out), 0) << out;
    EXPECT_EQ(out.find("unsafe"), std::string::npos) << out;
    EXPECT_EQ(DirEntries(t / "out"), Sorted({"a.txt", "sub"}));
    EXPECT_EQ(ReadFile(t / "out/a.txt"), "a");
    EXPECT_EQ(ReadFile(t / "out/sub/b.txt"), "b");
    EXPECT_EQ(ReadFile(t / "out/sub/deeper/c.txt"), "c");
    EXPECT_EQ(UnZip(ExtractAll(t / "bsd.zip", t / "flat", "-e -o"), &out), 0) << out;
    EXPECT_EQ(DirEntries(t / "flat"), Sorted({"a.txt", "b.txt", "c.txt"}));

    // "." and "./" alone, and a name made of nothing but "." parts, are the destination.
    WriteArchive(t / "dots.zip", {{"./", "", 040755},
                                  {"./././", "", 040755},
                                  {"./d/", "", 040755},
                                  {"./d/e.txt", "e", 0100644}});
    EXPECT_EQ(UnZip(ExtractAll(t / "dots.zip", t / "dots"), &out), 0) << out;
    EXPECT_EQ(ReadFile(t / "dots/d/e.txt"), "e");
    // A file (not a directory) named "." is still no name at all.
    WriteArchive(t / "dotfile.zip", {{".", "data", 0100644}, {"f.txt", "f", 0100644}});
    EXPECT_EQ(UnZip(ExtractAll(t / "dotfile.zip", t / "df"), &out), ARC_ERROR_FILE_STYLE);
    EXPECT_EQ(ReadFile(t / "df/f.txt"), "f");
}

// A directory gets its mode and time once its members are in: a read-only one still takes them,
// and writing them does not change its time.
TEST(ZipExtractSafety, DirectoriesGetTheirModeAndTimeAfterTheirMembers) {
    TempDir t;
    WriteFile(t / "src/d/inner/e.txt", "e");
    SetMtime(t / "src/d/inner", 1300000000);
    SetMtime(t / "src/d", 1400000000);
    chmod((t / "src/d").c_str(), 0555);
    std::string out;
    ASSERT_EQ(Shell("cd " + Sh(t / "src") + " && bsdtar -a -cf ../dirs.zip d", &out), 0) << out;
    chmod((t / "src/d").c_str(), 0755);
    EXPECT_EQ(UnZip(ExtractAll(t / "dirs.zip", t / "out"), &out), 0) << out;
    EXPECT_EQ(ReadFile(t / "out/d/inner/e.txt"), "e");
    struct stat st {};
    ASSERT_EQ(stat((t / "out/d").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0555u);
    EXPECT_EQ(st.st_mtime, 1400000000);
    ASSERT_EQ(stat((t / "out/d/inner").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1300000000);
    chmod((t / "out/d").c_str(), 0755); // for the clean-up
}

// The work file of an extracted file is named after it, so that a run after a killed one knows
// it for what it is; a name of any length leaves room for the mark.
TEST(ZipExtractSafety, AWorkFileIsNamedAfterItsFile) {
    const std::string name = vmzip::WorkName("a b.txt");
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(a b\.txt\.unzip-[A-Za-z0-9]{6})"))) << name;
    EXPECT_NE(vmzip::WorkName("a b.txt"), name);
    const std::string longest(255, 'n');
    const std::string cut = vmzip::WorkName(longest);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut.compare(0, 249, std::string(242, 'n') + ".unzip-"), 0) << cut;
}
