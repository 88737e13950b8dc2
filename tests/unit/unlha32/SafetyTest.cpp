// Extraction of hostile archives: nothing is written outside the destination, no link is
// followed, and a file whose CRC does not match never appears.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "TestSupport.h"

using namespace unlha_test;

TEST(Safety, NamesLeavingTheDestinationAreRefusedAndOthersStillExtracted) {
    TempDir dir;
    ::mkdir((dir / "dest").c_str(), 0755);
    WriteFile(dir / "hostile.lzh", StoredMember("../escaped.txt", "bad") +
                                       StoredMember("a/../../escaped2.txt", "bad") +
                                       StoredMember("/abs/inside.txt", "abs") +
                                       StoredMember("./good.txt", "good") + std::string(1, '\0'));
    std::string out;
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "hostile.lzh") + " " + Q(dir / "dest/"), &out),
              ARC_ERROR_FILE_STYLE);
    EXPECT_NE(out.find("../escaped.txt"), std::string::npos) << out;
    EXPECT_FALSE(Exists(dir / "escaped.txt"));
    EXPECT_FALSE(Exists(dir / "escaped2.txt"));
    EXPECT_FALSE(Exists("/abs/inside.txt"));
    EXPECT_EQ(ReadFile(dir / "dest/abs/inside.txt"), "abs");
    EXPECT_EQ(ReadFile(dir / "dest/good.txt"), "good");
}

TEST(Safety, SymbolicLinksAreNeverFollowed) {
    TempDir dir;
    ::mkdir((dir / "dest").c_str(), 0755);
    ::mkdir((dir / "outside").c_str(), 0755);
    WriteFile(dir / "outside/target.txt", "untouched");
    // A link standing for a directory on the way, and one standing where a file goes.
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "dest/linkdir").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "outside/target.txt").c_str(), (dir / "dest/file.txt").c_str()), 0);
    WriteFile(dir / "a.lzh", StoredMember("linkdir/target.txt", "through the link") +
                                 StoredMember("file.txt", "replaces the link") +
                                 std::string(1, '\0'));
    std::string out;
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "dest/"), &out),
              ARC_ERROR_CANNOT_WRITE);
    EXPECT_NE(out.find("symbolic link"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir / "outside/target.txt"), "untouched");
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "dest/file.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(dir / "dest/file.txt"), "replaces the link");

    // Link members are not made.
    WriteFile(dir / "link.lzh",
              StoredMember("made-link", "/etc/passwd", 0120777) + std::string(1, '\0'));
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "link.lzh") + " " + Q(dir / "dest/")),
              ARC_ERROR_NOT_SUPPORT);
    EXPECT_FALSE(Exists(dir / "dest/made-link"));
}

TEST(Safety, CrcMismatchLeavesNoFileAndKeepsTheOldOne) {
    TempDir dir;
    std::string member = StoredMember("f.txt", "correct data");
    member[member.size() - 1] = 'X'; // the data no longer match the CRC
    WriteFile(dir / "a.lzh", member + StoredMember("g.txt", "fine") + std::string(1, '\0'));
    ::mkdir((dir / "dest").c_str(), 0755);
    WriteFile(dir / "dest/f.txt", "old version");
    std::string out;
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "dest/"), &out),
              ARC_ERROR_FILE_CRC);
    EXPECT_EQ(ReadFile(dir / "dest/f.txt"), "old version");
    EXPECT_EQ(ReadFile(dir / "dest/g.txt"), "fine");
    EXPECT_EQ(ListDir(dir / "dest"), (std::vector<std::string>{"f.txt", "g.txt"}));
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "fresh/")), ARC_ERROR_FILE_CRC);
    EXPECT_EQ(ListDir(dir / "fresh"), std::vector<std::string>{"g.txt"});
    EXPECT_EQ(Lha("t " + Q(dir / "a.lzh")), ARC_ERROR_FILE_CRC);
}

TEST(Safety, UnwritableDestinationsGiveAnError) {
    TempDir dir;
    WriteFile(dir / "plain", "a regular file");
    WriteFile(dir / "a.lzh",
              StoredMember("f.txt", "x") + StoredMember("plain/g.txt", "y") + std::string(1, '\0'));
    // Below a regular file nothing can be made, for root too.
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "plain/sub/")),
              ARC_ERROR_CANNOT_WRITE);
    ::mkdir((dir / "dest").c_str(), 0755);
    WriteFile(dir / "dest/plain", "a file where a directory is needed");
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "dest/")), ARC_ERROR_CANNOT_WRITE);
    EXPECT_EQ(ReadFile(dir / "dest/f.txt"), "x");
    EXPECT_EQ(ReadFile(dir / "dest/plain"), "a file where a directory is needed");
    EXPECT_EQ(Lha("x -- " + Q(dir / "missing.lzh") + " " + Q(dir / "dest/")),
              ARC_ERROR_ARC_FILE_OPEN);
}
