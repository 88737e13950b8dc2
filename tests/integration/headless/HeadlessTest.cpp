// Runs the built program without a display, as cron would, on temporary directories.
#include "platform/IniFile.h"
#include "tests/support/Shell.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using testing_support::ReadAll;
using testing_support::ShellQuote;
using testing_support::TempDir;

namespace {

struct Result {
    int Status = -1;
    std::string Err;
};

class HeadlessTest : public ::testing::Test {
protected:
    Result Run(const std::vector<std::string>& args) { return RunProgram(VELMORAN_BINARY, args); }

    Result RunProgram(const std::string& program, const std::vector<std::string>& args) {
        const std::pair<const char*, std::string> env[] = {
            {"HOME", home.Path()},
            {"XDG_CONFIG_HOME", home / "config"},
            {"XDG_STATE_HOME", home / "state"},
            {"XDG_CACHE_HOME", home / "cache"},
            {"XDG_CONFIG_DIRS", home / "etc"},
            {"LC_ALL", "C.UTF-8"},
        };
        std::string cmd = "cd ";
        cmd += ShellQuote(home.Path());
        cmd += " && env -u DISPLAY -u WAYLAND_DISPLAY";
        for (const auto& [name, value] : env) {
            cmd += ' ';
            cmd += name;
            cmd += '=';
            cmd += ShellQuote(value);
        }
        cmd += ' ';
        cmd += ShellQuote(program);
        for (const auto& a : args) {
            cmd += ' ';
            cmd += ShellQuote(a);
        }
        cmd += " 2>";
        cmd += ShellQuote(home / "stderr.txt");
        cmd += " </dev/null";
        const int raw = std::system(cmd.c_str());
        Result r;
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Err = ReadAll(home / "stderr.txt");
        return r;
    }

    // A valid empty definition (version 0.04, no items).
    std::string EmptyDefinition(const std::string& name) {
        std::string bytes("Velmoran 0.04__\0", 16);
        bytes += std::string("\0\0\0\0"
                             "\0\0\0\0"
                             "\0\0\0\0"
                             "\x01\0\0\0"
                             "\0\0\0\0",
                             20);
        return home.Write(name, bytes);
    }

    TempDir home;
};

TEST_F(HeadlessTest, MalformedCommandLineExitsTwoWithTheMessage) {
    const Result r = Run({"A.vmp", "b.vmp", "/backup"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("コマンドラインの書式が誤っています．\n(A.vmp b.vmp )\n"),
              std::string::npos)
        << r.Err;

    const Result date = Run({"/clearhistorydate2024013x", "x.vmp"});
    EXPECT_EQ(date.Status, 2);
    EXPECT_NE(date.Err.find("(/clearhistorydate2024013x x.vmp )"), std::string::npos) << date.Err;
}

TEST_F(HeadlessTest, NoDisplayAndNoOperationExitsTwo) {
    const Result r = Run({EmptyDefinition("d.vmp")});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("no display"), std::string::npos) << r.Err;
}

TEST_F(HeadlessTest, MissingDefinitionIsReported) {
    const std::string missing = home / "Nowhere/Daily.VMP";
    const Result r = Run({missing, "/backup"});
    EXPECT_NE(r.Err.find("バックアップ定義(" + missing + "）が存在しません．"), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Status, 0);
}

TEST_F(HeadlessTest, SettingsLandInTheIniFile) {
    // A mixed-case name is opened as given, and closing remembers it.
    const std::string def = EmptyDefinition("Daily.VMP");
    const Result r = Run({def, "/BACKUP"});
    EXPECT_EQ(r.Err.find("存在しません"), std::string::npos) << r.Err;
    const platform::IniFile ini = platform::IniFile::Load(home / "config/Tarn/Velmoran.conf");
    EXPECT_EQ(ini.ReadString("State", "LastOpenedFileName", ""), def);
    EXPECT_EQ(ini.ReadString("Options", "ArchiverType", ""), "atLzh");
    EXPECT_EQ(ini.ReadString("Options", "LogFile", ""), home / "state/Tarn/Velmoran/Velmoran.LOG");
    EXPECT_EQ(ini.ReadString("Options", "TempDir", ""), home / "cache/Tarn/Velmoran/tmp");
}

TEST_F(HeadlessTest, MissingArchiverLibraryEndsWithTheMessage) {
    // A copy of the program in a directory without any archiver library, for either type.
    std::filesystem::create_directories(home / "bin");
    const std::string lonely = home / "bin/velmoran";
    std::filesystem::copy_file(VELMORAN_BINARY, lonely);
    for (const char* type : {"atLzh", "atZip"}) {
        platform::IniFile ini;
        ini.Write("Options", "ArchiverType", type);
        std::filesystem::create_directories(home / "config/Tarn");
        ini.Save(home / "config/Tarn/Velmoran.conf");
        const Result r = RunProgram(lonely, {EmptyDefinition("d.vmp"), "/backup"});
        EXPECT_EQ(r.Status, 2) << type;
        EXPECT_NE(r.Err.find("・現在、UNLHA32.DLLが見つからないため、Velmoranを実行することが出"
                             "来ません．"),
                  std::string::npos)
            << type << "\n"
            << r.Err;
        EXPECT_EQ(r.Err.find("Velmoran_J"), std::string::npos); // answered No: no help opened
        // Nothing ran: no log of a run.
        EXPECT_FALSE(std::filesystem::exists(home / "state/Tarn/Velmoran/Velmoran.LOG")) << type;
    }
}

} // namespace
