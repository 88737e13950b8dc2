// Verifying backups by the built program (/verify), both formats: whole backups pass, each kind
// of damage is named and fails the run, and the destination is never changed.
#include "tests/integration/backup/RunFixture.h"

using testing_support::Capture;
using testing_support::FormatRunFixture;
using testing_support::ReadAll;
using testing_support::ShellQuote;

namespace {

constexpr std::int64_t kOld = 1577872800;

// Text that compresses, so that the middle of an archive lies inside compressed data.
std::string Body(const std::string& seed) {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += seed + " line " + std::to_string(i * 7919 % 1000) + "\n";
    return text;
}

class VerifyRunTest : public FormatRunFixture {
protected:
    // Two backups: the second replaces a file (a history archive beside the latest) in src and
    // in src/sub.
    void SetUp() override {
        FormatRunFixture::SetUp();
        Write("src/kept.txt", Body("kept"), kOld);
        Write("src/changed.txt", Body("first"), kOld);
        Write("src/sub/inner.txt", Body("inner"), kOld);
        // A directory without files: an empty listing cache and no archive.
        std::filesystem::create_directories(home / "src/empty");
        def = Save({Item()});
        ASSERT_EQ(Run({def, "/backup"}).Status, 0);
        Write("src/changed.txt", Body("second"), kOld + 86400);
        Write("src/sub/inner.txt", Body("inner 2"), kOld + 86400);
        ASSERT_EQ(Run({def, "/backup"}).Status, 0);
        ASSERT_TRUE(std::filesystem::exists(Archive()));
        ASSERT_TRUE(std::filesystem::exists(Archive("src/sub")));
        ASSERT_TRUE(std::filesystem::exists(Cache()));
        ASSERT_FALSE(History().empty());
    }

    std::string Cache() const {
        const std::string a = Archive();
        return a.substr(0, a.size() - ext.size()) + ".lst";
    }
    // The history archive beside the latest archive of src.
    std::string History() const {
        for (const auto& e : std::filesystem::directory_iterator(home / "dst/src"))
            if (e.path().filename().string().rfind("$vm$", 0) == 0 && e.is_regular_file())
                return e.path();
        return {};
    }
    // Every entry of the destination with its size, time and checksum.
    std::string TreeState() const {
        const std::string dst = ShellQuote(home / "dst");
        return Capture("cd " + dst + " && find . -printf '%p %s %T@ %m\\n' | sort && " +
                       "find . -type f -print0 | sort -z | xargs -0 sha256sum");
    }
    static void Flip(const std::string& path, std::uintmax_t offset) {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fseek(f, static_cast<long>(offset), SEEK_SET);
        const int c = std::fgetc(f);
        std::fseek(f, static_cast<long>(offset), SEEK_SET);
        std::fputc(c ^ 0x5A, f);
        std::fclose(f);
    }
    std::string def;
};

TEST_P(VerifyRunTest, WholeBackupPassesAndNothingChanges) {
    const std::string before = TreeState();
    const auto r = Run({def, "/verify"});
    EXPECT_EQ(r.Status, 0) << r.Err << Log();
    EXPECT_EQ(TreeState(), before);
    // Not even the lock file of the destination is made when no run has left one.
    ASSERT_TRUE(std::filesystem::remove(home / "dst/.velmoran.lock"));
    const std::string unlocked = TreeState();
    EXPECT_EQ(Run({def, "/verify"}).Status, 0);
    EXPECT_EQ(TreeState(), unlocked);
    EXPECT_NE(Log().find("バックアップ検査完了：異常なし．"), std::string::npos) << Log();
}

TEST_P(VerifyRunTest, DamageIsNamedAndFailsTheRun) {
    // A flipped byte in the data of a history archive.
    {
        const std::string history = History();
        Flip(history, std::filesystem::file_size(history) / 2);
        const std::string before = TreeState();
        const auto r = Run({def, "/verify"});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_NE(r.Err.find(history), std::string::npos) << r.Err;
        EXPECT_NE(Log().find(history), std::string::npos) << Log();
        EXPECT_NE(r.Err.find("error: "), std::string::npos) << "the library's message\n" << r.Err;
        EXPECT_EQ(r.Err.find(Archive()), std::string::npos) << "the latest is whole\n" << r.Err;
        EXPECT_EQ(TreeState(), before);
        Flip(history, std::filesystem::file_size(history) / 2);
        EXPECT_EQ(Run({def, "/verify"}).Status, 0) << "the byte flipped back";
    }
    // The latest archive of a subdirectory cut to half its size.
    {
        const std::string latest = Archive("src/sub");
        std::filesystem::resize_file(latest, std::filesystem::file_size(latest) / 2);
        const std::string before = TreeState();
        const auto r = Run({def, "/verify"});
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_NE(r.Err.find(latest), std::string::npos) << r.Err;
        EXPECT_EQ(TreeState(), before);
    }
}

TEST_P(VerifyRunTest, ArchivesInHistoryDirectoriesAreTested) {
    // A subdirectory that went from the source leaves its archive directory as history.
    std::filesystem::remove_all(home / "src/sub");
    ASSERT_EQ(Run({def, "/backup"}).Status, 0);
    std::string archive;
    for (const auto& e : std::filesystem::recursive_directory_iterator(home / "dst/src"))
        if (e.path().string().find("/$vm$sub") != std::string::npos &&
            e.path().filename() == "sub" + ext)
            archive = e.path();
    ASSERT_FALSE(archive.empty()) << Capture("find " + ShellQuote(home / "dst"));
    EXPECT_EQ(Run({def, "/verify"}).Status, 0);
    Flip(archive, std::filesystem::file_size(archive) / 2);
    const auto r = Run({def, "/verify"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_NE(r.Err.find(archive), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("error: "), std::string::npos) << "the library's message\n" << r.Err;
}

TEST_P(VerifyRunTest, MissingArchiveOfACacheIsNamed) {
    std::filesystem::remove(Archive());
    const auto r = Run({def, "/verify"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_NE(r.Err.find(Archive()), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("kept.txt"), std::string::npos) << r.Err;
}

TEST_P(VerifyRunTest, CacheOutOfStepIsNamed) {
    std::string cache = ReadAll(Cache());
    const std::size_t at = cache.find("kept.txt");
    ASSERT_NE(at, std::string::npos) << cache;
    cache.replace(at, 8, "gone.txt");
    home.Write(std::filesystem::relative(Cache(), home.Path()).string(), cache);
    const std::string before = TreeState();
    const auto r = Run({def, "/verify"});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_NE(r.Err.find("gone.txt"), std::string::npos) << "listed but not in the archive\n"
                                                         << r.Err;
    EXPECT_NE(r.Err.find("kept.txt"), std::string::npos) << "in the archive but not listed\n"
                                                         << r.Err;
    EXPECT_EQ(r.Err.find("changed.txt"), std::string::npos) << r.Err;
    EXPECT_EQ(TreeState(), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, VerifyRunTest, ::testing::Values(".lzh", ".zip"));

} // namespace
