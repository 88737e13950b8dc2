#include "engine/EVMError.h"
#include "tests/unit/engine/EngineFixture.h"

#include <algorithm>
#include <cstring>

using namespace engine;
using testing_support::EngineFixture;
using testing_support::ReadAll;
using testing_support::RecordingLibrary;

namespace {

class RunDriversTest : public EngineFixture {
protected:
    RunDriversTest() {
        def.FileName = tmp / "d.vmp";
        state.LogFile = tmp / "v.log";
    }
    void AddItem(const std::string& src, const std::string& dst) {
        auto item = std::make_unique<definition::TVMTask>();
        item->SrcDirs = src;
        item->DstDir = dst;
        def.Tasks.push_back(std::move(item));
    }
    RecordingLibrary lha{"libunlha32.so"};
    definition::TVMDefinition def;
};

TEST_F(RunDriversTest, EmptyDefinitionWritesStartAndEndLines) {
    eng.AtnVMExecute(def);
    const auto& lines = state.RunLog.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("] バックアップ開始(" + def.FileName + ")"), std::string::npos);
    EXPECT_NE(lines[1].find("] バックアップ完了．"), std::string::npos);
    EXPECT_NE(ReadAll(state.LogFile).find("バックアップ完了．\r\n\r\n"), std::string::npos);
    EXPECT_FALSE(host.IsEnabled(host::TAction::VMStop)); // idle again
    EXPECT_FALSE(host.Busy);
}

TEST_F(RunDriversTest, EmptyWorkingDirectoryFallsBackToThePrivateOne) {
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", (tmp / "cache").c_str(), 1);
    state.TempDir.clear();
    eng.AtnVMExecute(def);
    EXPECT_EQ(state.TempDir, tmp / "cache/Tarn/Velmoran/tmp");
    EXPECT_FALSE(state.ErrorOccurred);
    if (old)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(RunDriversTest, CancelledQuestionRunsNothingButLogs) {
    AddItem(tmp / "src", tmp / "dst");
    def.MsgBeforeExec = true;
    def.MsgBeforeExecText = "Insert the backup disk.";
    host.Answers = {host::TMsgAnswer::Cancel};
    eng.AtnVMExecute(def);
    EXPECT_EQ(state.RunLog.Lines().size(), 1u); // the start line only
    EXPECT_EQ(lha.Calls(), 0);
    EXPECT_TRUE(std::filesystem::exists(state.LogFile));
}

TEST_F(RunDriversTest, UnusableLogFileEndsTheRunBeforeAnyItem) {
    AddItem(tmp / "src", tmp / "dst");
    state.LogFile = tmp / "missing/dir/v.log";
    eng.AtnVMExecute(def);
    EXPECT_TRUE(state.ErrorOccurred);
    ASSERT_GE(state.RunLog.Lines().size(), 2u);
    EXPECT_NE(state.RunLog.Lines()[1].find("一時ディレクトリまたはログファイルの異常．"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tmp / "dst"));
}

TEST_F(RunDriversTest, ItemsAreCopiesAndTheDefinitionStaysUnchanged) {
    std::filesystem::create_directories(tmp / "src");
    AddItem(tmp / "src", tmp / "dst");
    const definition::TVMTask before = *def.Tasks[0];
    eng.AtnVMExecute(def);
    EXPECT_EQ(*def.Tasks[0], before);
}

TEST_F(RunDriversTest, HistoryVersionsNeverTouchTheUsersFilesInTheWorkingDirectory) {
    // A user's own file in the working directory, named like a member.
    tmp.Write("work/a.txt", "mine");
    std::filesystem::create_directories(tmp / "src");
    std::filesystem::create_directories(tmp / "dst/src");
    tmp.Write("dst/src/src.lzh", "archive");
    lha.AddMember("a.txt", 1, 44 << 9 | 1 << 5 | 1, 0, "a");
    definition::TVMTask item;
    item.SrcDirs = tmp / "src";
    item.DstDir = tmp / "dst";
    item.EnableLzhCache = false;
    eng.DoTask(item);
    // The unpack of the old version went to a private directory, not the working directory.
    ASSERT_GE(lha.Calls(), 1);
    EXPECT_EQ(lha.Command(0).find(" \"" + state.TempDir + "/\""), std::string::npos)
        << lha.Command(0);
    EXPECT_NE(lha.Command(0).find(state.TempDir + "/$vm$old"), std::string::npos) << lha.Command(0);
    EXPECT_EQ(ReadAll(tmp / "work/a.txt"), "mine");
    // The private directory is gone again (kept only in debug mode).
    for (const auto& e : std::filesystem::directory_iterator(tmp / "work"))
        EXPECT_EQ(e.path().filename(), "a.txt");
}

TEST_F(RunDriversTest, OnlyErrorLinesAreShownAsErrors) {
    AddItem(tmp / "nowhere", tmp / "dst");
    std::filesystem::create_directories(tmp / "src");
    AddItem(tmp / "src", tmp / "dst2");
    eng.AtnVMExecute(def);
    EXPECT_TRUE(state.ErrorOccurred);
    // The missing source's line and nothing else: no start, item or end line.
    ASSERT_EQ(host.ErrorLines.size(), 1u);
    EXPECT_NE(host.ErrorLines[0].find("] コピー元ディレクトリが存在しません。"), std::string::npos);
    const auto& lines = state.RunLog.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), host.ErrorLines[0]), lines.end());

    // A clean run shows none.
    host.ErrorLines.clear();
    def.Tasks.erase(def.Tasks.begin());
    eng.AtnVMExecute(def);
    EXPECT_FALSE(state.ErrorOccurred);
    EXPECT_TRUE(host.ErrorLines.empty());
}

TEST_F(RunDriversTest, MissingDestinationIsMadeForTheLockAndGoesAgainWhenNothingCameOfIt) {
    std::filesystem::create_directories(tmp / "src");
    AddItem(tmp / "nowhere", tmp / "new/a/b"); // fails: nothing may stay behind
    AddItem(tmp / "src", tmp / "made/c");      // runs: made with its parents, lock file inside
    eng.AtnVMExecute(def);
    EXPECT_TRUE(state.ErrorOccurred);
    EXPECT_FALSE(std::filesystem::exists(tmp / "new"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "made/c/src"));
    EXPECT_TRUE(std::filesystem::exists(tmp / "made/c/.velmoran.lock"));

    // A restore or cleanup has nothing to read there and makes nothing.
    def.Tasks.clear();
    AddItem(tmp / "src", tmp / "absent/d");
    state.BatchMode = true;
    eng.AtnVMRestoreExecute(def);
    eng.AtnVMCleanExecute(def);
    EXPECT_FALSE(std::filesystem::exists(tmp / "absent"));
}

TEST_F(RunDriversTest, ProgressTextIsThrottled) {
    archives::TExtractingInfoEx info{};
    std::strcpy(info.destName, "dir/file.txt");
    info.writtenSize = 2560;
    eng.AFProgress(1, &info);
    EXPECT_EQ(host.Status[0], "2.5 kBytes - file.txt");
    info.writtenSize = 5120;
    eng.AFProgress(1, &info); // within 400 ms: unchanged
    EXPECT_EQ(host.Status[0], "2.5 kBytes - file.txt");
}

} // namespace

namespace {

class DoTaskTest : public RunDriversTest {
protected:
    definition::TVMTask Item(const std::string& src, const std::string& dst) {
        definition::TVMTask item;
        item.SrcDirs = src;
        item.DstDir = dst;
        return item;
    }
    int CodeOf(const definition::TVMTask& item) {
        try {
            eng.DoTask(item);
        } catch (const EVMError& e) {
            return e.Code();
        }
        return 0;
    }
    bool Logged(const std::string& text) const {
        for (const auto& line : state.RunLog.Lines())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(DoTaskTest, SourceAndDestinationConflicts) {
    std::filesystem::create_directories(tmp / "data/docs");
    // Destination inside the source, with subdirectories: refused with code 2.
    EXPECT_EQ(CodeOf(Item(tmp / "data", tmp / "data/bk")), EVMError::ItemRefusedCode);
    EXPECT_TRUE(Logged("コピー元ディレクトリにコピー先ディレクトリが含まれています．"));
    EXPECT_TRUE(state.ErrorOccurred);
    // Also when the destination reaches into the source through "..".
    EXPECT_EQ(CodeOf(Item(tmp / "data", tmp / "elsewhere/../data/bk")), EVMError::ItemRefusedCode);
    // A destination whose name only starts like the source is no conflict.
    EXPECT_EQ(CodeOf(Item(tmp / "data", tmp / "databackup")), 0);
    // The archive directory of data/docs below data is data/docs itself.
    auto same = Item(tmp / "data/docs", tmp / "data");
    same.SubDir = false;
    EXPECT_EQ(CodeOf(same), EVMError::ItemRefusedCode);
    EXPECT_TRUE(Logged("コピー元ディレクトリとコピー先ディレクトリは異ならなければなりません．"));
    same.DstDir = tmp / "data/docs/..";
    EXPECT_EQ(CodeOf(same), EVMError::ItemRefusedCode);
    // The working directory as a source: logged, no exception.
    state.RunLog.Clear();
    EXPECT_EQ(CodeOf(Item(state.TempDir, tmp / "bk")), 0);
    EXPECT_TRUE(Logged("コピー元ディレクトリは一時ファイルディレクトリであってはなりません．"));
    // A missing source.
    EXPECT_EQ(CodeOf(Item(tmp / "nowhere", tmp / "bk")), 0);
    EXPECT_TRUE(Logged("コピー元ディレクトリが存在しません。"));
}

TEST_F(DoTaskTest, FullDiskIsReportedAndNothingElseIsTouched) {
    std::filesystem::create_directories(tmp / "src");
    tmp.Write("src/a.txt", "a");
    lha.SetResult(0, 0x8005);
    auto item = Item(tmp / "src", tmp / "dst");
    EXPECT_EQ(CodeOf(item), 0);
    EXPECT_TRUE(Logged("] ディスク容量が不足．"));
    EXPECT_TRUE(state.ErrorOccurred);
    // The pass ended at the failure: no listing cache claims the file is backed up.
    EXPECT_FALSE(std::filesystem::exists(tmp / "dst/src/src.lst"));
}

// A pass stopped at any of its archive calls leaves no listing cache that disagrees with the
// archive: the cache is deleted before the first call that changes the archive.
TEST_F(DoTaskTest, ListingCacheGoesBeforeTheArchiveChanges) {
    const std::string cacheText = "2\r\na.txt\r\n1\r\n2020/01/01 12:00:00\r\n32\r\n"
                                  "b.txt\r\n1\r\n2020/01/01 12:00:00\r\n32\r\n";
    // Calls: 0 extract the old a and b (the fake extracts nothing, so there is no history pack
    // to call), 1 remove b, 2 pack a and c.
    for (int stopAt = 0; stopAt <= 3; ++stopAt) {
        SCOPED_TRACE(stopAt);
        std::filesystem::remove_all(tmp / "src");
        std::filesystem::remove_all(tmp / "dst");
        std::filesystem::create_directories(tmp / "src");
        std::filesystem::create_directories(tmp / "dst/src");
        tmp.Write("src/a.txt", "a");
        tmp.Write("src/c.txt", "c");
        tmp.Write("dst/src/src.lzh", "archive");
        const std::string cache = tmp.Write("dst/src/src.lst", cacheText);
        lha.Reset();
        lha.SetResult(stopAt, 0x8020);
        TVMEngine run(state, af, options); // each iteration a run of its own
        state.Stopped = false;
        int code = 0;
        try {
            run.DoTask(Item(tmp / "src", tmp / "dst"));
        } catch (const EVMError& e) {
            code = e.Code();
        }
        ASSERT_EQ(lha.Calls(), std::min(stopAt + 1, 3));
        if (stopAt == 0) {
            EXPECT_EQ(code, EVMError::UserBreakCode);
            EXPECT_EQ(ReadAll(cache), cacheText); // the archive is as the cache says
        } else if (stopAt < 3) {
            EXPECT_EQ(code, EVMError::UserBreakCode);
            EXPECT_FALSE(std::filesystem::exists(cache));
        } else {
            EXPECT_EQ(code, 0); // complete: the cache tells the new contents
            EXPECT_NE(ReadAll(cache).find("c.txt"), std::string::npos);
            EXPECT_EQ(ReadAll(cache).find("b.txt"), std::string::npos);
        }
    }
}

TEST_F(DoTaskTest, CancelInTheLibraryIsAUserBreak) {
    std::filesystem::create_directories(tmp / "src");
    tmp.Write("src/a.txt", "a");
    lha.SetResult(0, 0x8020);
    EXPECT_EQ(CodeOf(Item(tmp / "src", tmp / "dst")), EVMError::UserBreakCode);
    EXPECT_TRUE(Logged("] ユーザーによる中断．"));
}

} // namespace
