#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "platform/TempDirectory.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

TEST(FileUtilTest, PathParts) {
    EXPECT_EQ(ExtractFileName("/home/ann/Daily.VMP"), "Daily.VMP");
    EXPECT_EQ(ExtractFileName("a\\b:c"), "a\\b:c"); // only "/" separates parts
    EXPECT_EQ(ExtractFilePath("/home/ann/Daily.VMP"), "/home/ann/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
}

TEST(FileUtilTest, ForceDirectoriesCreatesParentsAndFailsBelowAFile) {
    TempDir dir;
    EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
    EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
    const std::string file = dir.Write("plain", "x");
    EXPECT_FALSE(ForceDirectories(file + "/sub"));
    EXPECT_FALSE(FileExists(dir / "a"));
    EXPECT_TRUE(FileExists(file));
}

TEST(FileUtilTest, AtomicWriterLeavesTheTargetUntilCommit) {
    TempDir dir;
    const std::string target = dir.Write("data.bin", "old");
    ::chmod(target.c_str(), 0640);
    {
        AtomicFileWriter writer(target);
        writer.Write("new contents");
        EXPECT_EQ(ReadAll(target), "old");
        // Dropped without Commit: the temporary file goes, the target stays.
    }
    EXPECT_EQ(ReadAll(target), "old");
    WriteFileAtomic(target, "new contents");
    EXPECT_EQ(ReadAll(target), "new contents");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // permissions of the replaced file kept
    // Only the target is left in the directory.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);
    EXPECT_THROW(WriteFileAtomic(target + "/below-a-file", "x"), EFileError);
}

TEST(FileUtilTest, WriteFileReplacesOrAppends) {
    TempDir dir;
    const std::string path = dir / "log";
    WriteFile(path, "a", false);
    WriteFile(path, "b", true);
    EXPECT_EQ(ReadAll(path), "ab");
    WriteFile(path, "c", false);
    EXPECT_EQ(ReadAll(path), "c");
    EXPECT_THROW(WriteFile(path + "/x", "c", false), EFileError);
}

TEST(IniFileTest, ValuesWithBackslashesAndLineBreaksRoundTrip) {
    TempDir dir;
    IniFile ini;
    ini.Write("Options", "TempDir", "C:\\tmp\\n");
    ini.Write("Options", "Text", "line1\r\nline2");
    ini.Write("State", "Left", "10");
    ini.Write("Options", "TempDir", "/var/tmp\\x"); // replaces
    const std::string path = dir / "cfg/Tarn/Velmoran.conf";
    ini.Save(path);
    const std::string text = ReadAll(path);
    EXPECT_EQ(text,
              "[Options]\nTempDir=/var/tmp\\\\x\nText=line1\\r\\nline2\n\n[State]\nLeft=10\n");
    const IniFile back = IniFile::Load(path);
    EXPECT_EQ(back.ReadString("Options", "TempDir", ""), "/var/tmp\\x");
    EXPECT_EQ(back.ReadString("Options", "Text", ""), "line1\r\nline2");
    EXPECT_EQ(back.ReadString("State", "Left", ""), "10");
    EXPECT_FALSE(back.Read("State", "Top").has_value());
}

TEST(IniFileTest, ToleratesCommentsCrLfAndJunk) {
    const IniFile ini =
        IniFile::Parse("; comment\r\nstray=1\r\n[A]\r\nx=1\r\nnoequals\r\n[A]\r\ny=a=b\r\n");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "y", ""), "a=b");
    EXPECT_FALSE(ini.Read("", "stray").has_value());
    EXPECT_EQ(IniFile::Load("/nonexistent/file").Text(), "");
}

TEST(TempDirectoryTest, PrivateDirectoryBelowTheCache) {
    TempDir dir;
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", dir.Path().c_str(), 1);
    const std::string tmp = SystemTempDir();
    EXPECT_EQ(tmp, dir.Path() + "/Tarn/Velmoran/tmp");
    struct stat st {};
    ASSERT_EQ(::stat(tmp.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (old)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}

} // namespace
