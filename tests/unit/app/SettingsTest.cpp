#include "app/Settings.h"

#include "app/MainWndModel.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/XdgSandbox.h"

#include <gtest/gtest.h>

using namespace app;
using testing_support::ReadAll;
using testing_support::RecordingHost;
using testing_support::XdgSandbox;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void Store(const std::string& text) {
        platform::ForceDirectories(platform::ExtractFilePath(xdg.UserConfig()));
        platform::WriteFile(xdg.UserConfig(), text, false);
    }
    platform::IniFile Stored() const { return platform::IniFile::Load(xdg.UserConfig()); }

    XdgSandbox xdg;
    RecordingHost host;
    TMainWndModel model{host};
};

TEST_F(SettingsTest, DefaultsWithoutAnySettingsFile) {
    LoadSettings(model);
    EXPECT_EQ(model.TempDir, xdg.Dir() / "cache/Tarn/Velmoran/tmp");
    EXPECT_TRUE(platform::DirectoryExists(model.TempDir));
    EXPECT_EQ(model.LogFile, xdg.Dir() / "state/Tarn/Velmoran/Velmoran.LOG");
    EXPECT_TRUE(platform::DirectoryExists(xdg.Dir() / "state/Tarn/Velmoran"));
    EXPECT_TRUE(model.OverwriteLog);
    EXPECT_TRUE(model.RecallLastSettings);
    EXPECT_EQ(model.ArchiverType, engine::atLzh);
    EXPECT_EQ(model.DeleteHistoryMode, 1);
    EXPECT_EQ(model.DeleteHistoryDays, 7);
    EXPECT_EQ(host.Bounds, (host::TBounds{10, 20, 400, 300})); // the bounds the system gave
    EXPECT_FALSE(platform::FileExists(xdg.UserConfig()));      // loading writes nothing
}

TEST_F(SettingsTest, WorkingDirectoryChecks) {
    const std::string custom = xdg.Dir() / "work/tmp/";
    Store("[Options]\nTempDir=" + custom + "\n");
    LoadSettings(model);
    EXPECT_EQ(model.TempDir, xdg.Dir() / "work/tmp"); // created, one delimiter removed
    EXPECT_FALSE(platform::FileExists(model.TempDir + "/$vm$ROTEST"));

    // A directory that cannot exist (below a regular file) falls back silently.
    const std::string file = xdg.Dir().Write("plain", "x");
    Store("[Options]\nTempDir=" + file + "/tmp\n");
    LoadSettings(model);
    EXPECT_EQ(model.TempDir, xdg.Dir() / "cache/Tarn/Velmoran/tmp");
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SettingsTest, SystemFileSuppliesAnEmptyWorkingDirectory) {
    const std::string system = xdg.Dir() / "systemtmp";
    platform::ForceDirectories(system);
    platform::ForceDirectories(platform::ExtractFilePath(xdg.SystemConfig()));
    platform::WriteFile(xdg.SystemConfig(), "[Options]\nTempDir=" + system + "\n", false);
    Store("[Options]\nTempDir=\n");
    LoadSettings(model);
    EXPECT_EQ(model.TempDir, system);
}

TEST_F(SettingsTest, ValuesAndTheirChecks) {
    Store("[Options]\nLogFile=/var/log/v.log\nOverwriteLog=0\nRecallLastSettings=7\n"
          "ArchiverType=atZip\n[State]\nLastOpenedFileName=/home/Ann/Daily.VMP\nLeft=-5\n"
          "Top=40\nWidth=500\nHeight=200\n[DeleteHistory]\nDeleteHistoryMode=x\n"
          "DeleteHistoryDays=30\nDeleteHistoryBefore=45322.5\n");
    LoadSettings(model);
    EXPECT_EQ(model.LogFile, "/var/log/v.log");
    EXPECT_FALSE(model.OverwriteLog);
    EXPECT_TRUE(model.RecallLastSettings);
    EXPECT_EQ(model.ArchiverType, engine::atZip);
    EXPECT_EQ(model.LastOpenedFileName, "/home/Ann/Daily.VMP");
    EXPECT_EQ(host.Bounds, (host::TBounds{0, 40, 500, 200})); // negative left becomes 0
    EXPECT_EQ(model.DeleteHistoryMode, 1);                    // not a number: the default
    EXPECT_EQ(model.DeleteHistoryDays, 30);
    EXPECT_EQ(model.DeleteHistoryBefore, 45322.5);

    for (const char* type : {"atLzh", "atLha", "zip", "ATZIP"}) {
        Store(std::string("[Options]\nArchiverType=") + type + "\n");
        LoadSettings(model);
        EXPECT_EQ(model.ArchiverType, engine::atLzh) << type;
    }
}

TEST_F(SettingsTest, BoundsOffTheScreenAreIgnored) {
    for (const char* bounds : {"Left=100\nTop=100\nWidth=50\nHeight=300\n",
                               "Left=1000\nTop=100\nWidth=300\nHeight=300\n",
                               "Left=100\nTop=1000\nWidth=300\nHeight=30\n"}) {
        host.Bounds = {1, 2, 3, 4};
        Store(std::string("[State]\n") + bounds);
        LoadSettings(model);
        EXPECT_EQ(host.Bounds, (host::TBounds{1, 2, 3, 4})) << bounds;
    }
    // Not taken either when the last settings are not recalled.
    Store("[Options]\nRecallLastSettings=0\n[State]\nLeft=5\nTop=5\nWidth=300\nHeight=300\n");
    LoadSettings(model);
    EXPECT_EQ(host.Bounds, (host::TBounds{1, 2, 3, 4}));
}

TEST_F(SettingsTest, SaveWritesEveryValueAndKeepsBoundsOfAMaximizedWindow) {
    LoadSettings(model);
    model.ArchiverType = engine::atZip;
    model.OverwriteLog = false;
    model.LastOpenedFileName = "/d/a\\b.vmp";
    model.DeleteHistoryBefore = 45322.75;
    SaveSettings(model);
    platform::IniFile ini = Stored();
    EXPECT_EQ(ini.ReadString("Options", "ArchiverType", ""), "atZip");
    EXPECT_EQ(ini.ReadString("Options", "OverwriteLog", ""), "0");
    EXPECT_EQ(ini.ReadString("Options", "TempDir", ""), model.TempDir);
    EXPECT_EQ(ini.ReadString("State", "LastOpenedFileName", ""), "/d/a\\b.vmp");
    EXPECT_EQ(ini.ReadString("State", "Width", ""), "400");
    EXPECT_EQ(ini.ReadString("DeleteHistory", "DeleteHistoryBefore", ""), "45322.75");
    EXPECT_NE(ReadAll(xdg.UserConfig()).find("a\\\\b.vmp"), std::string::npos);

    model.ArchiverType = engine::atLzh;
    host.State = host::TWindowState::Maximized;
    host.Bounds = {0, 0, 1280, 1024};
    SaveSettings(model);
    ini = Stored();
    EXPECT_EQ(ini.ReadString("Options", "ArchiverType", ""), "atLzh");
    EXPECT_EQ(ini.ReadString("State", "Width", ""), "400");

    // Loading what was saved gives the same values back.
    TMainWndModel again(host);
    LoadSettings(again);
    EXPECT_EQ(again.LastOpenedFileName, "/d/a\\b.vmp");
    EXPECT_EQ(again.DeleteHistoryBefore, 45322.75);
    EXPECT_FALSE(again.OverwriteLog);
}

TEST_F(SettingsTest, SaveFailsWhenTheFileCannotBeWritten) {
    const std::string file = xdg.Dir().Write("blocker", "x");
    ::setenv("XDG_CONFIG_HOME", file.c_str(), 1);
    EXPECT_THROW(SaveSettings(model), platform::EFileError);
}

} // namespace
