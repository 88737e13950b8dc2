#include "tests/unit/engine/EngineFixture.h"

using namespace engine;
using testing_support::EngineFixture;
using testing_support::RecordingLibrary;

namespace {

class ArchiveOperationsTest : public EngineFixture {
protected:
    RecordingLibrary lha{"libunlha32.so"};
};

TEST_F(ArchiveOperationsTest, ListsAreSentInBatchesOf500) {
    const auto names = MakeFiles("src", 1000);
    const std::string archive = tmp / "bk/src/src.lzh";
    for (const auto& [count, calls] : {std::pair{500, 1}, {501, 2}, {1000, 2}}) {
        RecordingLibrary fresh("libunlha32.so");
        const std::vector<std::string> list(names.begin(), names.begin() + count);
        EXPECT_EQ(eng.PackFiles(archive, tmp / "src", false, "", list), 0);
        EXPECT_EQ(fresh.Calls(), calls) << count;
    }
    RecordingLibrary fresh("libunlha32.so");
    EXPECT_EQ(
        eng.RemoveFiles(archive, std::vector<std::string>(names.begin(), names.begin() + 501)), 0);
    EXPECT_EQ(fresh.Calls(), 2);
}

// One damaged member must not keep the members of the later batches from being restored: the
// first failure is the result. A cancel ends the operation at once.
TEST_F(ArchiveOperationsTest, AFailedBatchLetsTheLaterOnesRunACancelStops) {
    const std::vector<std::string> members(1200, "m.txt");
    lha.SetResult(0, 0x800D);
    lha.SetResult(1, 0x8005);
    EXPECT_EQ(eng.UnpackFiles(tmp / "a.lzh", tmp / "out", members), 0x800D);
    EXPECT_EQ(lha.Calls(), 3);
    EXPECT_EQ(eng.LastArchiveError, "書庫ファイルが異常．");

    lha.Reset();
    lha.SetResult(0, 0x8020);
    EXPECT_EQ(eng.UnpackFiles(tmp / "a.lzh", tmp / "out", members), 0x8020);
    EXPECT_EQ(lha.Calls(), 1);
}

TEST_F(ArchiveOperationsTest, CodesThatAreNoError) {
    const std::vector<std::string> members(1200, "m.txt");
    lha.SetResult(0, 0x8012);
    lha.SetResult(1, 0x7FFF);
    lha.SetResult(2, 0x8030);
    EXPECT_EQ(eng.RemoveFiles(tmp / "a.lzh", members), 0);
    EXPECT_EQ(lha.Calls(), 3);
    EXPECT_EQ(eng.LastArchiveError, "");
}

TEST_F(ArchiveOperationsTest, ResultTable) {
    EXPECT_EQ(ArchiveErrorMessage(0x8005), "ディスク容量が不足．");
    EXPECT_EQ(ArchiveErrorMessage(0x8027), "書庫ファイルが書き込み禁止．");
    EXPECT_EQ(ArchiveErrorMessage(0x801E), "メモリー不足.");
    EXPECT_EQ(ArchiveErrorMessage(0x8020), "ユーザーによる処理の中断．");
    EXPECT_EQ(ArchiveErrorMessage(0x802C), "作業ファイルが異常.");
    EXPECT_EQ(ArchiveErrorMessage(0x8013), "ファイル書き込み失敗エラー.");
    EXPECT_EQ(ArchiveErrorMessage(0x802D), "内部エラー.");
    EXPECT_EQ(ArchiveErrorMessage(0x802A), "内部エラー(未定義).");
    EXPECT_EQ(ArchiveErrorMessage(0x8012), "");
    EXPECT_EQ(ArchiveErrorMessage(0), "");
    EXPECT_EQ(ArchiveErrorMessage(0x8004), "");
}

TEST_F(ArchiveOperationsTest, NoCompressFilesAreStoredAfterTheOthers) {
    std::filesystem::create_directories(tmp / "src");
    tmp.Write("src/a.txt", "a");
    tmp.Write("src/b.JPG", "b");
    lha.SetResult(0, 0x8006); // the compressed batch fails; the stored one still goes in
    EXPECT_EQ(eng.PackFiles(tmp / "bk/src.lzh", tmp / "src", false, "*.jpg", {"a.txt", "b.JPG"}),
              0x8006);
    ASSERT_EQ(lha.Calls(), 2);
    EXPECT_NE(lha.Command(0).find("a.txt"), std::string::npos);
    EXPECT_EQ(lha.Command(0).find("b.JPG"), std::string::npos);
    EXPECT_EQ(lha.Command(0).find("-jm0"), std::string::npos);
    EXPECT_NE(lha.Command(1).find("b.JPG"), std::string::npos);
    EXPECT_NE(lha.Command(1).find("-jm0"), std::string::npos);
    EXPECT_EQ(options.jm, -1);
    EXPECT_EQ(eng.LastArchiveError, "ファイル書き込み失敗エラー.");
}

TEST_F(ArchiveOperationsTest, CallsCarryTheWorkDirectoryAndTheLhaUserOptions) {
    const auto names = MakeFiles("src", 1);
    EXPECT_EQ(eng.PackFiles(tmp / "bk/src.lzh", tmp / "src", false, "", names), 0);
    ASSERT_EQ(lha.Calls(), 1);
    const std::string cmd = lha.Command(0);
    EXPECT_NE(cmd.find(state.TempDir), std::string::npos) << cmd;
    EXPECT_NE(cmd.find(" -- "), std::string::npos) << cmd;
    EXPECT_EQ(options.UserOptions, "-- ");
    EXPECT_EQ(options.jso, 1);
    EXPECT_EQ(options.jst, 1);
}

TEST_F(ArchiveOperationsTest, TheThreadSettingGoesToBothLibraries) {
    state.ArchiverThreads = 3;
    const auto names = MakeFiles("src", 1);
    EXPECT_EQ(eng.PackFiles(tmp / "bk/src.lzh", tmp / "src", false, "", names), 0);
    EXPECT_EQ(options.UserOptions, "-jt3 -- ");
    EXPECT_NE(lha.Command(0).find(" -jt3 -- "), std::string::npos) << lha.Command(0);
    RecordingLibrary zip("libzip32j.so");
    state.ArchiverType = engine::atZip;
    EXPECT_EQ(eng.PackFiles(tmp / "bk/src.zip", tmp / "src", false, "", names), 0);
    EXPECT_EQ(options.UserOptions, "-jt3");
}

// A file and the stream members that follow it go in one call, wherever the batch would end.
TEST_F(ArchiveOperationsTest, BatchesNeverSplitAFileFromItsStreams) {
    std::vector<std::string> members;
    for (int i = 0; i < 499; ++i)
        members.push_back("f" + std::to_string(1000 + i));
    members.push_back("last.txt");
    members.push_back("last.txt;a;$DATA");
    members.push_back("last.txt;b;$DATA");
    members.push_back("next.txt");
    EXPECT_EQ(eng.UnpackFiles(tmp / "a.lzh", tmp / "out", members), 0);
    ASSERT_EQ(lha.Calls(), 2);
    EXPECT_NE(lha.Command(0).find("\"last.txt;b;$DATA\""), std::string::npos);
    EXPECT_EQ(lha.Command(1).find("last.txt"), std::string::npos) << lha.Command(1);
    EXPECT_NE(lha.Command(1).find("next.txt"), std::string::npos);
}

TEST_F(ArchiveOperationsTest, ZipCallsHaveNoUserOptions) {
    RecordingLibrary zip("libzip32j.so");
    state.ArchiverType = engine::atZip;
    const auto names = MakeFiles("src", 2);
    EXPECT_EQ(eng.PackFiles(tmp / "bk/src.zip", tmp / "src", false, "", names), 0);
    EXPECT_EQ(options.UserOptions, "");
    EXPECT_EQ(zip.Calls(), 1);
    EXPECT_EQ(lha.Calls(), 0);
}

} // namespace

namespace {

TEST(EngineOptionsTest, Presets) {
    archives::TArchiverOptions o;
    o.Switch("f") = 1; // a leftover that the presets clear
    engine::SetEngineOptionDefaults(o);
    for (const char* on :
         {"a", "c", "m", "n", "y", "jsc", "jss", "jsz", "jyc", "jyd", "jyo", "gm", "go"})
        EXPECT_EQ(o.Switch(on), 1) << on;
    for (const char* off : {"e", "jsb", "jse", "jsf", "jsl", "jso", "jst", "jsv", "gp"})
        EXPECT_EQ(o.Switch(off), 0) << off;
    for (const char* unset : {"f", "h", "jm", "jw", "ga", "gyx"})
        EXPECT_EQ(o.Switch(unset), -1) << unset;
    for (const char* text : {"w", "jo", "job", "jz", "gr"})
        EXPECT_EQ(o.Text(text), archives::NulString) << text;
    EXPECT_TRUE(o.jx.empty());
    EXPECT_EQ(o.UserOptions, "-- ");
    EXPECT_EQ(o.PackFilter, archives::pfComponent);
    EXPECT_EQ(o.ResFileUsage, archives::TResFileUsage{});
}

} // namespace
