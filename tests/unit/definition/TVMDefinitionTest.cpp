#include "definition/TVMDefinition.h"
#include "platform/FileUtil.h"

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/unit/definition/Bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace definition;
using testing_support::Bytes;
using testing_support::ReadAll;
using testing_support::RecordingHost;
using testing_support::TempDir;

namespace {

const std::string kNotFoundHead = "バックアップ定義(";
const std::string kReadError =
    "）の読み込み中にエラーが発生しました．バックアップ定義の内容が失われた可能性があります．";
const std::string kBadFormat = "バックアップ定義の形式が異常で読み込めません．";
const std::string kCompat = "このバックアップ定義は、Velmoran 1.1.0.1以前でつくられています．";

// A form-0.05 item with the given source directory.
std::string Item(const std::string& src) {
    Bytes b;
    b.Sig("TVMTask 0.05___").Str(src).Str("/dst").Str("*.*").Str("");
    b.Bool(true).Bool(false).Bool(false).Bool(true).Bool(true).Str("").Bool(false);
    b.Bool(false).Bool(false).Bool(true).Bool(true).Int(0).ExtendedOne().Int(1).Bool(false);
    b.Str("*.zip");
    return b.Data();
}

// A form-0.01 item.
std::string LegacyItem(const std::string& src) {
    Bytes b;
    b.Sig("TVMTask 0.01___").Str(src).Str("/d").Str("*.*").Str("*").Str("").Str("");
    b.Bool(true).Bool(false).Bool(false).Bool(true).Bool(true).Str("").Bool(false);
    return b.Data();
}

std::string Definition04(bool msg, const std::string& text, bool close, bool showLog,
                         const std::vector<std::string>& items) {
    Bytes b;
    b.Sig("Velmoran 0.04__").Bool(msg).Str(text).Bool(close).Bool(showLog);
    b.Int(static_cast<std::int32_t>(items.size()));
    for (const auto& item : items)
        b.Raw(item);
    return b.Data();
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class TVMDefinitionTest : public ::testing::Test {
protected:
    // Loads bytes from a file; returns whether the whole file was read.
    bool Load(const std::string& bytes) {
        def.FileName = dir.Write("daily.vmp", bytes);
        return def.LoadFromFile(host);
    }

    TempDir dir;
    RecordingHost host;
    TVMDefinition def;
};

TEST_F(TVMDefinitionTest, Version04LoadsSettingsAndItems) {
    EXPECT_TRUE(Load(Definition04(true, "ready?", true, false, {Item("/a"), LegacyItem("/b")})));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_TRUE(def.MsgBeforeExec);
    EXPECT_EQ(def.MsgBeforeExecText, "ready?");
    EXPECT_TRUE(def.CloseWhenFinished);
    EXPECT_FALSE(def.ShowLog);
    ASSERT_EQ(def.Tasks.size(), 2u);
    EXPECT_EQ(def.Tasks[0]->SrcDirs, "/a");
    EXPECT_EQ(def.Tasks[0]->NoCompress, "*.zip");
    EXPECT_EQ(def.Tasks[1]->SrcDirs, "/b");
    EXPECT_FALSE(def.Tasks[1]->SaveModifiedFiles);
    EXPECT_FALSE(def.Modified);
    EXPECT_EQ(host.Title, "daily.vmp - Velmoran");
    EXPECT_GE(host.Refreshes, 1);
}

TEST_F(TVMDefinitionTest, OlderVersionsKeepTheSettingsTheyDoNotHold) {
    def.MsgBeforeExec = true;
    def.ShowLog = false;
    Bytes v01;
    v01.Sig("Velmoran 0.01__").Int(1).Raw(LegacyItem("/old"));
    EXPECT_TRUE(Load(v01.Data()));
    EXPECT_TRUE(def.MsgBeforeExec);
    EXPECT_FALSE(def.ShowLog);
    ASSERT_EQ(def.Tasks.size(), 1u);
    ASSERT_EQ(host.Messages.size(), 1u); // the compatibility message, once
    EXPECT_EQ(host.Messages[0].Kind, host::TMsgKind::Information);
    EXPECT_EQ(host.Messages[0].Text.rfind(kCompat, 0), 0u);

    host.Messages.clear();
    Bytes v02;
    v02.Sig("Velmoran 0.02__").Bool(false).Str("t").Bool(true).Int(0);
    EXPECT_TRUE(Load(v02.Data()));
    EXPECT_FALSE(def.MsgBeforeExec);
    EXPECT_TRUE(def.CloseWhenFinished);
    EXPECT_EQ(host.Messages.size(), 1u);

    host.Messages.clear();
    def.ShowLog = true;
    Bytes v03;
    v03.Sig("Velmoran 0.03__").Bool(true).Str("x").Bool(false).Int(1).Raw(Item("/c"));
    EXPECT_TRUE(Load(v03.Data()));
    EXPECT_TRUE(def.ShowLog); // kept: 0.03 holds no ShowLog
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(def.Tasks.size(), 1u);
}

TEST_F(TVMDefinitionTest, EmptyDefinitionIs36Bytes) {
    def.FileName = dir / "empty.vmp";
    def.ShowLog = true;
    def.Modified = true;
    def.SaveToFile(host);
    const std::string bytes = ReadAll(def.FileName);
    EXPECT_EQ(bytes.size(), 36u);
    EXPECT_EQ(bytes, Definition04(false, "", false, true, {}));
    EXPECT_FALSE(def.Modified);
    EXPECT_EQ(host.Status[0], "");
}

TEST_F(TVMDefinitionTest, SavedDefinitionLoadsBackEqual) {
    for (int i = 0; i < 3; ++i) {
        auto task = std::make_unique<TVMTask>();
        task->SrcDirs = "/src/" + std::to_string(i);
        task->TSMode = i;
        def.Tasks.push_back(std::move(task));
    }
    def.MsgBeforeExecText = "テープを入れてください";
    def.FileName = dir / "round.vmp";
    def.SaveToFile(host);
    TVMDefinition back;
    back.FileName = def.FileName;
    EXPECT_TRUE(back.LoadFromFile(host));
    ASSERT_EQ(back.Tasks.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(*back.Tasks[i], *def.Tasks[i]);
    EXPECT_EQ(back.MsgBeforeExecText, def.MsgBeforeExecText);
}

TEST_F(TVMDefinitionTest, UnknownVersionShowsBothMessagesAndLeavesItEmpty) {
    def.Tasks.push_back(std::make_unique<TVMTask>());
    Bytes b;
    b.Sig("Velmoran 0.05__").Bool(false).Str("").Bool(false).Bool(true).Int(1).Raw(Item("/x"));
    EXPECT_FALSE(Load(b.Data()));
    EXPECT_TRUE(def.Tasks.empty());
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[0].Kind, host::TMsgKind::Error);
    EXPECT_EQ(host.Messages[0].Text, kBadFormat);
    EXPECT_EQ(host.Messages[1].Kind, host::TMsgKind::Information);
    EXPECT_EQ(host.Messages[1].Text, "バックアップ定義（" + def.FileName + kReadError);
    EXPECT_FALSE(def.Modified);
    EXPECT_EQ(def.FileName, dir / "daily.vmp");
}

TEST_F(TVMDefinitionTest, FileCutInsideTheThirdItemKeepsTwo) {
    const std::string full =
        Definition04(false, "", false, true, {Item("/1"), Item("/2"), Item("/3")});
    EXPECT_FALSE(Load(full.substr(0, full.size() - 20)));
    ASSERT_EQ(def.Tasks.size(), 2u);
    EXPECT_EQ(def.Tasks[1]->SrcDirs, "/2");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_TRUE(EndsWith(host.Messages[0].Text, kReadError));
}

TEST_F(TVMDefinitionTest, MissingAndUnreadableFiles) {
    def.FileName = dir / "none.vmp";
    EXPECT_FALSE(def.LoadFromFile(host));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, kNotFoundHead + def.FileName + "）が存在しません．");

    // A FIFO cannot be read as a definition (and must not hang the reader).
    const std::string fifo = dir / "fifo.vmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    host.Messages.clear();
    def.FileName = fifo;
    EXPECT_FALSE(def.LoadFromFile(host));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "バックアップ定義（" + fifo + "）を開くことが出来ません．");
}

TEST_F(TVMDefinitionTest, HostileLengthAndCountEndInTheReadError) {
    Bytes hugeText;
    hugeText.Sig("Velmoran 0.04__").Bool(true).Int(65536).Raw("xxxx");
    EXPECT_FALSE(Load(hugeText.Data()));
    Bytes hugeCount;
    hugeCount.Sig("Velmoran 0.04__").Bool(true).Str("").Bool(true).Bool(true).Int(0x7FFFFFFF);
    hugeCount.Raw(Item("/only"));
    host.Messages.clear();
    EXPECT_FALSE(Load(hugeCount.Data()));
    EXPECT_EQ(def.Tasks.size(), 1u);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_TRUE(EndsWith(host.Messages[0].Text, kReadError));
}

TEST_F(TVMDefinitionTest, MutatedFilesNeverCrashTheLoader) {
    const std::vector<std::string> fixtures = {
        Definition04(true, "m", false, true, {Item("/a"), LegacyItem("/b"), Item("/c")}),
        Bytes().Sig("Velmoran 0.01__").Int(2).Raw(LegacyItem("/x")).Raw(Item("/y")).Data(),
    };
    std::mt19937 rng(1234);
    for (int round = 0; round < 1500; ++round) {
        std::string bytes = fixtures[round % fixtures.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = rng() % bytes.size();
            switch (rng() % 4) {
            case 0:
                bytes[at] = static_cast<char>(rng());
                break;
            case 1:
                bytes.resize(at);
                break;
            case 2:
                bytes.insert(at, 1, static_cast<char>(rng()));
                break;
            default:
                bytes[at] ^= static_cast<char>(1 << (rng() % 8));
            }
        }
        host.Messages.clear();
        const bool whole = Load(bytes);
        if (!whole) {
            ASSERT_FALSE(host.Messages.empty());
            EXPECT_TRUE(EndsWith(host.Messages.back().Text, kReadError)) << round;
        }
        EXPECT_LE(def.Tasks.size(), 3u);
    }
}

TEST_F(TVMDefinitionTest, FailedSaveKeepsTheOldFileAndModified) {
    // A file-size limit makes the write fail as a full disk would; run it in a child process.
    const std::string path =
        dir.Write("keep.vmp", Definition04(false, "", false, true, {Item("/old")}));
    const std::string before = ReadAll(path);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{40, 40};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        RecordingHost h;
        TVMDefinition d;
        d.FileName = path;
        d.Modified = true;
        for (int i = 0; i < 5; ++i)
            d.Tasks.push_back(std::make_unique<TVMTask>());
        int code = 1;
        try {
            d.SaveToFile(h);
        } catch (const platform::EFileError&) {
            code = d.Modified && h.Status[0] == "変更" && !h.Title.empty() ? 0 : 2;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not fail cleanly";
    EXPECT_EQ(ReadAll(path), before);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 1); // no temporary file left behind
}

TEST_F(TVMDefinitionTest, UpdateTitleFollowsTheDocument) {
    using host::TAction;
    def.UpdateTitle(host);
    EXPECT_EQ(host.Title, "Untitled - Velmoran");
    EXPECT_TRUE(host.IsEnabled(TAction::FileNew));
    EXPECT_TRUE(host.IsEnabled(TAction::VMAdd));
    EXPECT_FALSE(host.IsEnabled(TAction::FileSave));
    EXPECT_FALSE(host.IsEnabled(TAction::FileSaveAs));
    EXPECT_FALSE(host.IsEnabled(TAction::VMExecute));
    EXPECT_FALSE(host.IsEnabled(TAction::VMEdit));
    EXPECT_FALSE(host.IsEnabled(TAction::OptionsScheduler));
    EXPECT_FALSE(host.IsEnabled(TAction::VMStop));
    EXPECT_TRUE(host.ListEnabled);

    def.Tasks.push_back(std::make_unique<TVMTask>());
    def.Modified = true;
    def.FileName = "/home/Ann/Daily.VMP";
    host.Selected = 0;
    def.UpdateTitle(host);
    EXPECT_EQ(host.Title, "Daily.VMP - Velmoran");
    EXPECT_EQ(host.Status[0], "変更");
    EXPECT_TRUE(host.IsEnabled(TAction::FileSave));
    EXPECT_TRUE(host.IsEnabled(TAction::VMRestore));
    EXPECT_TRUE(host.IsEnabled(TAction::VMDown));
    EXPECT_TRUE(host.IsEnabled(TAction::OptionsScheduler));

    def.New(host);
    EXPECT_TRUE(def.Tasks.empty());
    EXPECT_EQ(host.Title, "Untitled - Velmoran");
    EXPECT_FALSE(host.IsEnabled(TAction::VMClean));
}

} // namespace
