// Stream member names, the export of attributes into stream files, and their restore.
#include "archives/NamedStreams.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/xattr.h>

using namespace archives;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

std::string Attr(const std::string& path, const std::string& name) {
    std::string value(65536, '\0');
    const ssize_t n =
        ::getxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size());
    return n < 0 ? "<none>" : value.substr(0, static_cast<std::size_t>(n));
}

void SetAttr(const std::string& path, const std::string& name, const std::string& value) {
    ASSERT_EQ(::setxattr(path.c_str(), ("user." + name).c_str(), value.data(), value.size(), 0), 0);
}

TEST(StreamMemberNameTest, FormAndSplit) {
    EXPECT_EQ(StreamMemberName("a.txt", "x", ";#"), "a.txt;x;$DATA");
    EXPECT_EQ(StreamMemberName("a.txt", "x", ";"), "a.txt:x:$DATA"); // not two characters
    std::string base, stream;
    ASSERT_TRUE(SplitStreamMemberName("sub/a;b.txt;xdg.tags;$DATA", ";#", base, stream));
    EXPECT_EQ(base, "sub/a;b.txt"); // the file's name may hold the delimiter, the stream's not
    EXPECT_EQ(stream, "xdg.tags");
    ASSERT_TRUE(SplitStreamMemberName("a.txt:x:$DATA", "", base, stream));
    EXPECT_EQ(base, "a.txt");
    for (const char* other :
         {"a;#b.txt", "a.txt", ";x;$DATA", "a.txt;;$DATA", "c.txt;$DATA", "a.txt;x;$data",
          "a.txt;x;$DATAx", "a.txt;s/t;$DATA", "d/;x;$DATA", "a.txt:x:$DATA"})
        EXPECT_FALSE(SplitStreamMemberName(other, ";#", base, stream)) << other;
}

TEST(StreamMemberNameTest, WhichAttributeNamesCanTravel) {
    platform::SetCodePage(platform::CodePage::Utf8);
    EXPECT_TRUE(CanCarryStreamName("xdg.origin.url", ";#"));
    EXPECT_TRUE(CanCarryStreamName("a#b", ";#"));
    EXPECT_TRUE(CanCarryStreamName("\xE6\x97\xA5", ";#"));
    for (const char* bad : {"", "a;b", "a/b", "a\nb", "\x7F", "\xFF\xFE", "\xE6\x97", "\xC0\xAF"})
        EXPECT_FALSE(CanCarryStreamName(bad, ";#")) << bad;
    platform::SetCodePage(platform::CodePage::SingleByte);
    EXPECT_FALSE(CanCarryStreamName("\xE6\x97\xA5", ";#"));
    EXPECT_TRUE(CanCarryStreamName("plain", ";#"));
    platform::SetCodePage(platform::CodePage::Utf8);
}

class StreamExportTest : public ::testing::Test {
protected:
    StreamExportTest() {
        std::filesystem::create_directories(tmp / "src/sub");
        std::filesystem::create_directories(tmp / "out");
        file = tmp.Write("src/sub/a.txt", "alpha");
    }
    TempDir tmp;
    std::string file;
    TStreamReport report;
};

TEST_F(StreamExportTest, ExportsEachAttributeAndRemovesWhatItMade) {
    SetAttr(file, "x", std::string("v\0w", 3));
    SetAttr(file, "y", "");
    {
        TStreamExport streams([&] { return tmp / "out"; }, ";#", report);
        streams.Export(file, "sub/a.txt");
        EXPECT_EQ(streams.Members(), (TFileItems{"sub/a.txt;x;$DATA", "sub/a.txt;y;$DATA"}));
        EXPECT_EQ(streams.Dir(), tmp / "out/");
        EXPECT_EQ(ReadAll(tmp / "out/sub/a.txt;x;$DATA"), std::string("v\0w", 3));
        EXPECT_EQ(std::filesystem::last_write_time(tmp / "out/sub/a.txt;y;$DATA"),
                  std::filesystem::last_write_time(file));
        ASSERT_EQ(report.Packed.size(), 2u);
        EXPECT_EQ(report.Packed[0].Size, 3);
        EXPECT_TRUE(report.Problems.empty());
    }
    // The directory given stays, everything made in it is gone; the source is untouched.
    EXPECT_TRUE(std::filesystem::is_empty(tmp / "out"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp / "src/sub"), {}), 1);
}

TEST_F(StreamExportTest, NeverOverwritesAndAsksForItsDirectoryOnlyWhenNeeded) {
    int asked = 0;
    {
        TStreamExport streams(
            [&] {
                ++asked;
                return tmp / "out";
            },
            ";#", report);
        streams.Export(file, "sub/a.txt"); // no attributes
        EXPECT_EQ(asked, 0);
        SetAttr(file, "x", "new");
        std::filesystem::create_directories(tmp / "out/sub");
        tmp.Write("out/sub/a.txt;x;$DATA", "someone else's");
        streams.Export(file, "sub/a.txt");
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(streams.Members().empty());
        ASSERT_EQ(report.Problems.size(), 1u);
    }
    EXPECT_EQ(ReadAll(tmp / "out/sub/a.txt;x;$DATA"), "someone else's");
}

TEST_F(StreamExportTest, UnsupportedFileSystemIsNoProblemPerFile) {
    SetAttr(file, "x", "value");
    ::setenv("VELMORAN_TEST_NO_XATTR", "1", 1);
    TStreamExport streams([&] { return tmp / "out"; }, ";#", report);
    streams.Export(file, "sub/a.txt");
    streams.Export(file, "sub/a.txt");
    ::unsetenv("VELMORAN_TEST_NO_XATTR");
    EXPECT_TRUE(report.Unsupported);
    EXPECT_TRUE(report.Problems.empty());
    EXPECT_TRUE(streams.Members().empty());
}

TEST_F(StreamExportTest, RestoreTakesOnlyMembersWhoseFileCameOutWithThem) {
    const std::string dir = tmp / "src/sub/";
    tmp.Write("src/sub/a.txt;x;$DATA", "restored");
    tmp.Write("src/sub/lonely.txt;y;$DATA", "no file of it");
    tmp.Write("src/sub/lonely.txt", "exists, but not extracted now");
    tmp.Write("src/sub/a;#b.txt", "ordinary");
    tmp.Write("src/sub/a.txt;big;$DATA", std::string(70000, 'b'));
    RestoreNamedStreams({dir + "a.txt;x;$DATA", dir + "a.txt", dir + "lonely.txt;y;$DATA",
                         dir + "a;#b.txt", dir + "a.txt;big;$DATA"},
                        ";#", report);
    EXPECT_EQ(Attr(file, "x"), "restored");
    EXPECT_FALSE(std::filesystem::exists(dir + "a.txt;x;$DATA"));
    EXPECT_EQ(Attr(dir + "lonely.txt", "y"), "<none>");
    EXPECT_TRUE(std::filesystem::exists(dir + "lonely.txt;y;$DATA"));
    EXPECT_TRUE(std::filesystem::exists(dir + "a;#b.txt"));
    // Too large for an attribute: kept as the file it may well be, and said so.
    EXPECT_EQ(ReadAll(dir + "a.txt;big;$DATA").size(), 70000u);
    ASSERT_EQ(report.Problems.size(), 1u);
    EXPECT_NE(report.Problems[0].find("a.txt;big;$DATA"), std::string::npos);
}

TEST_F(StreamExportTest, RestoreNeverWritesThroughALink) {
    const std::string dir = tmp / "src/sub/";
    const std::string target = tmp.Write("elsewhere.txt", "not to be touched");
    std::filesystem::create_symlink(target, dir + "link.txt");
    tmp.Write("src/sub/link.txt;x;$DATA", "value");
    RestoreNamedStreams({dir + "link.txt", dir + "link.txt;x;$DATA"}, ";#", report);
    EXPECT_EQ(Attr(target, "x"), "<none>");
    EXPECT_EQ(report.Problems.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir + "link.txt;x;$DATA"));
}

} // namespace
