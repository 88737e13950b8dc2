#include "engine/RunLog.h"

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>

using namespace engine;
using namespace host;
using testing_support::ReadAll;
using testing_support::RecordingHost;
using testing_support::TempDir;

namespace {

TEST(RunLogTest, LinesAreStampedWithDateAndTime) {
    engine::TRunLog log;
    log.AddLogLine("バックアップ開始(/home/ann/daily.vmp)");
    ASSERT_EQ(log.Lines().size(), 1u);
    const std::regex stamp(R"(^\[\d{4}/\d{2}/\d{2}( \d{1,2}:\d{2}:\d{2})?\] バックアップ開始.*$)");
    EXPECT_TRUE(std::regex_match(log.Lines()[0], stamp)) << log.Lines()[0];
}

TEST(RunLogTest, AppendModeLeavesOneBlockPerRun) {
    TempDir dir;
    RecordingHost host;
    const std::string path = dir / "v.log";
    for (int run = 0; run < 3; ++run) {
        engine::TRunLog log;
        log.AddLogLine("run " + std::to_string(run));
        log.AddLogLine("end");
        EXPECT_TRUE(log.WriteLogFile(host, path, false));
    }
    const std::string text = ReadAll(path);
    const std::regex block(R"((\[[^\]]*\] run \d\r\n\[[^\]]*\] end\r\n\r\n){3})");
    EXPECT_TRUE(std::regex_match(text, block)) << text;

    engine::TRunLog last;
    last.AddLogLine("only");
    EXPECT_TRUE(last.WriteLogFile(host, path, true));
    const std::string replaced = ReadAll(path);
    EXPECT_EQ(replaced.find("run"), std::string::npos);
    EXPECT_EQ(replaced.substr(replaced.size() - 8), "only\r\n\r\n");
    EXPECT_TRUE(host.Messages.empty());
}

TEST(RunLogTest, UnwritableLogFileIsReported) {
    TempDir dir;
    RecordingHost host;
    const std::string bad = dir.Write("file", "x") + "/v.log";
    engine::TRunLog log;
    log.AddLogLine("x");
    EXPECT_FALSE(log.WriteLogFile(host, bad, true));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Kind, host::TMsgKind::Error);
    EXPECT_EQ(host.Messages[0].Text, "ログファイル(" + bad + ")を書き込めません．");
}

TEST(RunLogTest, RunStartCheck) {
    TempDir dir;
    RecordingHost host;
    const std::string log = dir / "new.log";
    EXPECT_TRUE(engine::CheckTempAndLog(host, true, dir.Path(), log));
    EXPECT_TRUE(std::filesystem::exists(log));                // created empty
    EXPECT_TRUE(engine::CheckTempAndLog(host, true, "", "")); // empty log file: no log
    EXPECT_TRUE(host.Messages.empty());

    EXPECT_FALSE(engine::CheckTempAndLog(host, true, dir / "missing", log));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text,
              "一時ファイルディレクトリ(" + (dir / "missing") + ")が無効です．");

    const std::string noDir = dir / "nodir/v.log";
    EXPECT_FALSE(engine::CheckTempAndLog(host, true, dir.Path(), noDir));
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[1].Text, "ログファイル(" + noDir + ")が無効です．");
    EXPECT_FALSE(engine::CheckTempAndLog(host, false, dir.Path(), noDir));
    EXPECT_EQ(host.Messages.size(), 2u); // quiet when not asked to show
}

TEST(RunLogTest, ShowLogFileOpensTheLog) {
    RecordingHost host;
    engine::ShowLogFile(host, "/x/v.log");
    engine::ShowLogFile(host, "");
    EXPECT_EQ(host.Opened, std::vector<std::string>{"/x/v.log"});
}

} // namespace
