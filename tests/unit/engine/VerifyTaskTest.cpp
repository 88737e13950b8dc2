// The verify pass against a recording library: which archives it tests, with which command,
// and what a failure or an unasked cancel does.
#include "tests/unit/engine/EngineFixture.h"

#include <algorithm>

using testing_support::EngineFixture;
using testing_support::RecordingLibrary;

namespace {

class VerifyTaskTest : public EngineFixture {
protected:
    // One item over src (with subdirectories): the latest archive, a history backup, an
    // archive in a history directory, a subdirectory's archive and a file that is no archive.
    VerifyTaskTest() {
        for (const char* dir : {"dst/src/sub", "dst/src/$vm$gone20240101000000"})
            std::filesystem::create_directories(tmp / dir);
        tmp.Write("dst/src/src.lzh", "a");
        tmp.Write("dst/src/$vm$20240101000000.lzh", "a");
        tmp.Write("dst/src/$vm$gone20240101000000/gone.lzh", "a");
        tmp.Write("dst/src/sub/sub.lzh", "a");
        tmp.Write("dst/src/notes.txt", "a");
        auto item = std::make_unique<definition::TVMTask>();
        item->SrcDirs = tmp / "src";
        item->DstDir = tmp / "dst";
        def.Tasks.push_back(std::move(item));
        def.FileName = tmp / "d.vmp";
        state.BatchMode = true;
    }
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (int i = 0; i < lha.Calls(); ++i)
            commands.push_back(lha.Command(i));
        return commands;
    }
    bool Logged(const std::string& text) const {
        const auto& lines = state.RunLog.Lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
    RecordingLibrary lha{"libunlha32.so"};
    definition::TVMDefinition def;
};

TEST_F(VerifyTaskTest, TestsEveryArchiveOnceWithTheTestCommand) {
    eng.AtnVMVerifyExecute(def);
    const std::vector<std::string> commands = Commands();
    ASSERT_EQ(commands.size(), 4u);
    for (const char* archive : {"dst/src/src.lzh", "dst/src/$vm$20240101000000.lzh",
                                "dst/src/$vm$gone20240101000000/gone.lzh", "dst/src/sub/sub.lzh"})
        EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                                [&](const std::string& c) {
                                    return c.rfind("t ", 0) == 0 &&
                                           c.find(tmp / archive) != std::string::npos;
                                }),
                  1)
            << archive;
    EXPECT_FALSE(state.ErrorOccurred);
    EXPECT_TRUE(Logged("バックアップ検査完了：異常なし．"));
}

TEST_F(VerifyTaskTest, FailuresAndUnaskedCancelsAreNamedErrors) {
    lha.SetResult(0, 0x800D);
    lha.SetResult(1, 0x8020); // a cancel no stop asked for: not tried again, a failure
    eng.AtnVMVerifyExecute(def);
    EXPECT_EQ(lha.Calls(), 4);
    EXPECT_TRUE(state.ErrorOccurred);
    EXPECT_FALSE(state.UserBreakOccurred);
    const std::vector<std::string> commands = Commands();
    for (int i = 0; i < 2; ++i) {
        const std::string& c = commands[static_cast<std::size_t>(i)];
        const std::size_t start = c.find(tmp / "dst/");
        ASSERT_NE(start, std::string::npos) << c;
        const std::string archive = c.substr(start, c.find(".lzh", start) + 4 - start);
        EXPECT_TRUE(Logged("書庫が壊れているか読めません：" + archive)) << archive;
    }
    EXPECT_TRUE(Logged("バックアップ検査完了：異常あり．"));
}

TEST_F(VerifyTaskTest, WithoutSubdirectoriesOnlyTheItemsOwnArchiveDirectory) {
    def.Tasks[0]->SubDir = false;
    eng.AtnVMVerifyExecute(def);
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(commands.size(), 3u);
    EXPECT_TRUE(std::none_of(commands.begin(), commands.end(), [&](const std::string& c) {
        return c.find("sub/sub.lzh") != std::string::npos;
    }));
}

TEST_F(VerifyTaskTest, ZipArchivesAreTestedQuietlyByTheReadingLibrary) {
    // Quiet: the output holds only failures, however many members pass.
    tmp.Write("dst/src/src.zip", "a");
    tmp.Write("dst/src/$vm$20240101000000.zip", "a");
    RecordingLibrary unzip("libunzip32.so");
    state.ArchiverType = engine::atZip;
    eng.AtnVMVerifyExecute(def);
    ASSERT_EQ(unzip.Calls(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(unzip.Command(i).rfind("-t -q ", 0), 0u) << unzip.Command(i);
    EXPECT_NE(unzip.Command(0).find(tmp / "dst/src/src.zip"), std::string::npos);
    EXPECT_EQ(lha.Calls(), 0);
    EXPECT_FALSE(state.ErrorOccurred);
}

} // namespace
