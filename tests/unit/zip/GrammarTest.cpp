// The pieces under the command grammars: tokens, escapes, wildcards, response files, safe
// member paths and MS-DOS times.
#include <gtest/gtest.h>

#include "ArcError.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Destination.h"
#include "MemberMeta.h"
#include "NamePattern.h"
#include "ZipTestSupport.h"

using namespace vmzip;

namespace {

std::vector<std::string> Texts(const std::vector<Token>& tokens) {
    std::vector<std::string> out;
    for (const Token& t : tokens)
        out.push_back(t.text);
    return out;
}

int32_t CodeOf(void (*f)()) {
    try {
        f();
    } catch (const ArcError& e) {
        return e.code();
    }
    return 0;
}

} // namespace

TEST(ZipGrammar, TokensKeepBlanksAndInnerQuotes) {
    EXPECT_EQ(Texts(Tokenize("  -x\t-o  \"a b.zip\" \"dir/\" \"q\"d.txt\" \"\"")),
              (std::vector<std::string>{"-x", "-o", "a b.zip", "dir/", "q\"d.txt", ""}));
    EXPECT_EQ(Texts(Tokenize("-w\"c:/my dir/\" plain")),
              (std::vector<std::string>{"-wc:/my dir/", "plain"}));
    EXPECT_EQ(Texts(Tokenize("\"unterminated name")),
              (std::vector<std::string>{"unterminated name"}));
    EXPECT_TRUE(Tokenize("   ").empty());
}

TEST(ZipGrammar, WritingCommandsAsTheProgramSendsThem) {
    const WriteCommand pack =
        ParseWriteCommand(" -S -D -q -o -0  \"/bk/vm.zip\" \"/src/\" \"[-]x.txt\" \"b c\"");
    EXPECT_EQ(pack.action, WriteAction::Add);
    EXPECT_TRUE(pack.includeHidden && pack.noDirEntries && pack.quiet);
    EXPECT_FALSE(pack.onlyNewer || pack.recurse || pack.junkPaths || pack.verbose);
    EXPECT_EQ(pack.level, 0);
    EXPECT_EQ(pack.archive, "/bk/vm.zip");
    EXPECT_EQ(pack.baseDir, "/src/");
    EXPECT_EQ(pack.names, (std::vector<std::string>{"[-]x.txt", "b c"}));

    // Removal: "--" left from the options, no directory token even for a name ending in '/'.
    const WriteCommand del = ParseWriteCommand("-d -S -D -q -o -- \"/bk/vm.zip\" \"sub/\"");
    EXPECT_EQ(del.action, WriteAction::Delete);
    EXPECT_TRUE(del.baseDir.empty());
    EXPECT_EQ(del.names, std::vector<std::string>{"sub/"});

    const WriteCommand all = ParseWriteCommand("-f -v -r -u -j -FF -k -9 -J \"a.zip\" \"b\"");
    EXPECT_EQ(all.action, WriteAction::Freshen);
    EXPECT_TRUE(all.verbose && all.recurse && all.onlyNewer && all.junkPaths);
    EXPECT_EQ(all.level, 9);
    EXPECT_TRUE(all.baseDir.empty());
    EXPECT_EQ(all.names, std::vector<std::string>{"b"});

    EXPECT_EQ(CodeOf([] { ParseWriteCommand("-S -x \"a.zip\""); }), ARC_ERROR_COMMAND_NAME);
    EXPECT_EQ(CodeOf([] { ParseWriteCommand("-S -D"); }), ARC_ERROR_NOT_FILENAME);
}

TEST(ZipGrammar, ReadingCommandsAsTheProgramSendsThem) {
    const ReadCommand x =
        ParseReadCommand("-x -o --i  \"/bk/vm.zip\" \"/tmp/w/\" \"a.txt\"", false);
    EXPECT_EQ(x.action, ReadAction::Extract);
    EXPECT_TRUE(x.overwrite);
    EXPECT_FALSE(x.junkPaths);
    EXPECT_EQ(x.destDir, "/tmp/w/");
    EXPECT_EQ(x.names, std::vector<std::string>{"a.txt"});

    const ReadCommand j = ParseReadCommand("-x -j \"a.zip\" \"first\"", false);
    EXPECT_TRUE(j.junkPaths);
    EXPECT_FALSE(j.overwrite);
    EXPECT_TRUE(j.destDir.empty()); // "first" does not end in '/': a name
    EXPECT_EQ(j.names, std::vector<std::string>{"first"});

    const ReadCommand mem = ParseReadCommand(" --i \"a.zip\" \"dir/m.txt\"", true);
    EXPECT_EQ(mem.action, ReadAction::Memory);
    EXPECT_EQ(mem.names, std::vector<std::string>{"dir/m.txt"});
    EXPECT_EQ(CodeOf([] { ParseReadCommand("\"a.zip\" \"x\" \"y\"", true); }),
              ARC_ERROR_NOT_FILENAME);
    EXPECT_EQ(ParseReadCommand("-l \"a.zip\"", false).action, ReadAction::List);
    EXPECT_EQ(ParseReadCommand("-t \"a.zip\"", false).action, ReadAction::Test);
    EXPECT_EQ(CodeOf([] { ParseReadCommand("-x -z \"a.zip\"", false); }), ARC_ERROR_COMMAND_NAME);
}

TEST(ZipGrammar, EscapesAreUndoneByWholeCharacters) {
    const auto sb = TextEncoding::SingleByte;
    const auto sjis = TextEncoding::ShiftJis;
    EXPECT_EQ(UnescapeName("[-]x.txt", sb), "-x.txt");
    EXPECT_EQ(UnescapeName("a[[]1].txt", sb), "a[1].txt");
    EXPECT_EQ(UnescapeName("d/[-]x[[]", sb), "d/[-]x["); // "[-]" only at the start
    // In Shift_JIS 0x81 0x5B is one character whose second byte is '['.
    EXPECT_EQ(UnescapeName("\x81\x5b[[]1]", sjis), "\x81\x5b[1]");
    EXPECT_FALSE(HasWildcard("\x81\x5b.txt", sjis));
    EXPECT_TRUE(HasWildcard("\x81\x5b.txt", sb));
    EXPECT_FALSE(HasWildcard("plain name.txt", sb));
}

TEST(ZipGrammar, WildcardsMatchWholeCharacters) {
    const auto sb = TextEncoding::SingleByte;
    const auto u8 = TextEncoding::Utf8;
    EXPECT_TRUE(WildcardMatch("*", "dir/file.txt", sb));
    EXPECT_TRUE(WildcardMatch("*.txt", "dir/file.txt", sb));
    EXPECT_FALSE(WildcardMatch("*.txt", "file.txt.bak", sb));
    EXPECT_TRUE(WildcardMatch("[[]1].txt", "[1].txt", sb));
    EXPECT_FALSE(WildcardMatch("[[]1].txt", "1.txt", sb));
    EXPECT_TRUE(WildcardMatch("[-]x.txt", "-x.txt", sb));
    EXPECT_TRUE(WildcardMatch("log[0-9].tmp", "log7.tmp", sb));
    EXPECT_FALSE(WildcardMatch("log[!0-9].tmp", "log7.tmp", sb));
    EXPECT_TRUE(WildcardMatch("a[b", "a[b", sb)); // an unclosed set is a plain '['
    EXPECT_TRUE(WildcardMatch("?.txt", "日.txt", u8));
    EXPECT_FALSE(WildcardMatch("?.txt", "日.txt", sb));
    EXPECT_TRUE(WildcardMatch("*本*", "日本語", u8));
    EXPECT_FALSE(WildcardMatch("a?c", "ac", sb));
}

TEST(ZipGrammar, ResponseFilesAndSafeParts) {
    ziptest::TempDir t;
    ziptest::WriteFile(t / "r.rsp", "\"a b.txt\"\r\n\r\n\"q\"d.txt\"\nplain.txt\r\n\"[-]x.txt\"");
    EXPECT_EQ(ReadResponseFile(t / "r.rsp"),
              (std::vector<std::string>{"a b.txt", "q\"d.txt", "plain.txt", "[-]x.txt"}));
    EXPECT_EQ(ExpandResponseFiles({"one", "@" + t / "r.rsp", "@nothing-here"}).size(), 6u);

    EXPECT_TRUE(SafeParts("../x", false).empty());
    EXPECT_TRUE(SafeParts("a/../../x", false).empty());
    EXPECT_TRUE(SafeParts("/", false).empty());
    EXPECT_EQ(SafeParts("/abs//x", false), (std::vector<std::string>{"abs", "x"}));
    EXPECT_EQ(SafeParts("a/./b\\c", false), (std::vector<std::string>{"a", "b\\c"}));
    EXPECT_EQ(SafeParts("a/b/c.txt", true), std::vector<std::string>{"c.txt"});
}

TEST(ZipGrammar, DosStampsAreLocalTwoSecondStepsClamped) {
    const time_t t = 1700000123; // an odd second
    const DosStamp s = ToDosStamp(t);
    EXPECT_EQ(FromDosStamp(s), t - 1);
    EXPECT_EQ(ToDosStamp(0).date, (0 << 9) | (1 << 5) | 1); // before 1980: 1980-01-01
    EXPECT_EQ(ToDosStamp(static_cast<time_t>(4400000000LL)).date >> 9, 127);
    EXPECT_EQ(AttributeLetters(ARC_ATTR_DIRECTORY | ARC_ATTR_HIDDEN), "d---h-");
    EXPECT_EQ(DosAttributes(0100444, "dir/.cfg"),
              ARC_ATTR_ARCHIVE | ARC_ATTR_HIDDEN | ARC_ATTR_READONLY);
}
