// The command-text builder, the switch set and the small text rules under the builders.
#include "TestSupport.h"
#include "archives/ArchiverErrors.h"
#include "archives/ArchiverOptions.h"
#include "archives/CmdOpt.h"
#include "archives/ComponentFileScan.h"
#include "archives/Zip32.h"

#include "platform/CodePage.h"
#include "platform/FileUtil.h"

#include <gtest/gtest.h>

using namespace archives;

TEST(CmdOpt, TokensEachStartWithABlank) {
    TCmdOpt cmd;
    cmd.Add("-+");
    cmd.Add("");
    cmd.AddInt("a", 1);
    cmd.AddInt("c", 0);
    cmd.AddInt("m", -1);
    cmd.AddBool("j", true);
    cmd.AddBool("k", false);
    EXPECT_EQ(cmd.Text, " -+  -a1 -c0 -j");
}

TEST(CmdOpt, QuotedTokens) {
    TCmdOpt cmd;
    cmd.AddQuoted("jo", NulString);
    cmd.AddQuoted("jo", "");
    cmd.AddQuoted("", "a b.txt");
    cmd.AddQuoted(" -x!", "p");
    cmd.AddQuoted("w", "dir");
    cmd.SwitchOutsideQuotes = true;
    cmd.AddQuoted("w", "dir");
    EXPECT_EQ(cmd.Text, " \"-jo\" \"a b.txt\" \"-x!p\" \"-wdir\" -w \"dir\"");
}

TEST(CmdOpt, DirectoryGetsOneTrailingDelimiter) {
    TCmdOpt cmd;
    cmd.AddDir("", "/a/b");
    cmd.AddDir("", "/a/b/");
    cmd.AddDir("", "");
    cmd.AddDir("w", NulString);
    EXPECT_EQ(cmd.Text, " \"/a/b/\" \"/a/b/\"");
    // A multi-byte character ending in 0x5C is not a delimiter and gets one added.
    platform::SetCodePage(platform::CodePage::Cp932);
    TCmdOpt sjis;
    sjis.AddDir("", "/d/\x95\x5c");
    platform::SetCodePage(platform::CodePage::Utf8);
    EXPECT_EQ(sjis.Text, " \"/d/\x95\x5c/\"");
}

TEST(CmdOpt, FilesPassTheConverterAndDropEmptyItems) {
    TCmdOpt cmd;
    cmd.NameConverter = ZipFileName;
    EXPECT_EQ(cmd.AddFiles("", {"-x.txt", "", "dir/a[1].txt"}), 2);
    EXPECT_EQ(cmd.Text, " \"[-]x.txt\" \"dir/a[[]1].txt\"");
}

TEST(CmdOpt, ResponseFileHoldsOneQuotedNamePerLine) {
    testing_support::TempDir tmp;
    TCmdOpt cmd;
    cmd.NameConverter = ZipFileName;
    const std::string path = tmp / "list.txt";
    EXPECT_EQ(cmd.WriteResponseFile(path, {"a.txt", "", "[b].txt"}), 2);
    EXPECT_EQ(cmd.Text, " \"@" + path + "\"");
    EXPECT_EQ(platform::ReadFile(path), "\"a.txt\"\r\n\"[[]b].txt\"\r\n");
}

TEST(CmdOpt, UnwritableResponseFileIsAClearError) {
    testing_support::TempDir tmp;
    const std::string file = tmp.Write("plain");
    TCmdOpt cmd;
    try {
        cmd.WriteResponseFile(file + "/list.txt", {"a"});
        FAIL() << "no error";
    } catch (const EArchiver& e) {
        EXPECT_NE(std::string(e.what()).find("応答ファイル"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(file), std::string::npos);
    }
}

TEST(CmdOpt, NamesTheGrammarCannotCarry) {
    EXPECT_TRUE(CanCarryName("a\"b.txt"));
    EXPECT_TRUE(CanCarryName("ends-in-quote\""));
    EXPECT_TRUE(CanCarryName("sp ace [x] *?\\:.txt"));
    EXPECT_FALSE(CanCarryName("a\" b.txt"));
    EXPECT_FALSE(CanCarryName("line\nbreak"));
    EXPECT_FALSE(CanCarryName("cr\r"));
}

TEST(ArchiverOptions, CreationClearAndAssign) {
    TArchiverOptions o;
    EXPECT_EQ(o.a, -1);
    EXPECT_EQ(o.gyx, -1);
    EXPECT_TRUE(IsNulString(o.w));
    EXPECT_TRUE(IsNulString(o.gyw));
    EXPECT_EQ(o.PackFilter, pfComponent);
    EXPECT_TRUE(o.ResFileUsage.Contains(ruOnPack));
    EXPECT_TRUE(o.ResFileUsage.Contains(ruOnRemoveItem));
    EXPECT_FALSE(o.ResFileUsage.Contains(ruOnUpdate));
    EXPECT_TRUE(o.IncludeExtraStreams);
    EXPECT_EQ(o.StreamSeparator, ";#");

    o.Switch("jso") = 1;
    o.Text("jo") = "200101";
    o.jx = {"*.bak", "*.tmp"};
    o.UserOptions = "--";
    o.PackFilter = pfArchiver;
    o.IncludeExtraStreams = false;
    o.StreamSeparator = "!!";
    TArchiverOptions copy;
    copy.Assign(o);
    EXPECT_EQ(copy.jso, 1);
    EXPECT_EQ(copy.jo, "200101");
    EXPECT_EQ(copy.jx, o.jx);
    EXPECT_EQ(copy.PackFilter, pfArchiver);

    o.Clear();
    EXPECT_EQ(o.jso, -1);
    EXPECT_TRUE(IsNulString(o.jo));
    EXPECT_TRUE(o.jx.empty());
    EXPECT_TRUE(o.UserOptions.empty());
    EXPECT_EQ(o.PackFilter, pfComponent);
    // Clearing keeps the stream settings.
    EXPECT_FALSE(o.IncludeExtraStreams);
    EXPECT_EQ(o.StreamSeparator, "!!");
    EXPECT_THROW(o.Switch("nope"), std::out_of_range);
}

TEST(ZipFileName, EscapesOnlyWhatTheLibrariesWouldMisread) {
    EXPECT_EQ(ZipFileName("-x.txt"), "[-]x.txt");
    EXPECT_EQ(ZipFileName("dir/a[1].txt"), "dir/a[[]1].txt");
    EXPECT_EQ(ZipFileName("a-b\\c:d.txt"), "a-b\\c:d.txt");
    EXPECT_EQ(ZipFileName("日本[語].txt"), "日本[[]語].txt");
}

TEST(MatchesMask, WildcardsAndCase) {
    EXPECT_TRUE(MatchesMask("anything", "*.*"));
    EXPECT_TRUE(MatchesMask("a.TXT", "*.txt"));
    EXPECT_TRUE(MatchesMask("ab.txt", "a?.txt"));
    EXPECT_FALSE(MatchesMask("abc.txt", "a?.txt"));
    EXPECT_TRUE(MatchesMask("日本.txt", "??.txt"));
    EXPECT_TRUE(MatchesMask("a[1].txt", "a[1]*"));
    EXPECT_FALSE(MatchesMask("a.txt.bak", "*.txt"));
}

TEST(DateLimit, FormsCenturiesAndBadInput) {
    using platform::EncodeDateTime;
    EXPECT_EQ(ParseDateLimit(NulString, false, 2026), 0);
    EXPECT_EQ(ParseDateLimit("2020010", false, 2026), 0);
    EXPECT_EQ(ParseDateLimit("20200102", false, 2026), EncodeDateTime(2020, 1, 2, 0, 0, 0, 0));
    EXPECT_EQ(ParseDateLimit("20200102", true, 2026), EncodeDateTime(2020, 1, 2, 23, 59, 59, 0));
    EXPECT_EQ(ParseDateLimit("l200102", true, 2026), EncodeDateTime(2020, 1, 2, 23, 59, 59, 0));
    EXPECT_EQ(ParseDateLimit("200102123456", true, 2026),
              EncodeDateTime(2020, 1, 2, 12, 34, 56, 0));
    EXPECT_EQ(ParseDateLimit("20200102123456", false, 2026),
              EncodeDateTime(2020, 1, 2, 12, 34, 56, 0));
    // Two-digit years lie no more than 50 years before the current year.
    EXPECT_EQ(ParseDateLimit("760101", false, 2026), EncodeDateTime(1976, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(ParseDateLimit("750101", false, 2026), EncodeDateTime(2075, 1, 1, 0, 0, 0, 0));
    EXPECT_THROW(ParseDateLimit("2020ab01", false, 2026), EArchiver);
    EXPECT_THROW(ParseDateLimit("20201301", false, 2026), EArchiver);
}
