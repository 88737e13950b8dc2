// History cleanup by the built program, by age read from the names.
#include "platform/DateTime.h"
#include "tests/integration/backup/RunFixture.h"

#include <regex>

using testing_support::RunFixture;

namespace {

class CleanupRunTest : public RunFixture {
protected:
    // A text matched literally inside a regular expression.
    static std::string Literal(const std::string& text) {
        return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
    }
    void SetUp() override {
        std::filesystem::create_directories(home / "src/sub");
        for (const char* name :
             {"$vm$20240101120000.lzh", "$vm$20240310120000.lzh", "$vm$240101120000.lzh",
              "$vm$20241301000000.lzh", "$VM$20200101000000.LZH", "$vm$2024.lzh.bak", "src.lzh",
              "$vm$20200101000000.zip"})
            Write(std::string("dst/src/") + name, "x");
        std::filesystem::create_directories(home / "dst/src/$vm$old20240101000000");
        std::filesystem::create_directories(home / "dst/src/$vm$new20240310000000");
        std::filesystem::create_directories(home / "dst/src/sub");
        Write("dst/src/sub/$vm$20230101000000.lzh", "x");
        def = Save({Item()});
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(home / ("dst/src/" + name));
    }
    std::string def;
};

TEST_F(CleanupRunTest, ByDateWithBothStampFormsAndAnInvalidOne) {
    EXPECT_EQ(Run({def, "/clearhistorydate20240301"}).Status, 0);
    EXPECT_FALSE(Exists("$vm$20240101120000.lzh"));
    EXPECT_TRUE(Exists("$vm$20240310120000.lzh"));
    EXPECT_FALSE(Exists("$vm$240101120000.lzh"));   // 12 digits: 2024-01-01 12:00:00
    EXPECT_FALSE(Exists("$vm$20241301000000.lzh")); // month 13: unreadable, always goes
    EXPECT_FALSE(Exists("$VM$20200101000000.LZH")); // matched after lower-casing
    EXPECT_TRUE(Exists("$vm$2024.lzh.bak"));
    EXPECT_TRUE(Exists("src.lzh"));
    EXPECT_TRUE(Exists("$vm$20200101000000.zip")); // the other type's history stays
    EXPECT_FALSE(Exists("$vm$old20240101000000"));
    EXPECT_TRUE(Exists("$vm$new20240310000000"));
    EXPECT_FALSE(Exists("sub/$vm$20230101000000.lzh")); // subdirectories too
    EXPECT_TRUE(Exists("sub"));
}

TEST_F(CleanupRunTest, AllAndByDays) {
    // Days back to 2023-06-01: the 2020 backups go, the 2024 ones stay.
    const int days = static_cast<int>(platform::Now() - platform::EncodeDate(2023, 6, 1));
    EXPECT_EQ(Run({def, "/clearhistorydays" + std::to_string(days)}).Status, 0);
    EXPECT_TRUE(Exists("$vm$20240101120000.lzh"));
    EXPECT_FALSE(Exists("$VM$20200101000000.LZH"));
    EXPECT_FALSE(Exists("$vm$20241301000000.lzh"));
    EXPECT_EQ(Run({def, "/clearhistory"}).Status, 0);
    EXPECT_FALSE(Exists("$vm$20240310120000.lzh"));
    EXPECT_FALSE(Exists("$vm$new20240310000000"));
    EXPECT_TRUE(Exists("src.lzh"));
}

TEST_F(CleanupRunTest, LeavesItsRecordInTheLogFileLikeTheOtherRuns) {
    Settings("Options", "OverwriteLog", "0");
    EXPECT_EQ(Run({def, "/clearhistorydate20240301"}).Status, 0);
    EXPECT_EQ(Run({def, "/clearhistory"}).Status, 0);
    // Two blocks and nothing else: each its start line, one line per archive directory
    // visited (the subdirectory's included), its end line and the empty line.
    const std::string stamp = "\\[\\d{4}/\\d{2}/\\d{2}( \\d{1,2}:\\d{2}:\\d{2})?\\] ";
    const std::string block = stamp + "履歴バックアップファイル削除開始：" + Literal(def) + "\r\n" +
                              stamp + "履歴バックアップファイルの削除：" + Literal(home / "dst") +
                              "\r\n" + stamp + "履歴バックアップファイルの削除：" +
                              Literal(home / "dst/src") + "\r\n" + stamp +
                              "履歴バックアップファイル削除完了．\r\n\r\n";
    const std::string log = Log();
    EXPECT_TRUE(std::regex_match(log, std::regex("(" + block + "){2}"))) << log;
}

} // namespace
