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
