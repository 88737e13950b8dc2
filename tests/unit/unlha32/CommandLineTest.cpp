// The command text: tokens, every switch the program's option set can send, the archive, the
// directory, names and response files; and the wildcards of names.
#include <gtest/gtest.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/CommandLine.h"
#include "archivers/unlha32/Wildcard.h"

using namespace unlha;
using namespace unlha_test;

namespace {

int32_t ParseError(const std::string& text) {
    try {
        ParseCommandLine(text, true);
    } catch (const ArchiveError& e) {
        return e.code();
    }
    return 0;
}

} // namespace

TEST(CommandLine, QuotedTokensEndAtAQuoteBeforeABlank) {
    const auto tokens =
        SplitTokens(" x -+  \"-w/tmp/a b/\" \"a \"q\"[b].txt\" \"\" plain\"quote \"end\"");
    const std::vector<std::string> expected = {"x", "-+",           "-w/tmp/a b/", "a \"q\"[b].txt",
                                               "",  "plain\"quote", "end"};
    EXPECT_EQ(tokens, expected);
}

TEST(CommandLine, ReadsTheBuilderOutput) {
    // As the program builds a pack command: switches, "--", archive, base directory, names.
    const Command c = ParseCommandLine(
        "u -+ -a1 -c1 -m1 -n1 -y1 \"-w/home/u/.cache/tmp/\" -jm0 -jso1 -jss1 -jst1 -- "
        "\"/bk/docs/vm.lzh\" \"/home/u/docs/\" \"a.txt\" \"-dash.txt\" \"sub/b c.txt\"",
        true);
    EXPECT_EQ(c.kind, CommandKind::Update);
    EXPECT_EQ(c.archive, "/bk/docs/vm.lzh");
    EXPECT_EQ(c.directory, "/home/u/docs/");
    EXPECT_EQ(c.names, (std::vector<std::string>{"a.txt", "-dash.txt", "sub/b c.txt"}));
    EXPECT_EQ(c.switches.Number("c"), 1);
    EXPECT_EQ(c.switches.Number("jm"), 0);
    EXPECT_EQ(c.switches.Number("jso"), 1);
    EXPECT_EQ(c.switches.Number("r"), -1);
    EXPECT_EQ(c.switches.Text("w"), "/home/u/.cache/tmp/");
    EXPECT_FALSE(c.switches.Text("jo").has_value());

    // Without a directory the first name follows the archive.
    const Command d = ParseCommandLine("d -- \"a.lzh\" \"x.txt\"", true);
    EXPECT_EQ(d.kind, CommandKind::Delete);
    EXPECT_TRUE(d.directory.empty());
    EXPECT_EQ(d.names, std::vector<std::string>{"x.txt"});
}

TEST(CommandLine, AcceptsEverySwitchOfTheOptionSetAndRefusesOthers) {
    const char* numeric[] = {
        "a",  "c",   "e",   "f",   "h",   "i",   "l",   "m",   "n",   "o",   "p",   "r",   "s",
        "t",  "u",   "x",   "y",   "z",   "jc",  "jd",  "je",  "jf",  "jh",  "ji",  "jm",  "jn",
        "jp", "jr",  "jsb", "jsc", "jsd", "jse", "jsf", "jsl", "jso", "jss", "jst", "jsv", "jsz",
        "jw", "jyc", "jyd", "jyk", "jyn", "jyo", "ga",  "gd",  "ge",  "gf",  "gj",  "gm",  "gn",
        "go", "gp",  "gs",  "gu",  "gw",  "gya", "gyc", "gyo", "gyq", "gys", "gyx"};
    const char* text[] = {"w", "jo", "job", "jz", "gr", "gyd", "gye", "gyt", "gyw", "jx"};
    std::string line = "l -+";
    for (const char* n : numeric)
        line += std::string(" -") + n + "0 -" + n + "1";
    for (const char* t : text)
        line += std::string(" \"-") + t + "some value\" \"-" + t + "\"";
    line += " a.lzh";
    const Command c = ParseCommandLine(line, true);
    for (const char* n : numeric)
        EXPECT_EQ(c.switches.Number(n), 1) << n;
    EXPECT_EQ(c.switches.Text("job"), "");
    EXPECT_EQ(c.switches.Excludes(), (std::vector<std::string>{"some value", ""}));

    EXPECT_EQ(ParseError("x -q1 a.lzh"), ARC_ERROR_COMMAND_NAME);
    EXPECT_EQ(ParseError("x -c1x a.lzh"), ARC_ERROR_COMMAND_NAME);
    EXPECT_EQ(ParseError("k a.lzh"), ARC_ERROR_COMMAND_NAME);
    EXPECT_EQ(ParseError(""), ARC_ERROR_COMMAND_NAME);
    EXPECT_EQ(ParseError("x -c1 --"), ARC_ERROR_NOT_FILENAME);
}

TEST(CommandLine, ResponseFilesGiveOneNamePerLine) {
    TempDir dir;
    // A response file also carries a double quote followed by a blank.
    WriteFile(dir / "names",
              "\"a b.txt\"\r\n\"say \"hi\" there.txt\"\r\n\r\nplain.txt\n\"-x\"\r\n");
    const Command c =
        ParseCommandLine("u -- a.lzh base/ first.txt " + Q("@" + (dir / "names")), true);
    EXPECT_EQ(c.names, (std::vector<std::string>{"first.txt", "a b.txt", "say \"hi\" there.txt",
                                                 "plain.txt", "-x"}));
    EXPECT_EQ(ParseError("u -- a.lzh " + Q("@" + (dir / "missing"))), ARC_ERROR_RESPONSE_READ);
}

TEST(Wildcard, MatchesRunsAndSingleCharacters) {
    EXPECT_TRUE(WildcardMatch("*.txt", "a.txt"));
    EXPECT_TRUE(WildcardMatch("*.txt", "sub/a.txt"));
    EXPECT_FALSE(WildcardMatch("*.txt", "a.txt.bak"));
    EXPECT_TRUE(WildcardMatch("*.*", "README"));
    EXPECT_TRUE(WildcardMatch("a?c", "abc"));
    EXPECT_TRUE(WildcardMatch("?.txt", "日.txt"));
    EXPECT_FALSE(WildcardMatch("?.txt", "ab.txt"));
    EXPECT_FALSE(WildcardMatch("A.txt", "a.txt"));
    EXPECT_TRUE(WildcardMatch("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(WildcardMatch("[ab].txt", "a.txt"));
    EXPECT_TRUE(HasWildcard("a*"));
    EXPECT_FALSE(HasWildcard("[x]"));
}
