// What a headless run prints on standard error: the run log's error lines, nothing else.
#include "tests/integration/backup/RunFixture.h"

using testing_support::RunFixture;

namespace {

class RunOutputTest : public RunFixture {};

TEST_F(RunOutputTest, ErrorLinesOfTheRunLogAppearOnStandardError) {
    Write("src/a.txt", "a");
    const std::string missing = home / "gone";
    const std::string def = Save({Item(missing), Item()});
    const auto r = Run({def, "/backup"});
    EXPECT_EQ(r.Status, 1);
    // The stamped line exactly as the log file holds it.
    const std::string log = Log();
    const std::string text = "] コピー元ディレクトリが存在しません。";
    const std::size_t at = log.find(text);
    ASSERT_NE(at, std::string::npos) << log;
    const std::size_t begin = log.rfind("\r\n", at) + 2;
    const std::string line = log.substr(begin, at + text.size() - begin);
    EXPECT_NE(r.Err.find(line + "\n"), std::string::npos) << r.Err;
    // Progress lines stay in the log only.
    EXPECT_EQ(r.Err.find("バックアップ開始"), std::string::npos) << r.Err;
    EXPECT_EQ(r.Err.find("バックアップ処理項目番号"), std::string::npos) << r.Err;
    EXPECT_EQ(r.Err.find("バックアップ完了"), std::string::npos) << r.Err;
}

TEST_F(RunOutputTest, CleanRunPrintsNothing) {
    Write("src/a.txt", "a");
    Write("src/sub/b.txt", "b");
    const std::string def = Save({Item()});
    const auto first = Run({def, "/backup"});
    EXPECT_EQ(first.Status, 0);
    EXPECT_EQ(first.Err, "");
    Write("src/a.txt", "changed", 1700000000);
    const auto second = Run({def, "/backup"});
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(second.Err, "");
    const auto restore = Run({def, "/restore"});
    EXPECT_EQ(restore.Status, 0);
    EXPECT_EQ(restore.Err, "");
}

} // namespace
