#include "schedule/Crontab.h"
#include "schedule/TaskResult.h"
#include "tests/support/FakeCrontab.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace schedule;
using testing_support::ReadAll;
using testing_support::TempDir;

TEST(CrontabTest, TheBlockGoesInAndOutLeavingEveryOtherLineAsItWas) {
    const std::string foreign = "MAILTO=me@example.org\n"
                                "# my own jobs\n"
                                "0 5 * * 1 /usr/bin/tidy --all\r\n"
                                "\n"
                                "*/10 * * * * echo 100\\% > /dev/null";
    const std::string with = ReplaceBlock(foreign, {"# job", "1 2 * * * 'a'"});
    EXPECT_EQ(with, foreign + "\n" + BlockBegin + "\n# job\n1 2 * * * 'a'\n" + BlockEnd + "\n");

    // Replaced in place: lines before and after the block stay where they are.
    const std::string after = with + "30 6 * * * later\n";
    EXPECT_EQ(ReplaceBlock(after, {"x"}),
              foreign + "\n" + BlockBegin + "\nx\n" + BlockEnd + "\n30 6 * * * later\n");
    // Removed with its markers; the foreign lines come back (with the line break crontab needs).
    EXPECT_EQ(ReplaceBlock(after, {}), foreign + "\n30 6 * * * later\n");
    EXPECT_EQ(ReplaceBlock(ReplaceBlock(foreign, {"y"}), {}), foreign + "\n");
    EXPECT_EQ(ReplaceBlock("", {}), "");
}

TEST(CrontabTest, BrokenMarkersAreRefusedBeforeAnythingIsWritten) {
    const std::string begin = std::string(BlockBegin) + "\n";
    const std::string end = std::string(BlockEnd) + "\n";
    EXPECT_THROW(ReplaceBlock("a\n" + begin + "b\n", {"x"}), EOleSysError);
    EXPECT_THROW(ReplaceBlock(end + "a\n", {"x"}), EOleSysError);
    EXPECT_THROW(ReplaceBlock(begin + end + begin + end, {"x"}), EOleSysError);
    EXPECT_THROW(ReplaceBlock(begin + end + end, {}), EOleSysError);
    // A marker with a carriage return is still the marker.
    EXPECT_EQ(ReplaceBlock(std::string(BlockBegin) + "\r\nold\n" + end, {"new"}),
              begin + "new\n" + end);
}

TEST(CrontabTest, TheCommandReadsAndInstallsTheWholeTable) {
    TempDir dir;
    const std::string table = dir / "table";
    const std::string fake = testing_support::WriteFakeCrontab(dir, table);
    const TCrontabCommand crontab({fake});
    EXPECT_EQ(crontab.Read(), "");
    crontab.Write("1 2 3 4 5 x\n");
    EXPECT_EQ(ReadAll(table), "1 2 3 4 5 x\n");
    EXPECT_EQ(crontab.Read(), "1 2 3 4 5 x\n");

    const std::string refusing =
        dir.Write("refusing", "#!/bin/sh\ncat >/dev/null\n"
                              "echo 'errors in crontab file, can'\\''t install.' >&2\n"
                              "exit 1\n");
    ::chmod(refusing.c_str(), 0755);
    try {
        TCrontabCommand({refusing}).Write("bad\n");
        FAIL() << "a refused table was taken as installed";
    } catch (const EOleSysError& e) {
        EXPECT_NE(std::string(e.what()).find("errors in crontab file"), std::string::npos)
            << e.what();
    }
    try {
        TCrontabCommand({dir / "missing"}).Read();
        FAIL() << "a missing crontab command went unnoticed";
    } catch (const ETaskException& e) {
        EXPECT_EQ(e.ErrorCode(), SCHED_E_SERVICE_NOT_INSTALLED);
        EXPECT_STREQ(e.what(), "タスクスケジュールサービスがインストールされていません");
    }
}

TEST(CrontabTest, TheResultCheckKnowsItsTable) {
    try {
        CheckTaskResult(0x00041302);
        FAIL();
    } catch (const ETaskException& e) {
        EXPECT_STREQ(e.what(), "タスクは無効にされています");
        EXPECT_EQ(e.ErrorCode(), 0x00041302u);
    }
    try {
        CheckTaskResult(SCHED_E_SERVICE_NOT_RUNNING);
        FAIL();
    } catch (const ETaskException& e) {
        EXPECT_STREQ(e.what(), "タスクスケジューラサービスは開始されていません");
    }
    EXPECT_NO_THROW(CheckTaskResult(S_OK));
    EXPECT_NO_THROW(CheckTaskResult(0x00041309)); // a success code the table does not hold
    try {
        CheckTaskResult(E_FILE_NOT_FOUND, "no such file");
        FAIL();
    } catch (const ETaskException&) {
        FAIL() << "not a scheduler code";
    } catch (const EOleSysError& e) {
        EXPECT_STREQ(e.what(), "no such file");
    }
}
