#include "app/StartUp.h"

#include "app/Settings.h"
#include "archives/ArchiverErrors.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

using namespace app;
using testing_support::RecordingHost;
using testing_support::XdgSandbox;

namespace {

class StartUpTest : public ::testing::Test {
protected:
    StartUpTest() {
        startUp.RunBackup = [this] { runs.push_back("backup"); };
        startUp.RunRestore = [this] { runs.push_back("restore"); };
        startUp.RunClearHistory = [this] { runs.push_back("clear"); };
        startUp.RunVerify = [this] { runs.push_back("verify"); };
    }

    // Saves a definition with `items` default items under the sandbox and returns its path.
    std::string MakeDefinition(const std::string& name, int items) {
        definition::TVMDefinition d;
        for (int i = 0; i < items; ++i)
            d.Tasks.push_back(std::make_unique<definition::TVMTask>());
        d.FileName = xdg.Dir() / name;
        RecordingHost quiet;
        d.SaveToFile(quiet);
        return d.FileName;
    }

    XdgSandbox xdg;
    RecordingHost host;
    TMainWndModel model{host};
    TStartUp startUp{model};
    std::vector<std::string> runs;
};

TEST_F(StartUpTest, NoArgumentsReopensTheLastDefinition) {
    const std::string path = MakeDefinition("Last.VMP", 2);
    platform::IniFile ini;
    ini.Write("State", "LastOpenedFileName", path);
    ini.Save(xdg.UserConfig());
    startUp.WMStartUp({});
    EXPECT_EQ(model.Definition.FileName, path);
    EXPECT_EQ(model.Definition.Tasks.size(), 2u);
    EXPECT_EQ(host.Title, "Last.VMP - Velmoran");
    EXPECT_FALSE(host.Closed);

    // A last file that is gone leaves the window untitled, without a message.
    RecordingHost other;
    TMainWndModel fresh(other);
    platform::DeleteFile(path);
    TStartUp(fresh).WMStartUp({});
    EXPECT_EQ(other.Title, "Untitled - Velmoran");
    EXPECT_TRUE(other.Messages.empty());
}

TEST_F(StartUpTest, BackupRunsAndEndsTheProgram) {
    const std::string path = MakeDefinition("Daily.VMP", 1);
    startUp.WMStartUp({path, "/BACKUP"});
    EXPECT_EQ(runs, std::vector<std::string>{"backup"});
    EXPECT_EQ(model.Definition.FileName, path); // case kept
    EXPECT_TRUE(host.Closed);
    EXPECT_EQ(model.ExitStatus, ExitOk);
    EXPECT_FALSE(model.BatchMode);
}

TEST_F(StartUpTest, RunResultsBecomeExitStatuses) {
    const std::string path = MakeDefinition("d.vmp", 1);
    startUp.RunBackup = [this] { model.ErrorOccurred = true; };
    startUp.WMStartUp({path, "/backup"});
    EXPECT_EQ(model.ExitStatus, ExitError);
    model.ErrorOccurred = false;
    startUp.RunBackup = [this] {
        EXPECT_TRUE(model.BatchMode);
        model.UserBreakOccurred = true;
    };
    startUp.WMStartUp({path, "/backup"});
    EXPECT_EQ(model.ExitStatus, ExitStopped);
}

TEST_F(StartUpTest, MissingLibraryEndsTheProgram) {
    startUp.LoadArchiver = [](engine::TVMArchiverType) {
        throw archives::ENoArchiverDLL("no library");
    };
    startUp.WMStartUp({"a.vmp", "/backup"});
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Buttons, host::TMsgButtons::YesNo);
    EXPECT_EQ(host.Messages[0].Text, MissingLibraryText());
    EXPECT_EQ(std::count(host.Messages[0].Text.begin(), host.Messages[0].Text.end(), '\n'), 5);
    EXPECT_TRUE(host.Opened.empty()); // answered No when nobody answers
    EXPECT_TRUE(host.Closed);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(model.ExitStatus, ExitNothingRan);

    RecordingHost yes;
    yes.Answers = {host::TMsgAnswer::Yes};
    TMainWndModel m(yes);
    TStartUp s(m);
    s.LoadArchiver = startUp.LoadArchiver;
    s.WMStartUp({});
    ASSERT_EQ(yes.Opened.size(), 1u);
    EXPECT_EQ(yes.Opened[0], HelpFile());
}

TEST(HelpFileTest, TheHelpThatStartUpOffersIsBesideTheBuiltProgram) {
    const std::string help = HelpFile(PROGRAM_DIR);
    EXPECT_EQ(help, std::string(PROGRAM_DIR) + "/Velmoran_J.html");
    ASSERT_TRUE(std::filesystem::is_regular_file(help)) << help;
    const std::string text = testing_support::ReadAll(help);
    EXPECT_NE(text.find("<html lang=\"ja\">"), std::string::npos);
    EXPECT_NE(text.find("id=\"setup\""), std::string::npos); // the message points there
    // Every switch of the command line, with the history values glued to their words.
    for (const char* word :
         {"/backup", "/restore", "/verify", "/ignoretimestamp", "/permitdeletion", "/clearhistory<",
          "/clearhistorydaysN", "/clearhistorydays30", "/clearhistorydateyyyymmdd",
          "/clearhistorydate20240131", "/minimized"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    for (const char* status : {"<td>0</td>", "<td>1</td>", "<td>2</td>", "<td>130</td>"})
        EXPECT_NE(text.find(status), std::string::npos) << status;
}

TEST(HelpFileTest, InstalledHelpIsFoundBelowShare) {
    testing_support::TempDir root;
    std::filesystem::create_directories(root / "bin");
    // Neither there: the path beside the program (whose opener reports it missing).
    EXPECT_EQ(HelpFile(root / "bin"), root / "bin/Velmoran_J.html");
    std::filesystem::create_directories(root / "share/doc/velmoran");
    root.Write("share/doc/velmoran/Velmoran_J.html", "<html></html>");
    const std::string installed = HelpFile(root / "bin");
    EXPECT_TRUE(std::filesystem::equivalent(installed, root / "share/doc/velmoran/Velmoran_J.html"))
        << installed;
    // One beside the program comes first.
    root.Write("bin/Velmoran_J.html", "<html></html>");
    EXPECT_EQ(HelpFile(root / "bin"), root / "bin/Velmoran_J.html");
}

TEST_F(StartUpTest, CommandLineErrors) {
    startUp.WMStartUp({"a.vmp", "b.vmp", "/backup"});
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Kind, host::TMsgKind::Error);
    EXPECT_EQ(host.Messages[0].Text, "コマンドラインの書式が誤っています．\r\n(a.vmp b.vmp )");
    EXPECT_FALSE(host.Closed); // the window stays with an untitled definition
    EXPECT_EQ(host.Title, "Untitled - Velmoran");
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(model.ExitStatus, ExitNothingRan);

    RecordingHost h2;
    TMainWndModel m2(h2);
    TStartUp s2(m2);
    s2.WMStartUp({"/clearhistorydate2024013x", "x.vmp"});
    ASSERT_EQ(h2.Messages.size(), 1u);
    EXPECT_NE(h2.Messages[0].Text.find("(/clearhistorydate2024013x x.vmp )"), std::string::npos);
    EXPECT_TRUE(h2.Closed);

    // Numbers that form no date: the conversion error is shown, nothing runs, the window stays.
    RecordingHost h3;
    TMainWndModel m3(h3);
    TStartUp s3(m3);
    s3.RunClearHistory = [this] { runs.push_back("clear"); };
    s3.WMStartUp({"/clearhistorydate20241331", "x.vmp"});
    EXPECT_EQ(h3.Exceptions.size(), 1u);
    EXPECT_FALSE(h3.Closed);
    EXPECT_TRUE(runs.empty());
}

TEST_F(StartUpTest, MinimizedOpensWithoutRunning) {
    const std::string path = MakeDefinition("a.vmp", 1);
    startUp.WMStartUp({"/minimized", path});
    EXPECT_TRUE(host.Minimized);
    EXPECT_TRUE(runs.empty());
    EXPECT_FALSE(host.Closed);
    EXPECT_EQ(model.Definition.Tasks.size(), 1u);
    EXPECT_EQ(host.Title, "a.vmp - Velmoran");
}

TEST_F(StartUpTest, MissingDefinitionIsReportedAndRunsEmpty) {
    const std::string missing = xdg.Dir() / "Missing.VMP";
    startUp.RunBackup = [this] {
        runs.push_back("backup");
        EXPECT_TRUE(model.Definition.Tasks.empty());
    };
    startUp.WMStartUp({missing, "/backup"});
    EXPECT_EQ(runs, std::vector<std::string>{"backup"});
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "バックアップ定義(" + missing + "）が存在しません．");
    EXPECT_TRUE(model.Definition.FileName.empty());
    EXPECT_EQ(model.ExitStatus, ExitError);
}

TEST_F(StartUpTest, RestoreWinsOverBackupAndMissingDriversRunNothing) {
    const std::string path = MakeDefinition("r.vmp", 1);
    startUp.WMStartUp({"/restore", "/backup", path, "/ignoretimestamp"});
    EXPECT_EQ(runs, std::vector<std::string>{"restore"});
    EXPECT_TRUE(model.IgnoreTimeStamp);

    runs.clear();
    startUp.WMStartUp({"/restore", "/verify", path});
    EXPECT_EQ(runs, std::vector<std::string>{"verify"});

    RecordingHost h;
    TMainWndModel m(h);
    TStartUp bare(m);
    bare.WMStartUp({path, "/clearhistory"});
    ASSERT_EQ(h.Messages.size(), 1u);
    EXPECT_EQ(h.Messages[0].Kind, host::TMsgKind::Error);
    EXPECT_TRUE(h.Closed);
    EXPECT_EQ(m.ExitStatus, ExitNothingRan);
}

TEST_F(StartUpTest, FileVersionOperationsGetTheirValuesAndAnswerTheExitStatus) {
    const std::string path = MakeDefinition("v.vmp", 1);
    bool found = true;
    startUp.RunVersions = [&](const TCommandLine& cl) {
        runs.push_back("versions " + cl.VersionPath);
        EXPECT_TRUE(model.BatchMode);
        return found;
    };
    startUp.RunRestoreVersion = [&](const TCommandLine& cl) {
        runs.push_back("restore " + cl.VersionPath + " " + cl.VersionStamp + " " + cl.RestoreTo);
        return true;
    };
    startUp.WMStartUp({path, "/versions", "/backup/notes.txt"});
    EXPECT_EQ(runs, std::vector<std::string>{"versions /backup/notes.txt"});
    EXPECT_EQ(model.ExitStatus, ExitOk);
    EXPECT_TRUE(host.Closed);
    EXPECT_EQ(model.Definition.FileName, path);

    found = false;
    startUp.WMStartUp({path, "/versions", "/backup/notes.txt"});
    EXPECT_EQ(model.ExitStatus, ExitError);

    runs.clear();
    startUp.WMStartUp({"/to", "/tmp/old", path, "/restoreversion", "n.txt", "20240102030405"});
    EXPECT_EQ(runs, std::vector<std::string>{"restore n.txt 20240102030405 /tmp/old"});
    EXPECT_EQ(model.ExitStatus, ExitOk);

    startUp.RunRestoreVersion = [](const TCommandLine&) -> bool {
        throw std::runtime_error("disk gone");
    };
    startUp.WMStartUp({path, "/restoreversion", "n.txt", "20240102030405"});
    EXPECT_EQ(host.Exceptions, std::vector<std::string>{"disk gone"});
    EXPECT_EQ(model.ExitStatus, ExitError);
}

TEST_F(StartUpTest, FailingDriverLeavesTheWindowOpen) {
    const std::string path = MakeDefinition("f.vmp", 1);
    startUp.RunBackup = [] { throw std::runtime_error("disk on fire"); };
    startUp.WMStartUp({path, "/backup"});
    EXPECT_EQ(host.Exceptions, std::vector<std::string>{"disk on fire"});
    EXPECT_FALSE(host.Closed);
    EXPECT_FALSE(model.BatchMode);
    EXPECT_EQ(model.ExitStatus, ExitError);
}

class MainWndModelTest : public StartUpTest {};

TEST_F(MainWndModelTest, CloseQuestionAndSave) {
    model.Running = true;
    EXPECT_FALSE(model.FormCloseQuery()); // never under a running run
    model.Running = false;
    EXPECT_TRUE(model.FormCloseQuery()); // unmodified: no question
    EXPECT_TRUE(host.Messages.empty());

    model.Definition.Modified = true;
    host.Answers = {host::TMsgAnswer::No};
    EXPECT_TRUE(model.FormCloseQuery());
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text,
              "バックアッププログラムが変更されています．\r\nVelmoranを終了すると変更点は失われて"
              "しまいます．\r\nバックアッププログラムを保存しますか？[Y/N]");

    // Yes with an untitled definition asks for a name; cancelling refuses the close.
    host.Answers = {host::TMsgAnswer::Yes};
    host.FileNames = {std::nullopt};
    EXPECT_FALSE(model.FormCloseQuery());
    EXPECT_TRUE(model.Definition.Modified);

    host.Answers = {host::TMsgAnswer::Yes};
    host.FileNames = {xdg.Dir() / "saved.vmp"};
    EXPECT_TRUE(model.FormCloseQuery());
    EXPECT_FALSE(model.Definition.Modified);
    EXPECT_TRUE(platform::FileExists(xdg.Dir() / "saved.vmp"));
}

TEST_F(MainWndModelTest, FailedSaveIsShownAndKeepsTheCloseOpen) {
    model.Definition.Modified = true;
    model.Definition.FileName = xdg.Dir().Write("plain", "x") + "/below.vmp";
    host.Answers = {host::TMsgAnswer::Yes};
    EXPECT_FALSE(model.FormCloseQuery());
    EXPECT_EQ(host.Exceptions.size(), 1u);
    EXPECT_TRUE(model.Definition.Modified);
}

TEST_F(MainWndModelTest, OpenAfterCancelledSaveKeepsTheCurrentDefinition) {
    const std::string other = MakeDefinition("other.vmp", 3);
    model.Definition.Tasks.push_back(std::make_unique<definition::TVMTask>());
    model.Definition.Modified = true;
    host.Answers = {host::TMsgAnswer::Yes};
    host.FileNames = {std::nullopt, other}; // save dialog cancelled; open never asked
    model.AtnFileOpen();
    EXPECT_EQ(model.Definition.Tasks.size(), 1u);
    EXPECT_TRUE(model.Definition.Modified);
    EXPECT_NE(host.Messages[0].Text.find("「ファイルを開く」"), std::string::npos);

    host.Answers = {host::TMsgAnswer::No};
    host.FileNames = {other};
    model.AtnFileOpen();
    EXPECT_EQ(model.Definition.Tasks.size(), 3u);
    EXPECT_EQ(model.Definition.FileName, other);
    EXPECT_FALSE(model.Definition.Modified);

    model.Definition.Modified = true;
    host.Answers = {host::TMsgAnswer::No};
    model.AtnFileNew();
    EXPECT_TRUE(model.Definition.Tasks.empty());
    EXPECT_EQ(host.Title, "Untitled - Velmoran");
}

TEST_F(MainWndModelTest, ClosingSavesSettingsOnlyForAnExistingDefinition) {
    LoadSettings(model);
    model.FormClose();
    EXPECT_FALSE(platform::FileExists(xdg.UserConfig())); // untitled: nothing written

    model.Definition.FileName = MakeDefinition("kept.vmp", 1);
    model.FormClose();
    const platform::IniFile ini = platform::IniFile::Load(xdg.UserConfig());
    EXPECT_EQ(ini.ReadString("State", "LastOpenedFileName", ""), xdg.Dir() / "kept.vmp");
    EXPECT_EQ(ini.ReadString("Options", "ArchiverType", ""), "atLzh");
}

} // namespace
