// Restores by the built program, from backups it made.
#include "tests/integration/backup/RunFixture.h"

using testing_support::ReadAll;
using testing_support::RunFixture;

namespace {

constexpr std::int64_t kOld = 1577872800;

class RestoreRunTest : public RunFixture {
protected:
    // Backs up src with three files and a subdirectory, then changes the source.
    void SetUp() override {
        Write("src/kept.txt", "backup", kOld);
        Write("src/deleted.txt", "backup", kOld);
        Write("src/newer.txt", "backup", kOld);
        Write("src/sub/inner.txt", "backup", kOld);
        def = Save({Item()});
        ASSERT_EQ(Run({def, "/backup"}).Status, 0);
        std::filesystem::remove(home / "src/deleted.txt");
        Write("src/newer.txt", "edited later", kOld + 86400);
        Write("src/kept.txt", "older copy", kOld - 86400);
        Write("src/extra.tmp", "not in the backup", kOld);
        std::filesystem::create_directories(home / "src/extradir");
        std::filesystem::remove_all(home / "src/sub");
    }
    std::string Text(const std::string& rel) const { return ReadAll(home / rel); }
    std::string def;
};

TEST_F(RestoreRunTest, WithoutOptions) {
    const auto r = Run({def, "/restore"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Text("src/deleted.txt"), "backup");
    EXPECT_EQ(Text("src/newer.txt"), "edited later"); // newer than the backup: kept
    EXPECT_EQ(Text("src/kept.txt"), "backup");        // the backup is newer: restored
    EXPECT_EQ(Text("src/sub/inner.txt"), "backup");   // missing directory created and filled
    EXPECT_TRUE(std::filesystem::exists(home / "src/extra.tmp"));
    EXPECT_NE(Log().find("] 復元開始：" + def), std::string::npos);
    EXPECT_NE(Log().find("] 復元処理項目番号＝0"), std::string::npos);
}

TEST_F(RestoreRunTest, IgnoreTimeStampOverwritesNewerFiles) {
    EXPECT_EQ(Run({def, "/restore", "/ignoretimestamp"}).Status, 0);
    EXPECT_EQ(Text("src/newer.txt"), "backup");
    EXPECT_TRUE(std::filesystem::exists(home / "src/extra.tmp"));
}

TEST_F(RestoreRunTest, PermitDeletionRemovesWhatTheBackupDoesNotHold) {
    EXPECT_EQ(Run({def, "/restore", "/permitdeletion"}).Status, 0);
    EXPECT_FALSE(std::filesystem::exists(home / "src/extra.tmp"));
    EXPECT_FALSE(std::filesystem::exists(home / "src/extradir"));
    EXPECT_EQ(Text("src/newer.txt"), "edited later");
    EXPECT_EQ(Text("src/deleted.txt"), "backup");
}

TEST_F(RestoreRunTest, MissingBackupNeverErasesTheSources) {
    std::filesystem::rename(home / "dst", home / "unmounted");
    const auto r = Run({def, "/restore", "/permitdeletion"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(std::filesystem::exists(home / "src/extra.tmp"));
    EXPECT_TRUE(std::filesystem::exists(home / "src/newer.txt"));
    EXPECT_NE(Log().find("バックアップ先のディレクトリが存在しないため"), std::string::npos)
        << Log();
}

} // namespace
