#include "platform/ExternalCommand.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace platform;
using testing_support::TempDir;

namespace {

TEST(ExternalCommandTest, ArgumentsReachTheProgramUnsplitAndUnexpanded) {
    const std::string sh = FindOnPath("sh");
    ASSERT_FALSE(sh.empty());
    const std::vector<std::string> args = {
        "-c", "printf '[%s]' \"$@\"; exit 7", "sh", "a b", "$HOME", "*", "'\"", "", "; rm -rf x"};
    const ProgramResult r = RunProgram(sh, args);
    EXPECT_TRUE(r.Started);
    EXPECT_EQ(r.ExitStatus, 7);
    EXPECT_EQ(r.Output, "[a b][$HOME][*]['\"][][; rm -rf x]");
}

TEST(ExternalCommandTest, CapturedRunsTakeTheirInputAndKeepTheirOutputsApart) {
    // More input than a pipe holds, echoed back while the program also writes to stderr: the
    // exchange must not stall on either side.
    std::string input;
    for (int i = 0; i < 20000; ++i)
        input += "line " + std::to_string(i) + "\n";
    const ProcessResult r =
        RunCaptured({"sh", "-c", "echo begin >&2; cat; echo end >&2; exit 3"}, input);
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_EQ(r.Out, input);
    EXPECT_EQ(r.Err, "begin\nend\n");

    // A program that reads nothing of a large input still ends, and so does this process.
    EXPECT_EQ(RunCaptured({"true"}, input).ExitCode, 0);
    const ProcessResult missing = RunCaptured({"/nonexistent/program"});
    EXPECT_EQ(missing.ExitCode, -1);
    EXPECT_NE(missing.Err.find("/nonexistent/program"), std::string::npos);
}

TEST(ExternalCommandTest, MissingProgramsAndPathLookup) {
    EXPECT_FALSE(RunProgram("/nonexistent/program", {}).Started);

    TempDir dir;
    const std::string tool = dir.Write("some-tool", "#!/bin/sh\nexit 0\n");
    const std::string plain = dir.Write("not-executable", "");
    ::chmod(tool.c_str(), 0755);
    const char* old = std::getenv("PATH");
    const std::string saved = old ? old : "";
    ::setenv("PATH", ("/nonexistent:" + dir.Path()).c_str(), 1);
    EXPECT_EQ(FindOnPath("some-tool"), tool);
    EXPECT_EQ(FindOnPath("not-executable"), "");
    EXPECT_EQ(FindOnPath("no-such-tool"), "");
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(FindOnPath(tool), tool); // a path is only checked
    EXPECT_EQ(FindOnPath(plain), "");
    EXPECT_EQ(RunProgram(tool, {}).ExitStatus, 0);
}

} // namespace
