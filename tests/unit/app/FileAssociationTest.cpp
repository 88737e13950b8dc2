#include "app/FileAssociation.h"

#include "platform/ExternalCommand.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace app;
using testing_support::ReadAll;
using testing_support::RecordingHost;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string AskRegister =
    "Velmoranのバックアップ定義ファイル(*.VMP)"
    "をデスクトップに関連付けます．これにより、バックアップ"
    "定義ファイルをファイルマネージャ等で開いたり、バックアップを実行したり出来るようになります．";
const std::string Registered = "バックアップ定義(*.VMP)をデスクトップに関連付けました．変更が有効に"
                               "なるのはログインし直した後になる場合があります．";
const std::string NotRegisteredPrefix =
    "バックアップ定義(*.VMP)をデスクトップに関連付けできませんでした．\r\n";
const std::string AskUnRegister =
    "Velmoranのバックアップ定義ファイル(*.VMP)のデスクトップへの関連付けを抹消します．これにより、"
    "バックアップ定義ファイルをファイルマネージャーで開いたりすることが出来なくなりますので注意が必"
    "要です．";
const std::string UnRegistered = "バックアップ定義(*.VMP)のデスクトップへの関連付けを削除しました．"
                                 "変更が有効になるのはログインし直した後になる場合があります．";
const std::string NothingRegistered =
    "バックアップ定義(*.VMP)はデスクトップに関連付けられていません．";

struct ToolCall {
    std::string Name;
    std::vector<std::string> Args;
    bool operator==(const ToolCall&) const = default;
};

// The regular files below a directory, relative to it.
std::vector<std::string> FilesBelow(const std::string& dir) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_directory())
            files.push_back(fs::relative(it->path(), dir).string());
    }
    return files;
}

// The value of `key` in the group `group` of a desktop entry, undecoded.
std::string DesktopValue(const std::string& text, const std::string& group,
                         const std::string& key) {
    std::string current;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line[0] == '[')
            current = line.substr(1, line.size() - 2);
        else if (current == group && line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

// Splits an Exec value into arguments the way a desktop reads it: the string-value escapes
// first, then the quoting rules of the Exec key; field codes stay as they are.
std::vector<std::string> ExecArguments(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false, quoted = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && i + 1 < unescaped.size())
                arg += unescaped[++i];
            else
                arg += c;
        } else if (c == ' ') {
            if (inArg)
                args.push_back(arg);
            arg.clear();
            inArg = false;
        } else if (c == '"') {
            quoted = inArg = true;
        } else {
            arg += c;
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(arg);
    for (std::string& a : args) { // %% stands for one %
        std::string plain;
        for (std::size_t i = 0; i < a.size(); ++i) {
            plain += a[i];
            if (a[i] == '%' && i + 1 < a.size() && a[i + 1] == '%')
                ++i;
        }
        a = plain;
    }
    return args;
}

bool HasTool(const char* name) {
    return !platform::FindOnPath(name).empty();
}

class FileAssociationTest : public ::testing::Test {
protected:
    FileAssociationTest() {
        runner = [this](const std::string& name, const std::vector<std::string>& args) {
            calls.push_back({name, args});
            return nextOutcome;
        };
    }

    bool Register(const std::string& program = "/opt/velmoran/bin/velmoran") {
        host.Answers.push_back(host::TMsgAnswer::Ok);
        return RegisterFileType(host, program, dataHome, runner);
    }
    bool UnRegister() {
        host.Answers.push_back(host::TMsgAnswer::Ok);
        return UnRegisterFileType(host, dataHome, runner);
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : host.Messages)
            texts.push_back(m.Text);
        return texts;
    }
    std::vector<ToolCall> Refreshes() const {
        return {{"update-mime-database", {dataHome + "/mime"}},
                {"update-desktop-database", {dataHome + "/applications"}}};
    }

    TempDir dir;
    std::string dataHome = dir / "data";
    RecordingHost host;
    std::vector<ToolCall> calls;
    TCommandOutcome nextOutcome;
    TCommandRunner runner;
};

TEST_F(FileAssociationTest, RegisterThenUnregisterLeavesNothingAndKeepsOtherFiles) {
    ASSERT_TRUE(Register());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{AskRegister, Registered}));
    EXPECT_EQ(host.Messages[0].Buttons, host::TMsgButtons::OkCancel);
    EXPECT_EQ(host.Messages[1].Buttons, host::TMsgButtons::Ok);
    EXPECT_EQ(calls, Refreshes());

    const std::string entry = ReadAll(dataHome + "/applications/velmoran.desktop");
    EXPECT_EQ(ExecArguments(DesktopValue(entry, "Desktop Entry", "Exec")),
              (std::vector<std::string>{"/opt/velmoran/bin/velmoran", "%f"}));
    EXPECT_EQ(DesktopValue(entry, "Desktop Entry", "MimeType"),
              std::string(DefinitionMimeType) + ";");
    EXPECT_EQ(DesktopValue(entry, "Desktop Entry", "Actions"), "Backup;");
    EXPECT_EQ(DesktopValue(entry, "Desktop Action Backup", "Name"), "バックアップ実行");
    EXPECT_EQ(ExecArguments(DesktopValue(entry, "Desktop Action Backup", "Exec")),
              (std::vector<std::string>{"/opt/velmoran/bin/velmoran", "%f", "/backup"}));
    const std::string package = ReadAll(dataHome + "/mime/packages/velmoran.xml");
    EXPECT_NE(package.find("type=\"application/x-velmoran-definition\""), std::string::npos);
    EXPECT_NE(package.find("pattern=\"*.vmp\""), std::string::npos);

    // Registering again replaces the files in place; nothing accumulates.
    ASSERT_TRUE(Register());
    EXPECT_EQ(FilesBelow(dataHome).size(), 2u);

    // Other applications' files beside ours survive the unregistration.
    std::ofstream(dataHome + "/applications/other.desktop") << "[Desktop Entry]\n";
    std::ofstream(dataHome + "/mime/packages/other.xml") << "<mime-info/>\n";
    host.Messages.clear();
    calls.clear();
    ASSERT_TRUE(UnRegister());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{AskUnRegister, UnRegistered}));
    EXPECT_EQ(calls, Refreshes());
    std::vector<std::string> left = FilesBelow(dataHome);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{"applications/other.desktop", "mime/packages/other.xml"}));
}

TEST_F(FileAssociationTest, CancelChangesNothing) {
    host.Answers.push_back(host::TMsgAnswer::Cancel);
    EXPECT_FALSE(RegisterFileType(host, "/usr/bin/velmoran", dataHome, runner));
    EXPECT_FALSE(fs::exists(dataHome));
    ASSERT_TRUE(Register());
    host.Messages.clear();
    calls.clear();
    host.Answers.push_back(host::TMsgAnswer::Cancel);
    EXPECT_FALSE(UnRegisterFileType(host, dataHome, runner));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{AskUnRegister});
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(FilesBelow(dataHome).size(), 2u);
}

TEST_F(FileAssociationTest, UnregisterWithNothingRegisteredSaysSoAndLeavesForeignFiles) {
    EXPECT_TRUE(UnRegister());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{AskUnRegister, NothingRegistered}));
    EXPECT_TRUE(calls.empty());

    // A velmoran.desktop that registration did not write (the user's own) is not ours to delete.
    fs::create_directories(dataHome + "/applications");
    const std::string own = "[Desktop Entry]\nType=Application\nName=Mine\nExec=velmoran\n";
    std::ofstream(dataHome + "/applications/velmoran.desktop") << own;
    host.Messages.clear();
    EXPECT_TRUE(UnRegister());
    EXPECT_EQ(host.Messages.back().Text, NothingRegistered);
    EXPECT_EQ(ReadAll(dataHome + "/applications/velmoran.desktop"), own);
}

TEST_F(FileAssociationTest, TheInstalledFilesAgreeWithTheAssociationButAreNotItsToRemove) {
    // The package's entry and type: same entry name and type, no registration marker.
    const std::string installedEntry = DesktopEntryText("velmoran", false);
    const std::string installedType = MimePackageText(false);
    EXPECT_EQ(DesktopValue(installedEntry, "Desktop Entry", "MimeType"),
              std::string(DefinitionMimeType) + ";");
    EXPECT_NE(installedType.find(std::string("type=\"") + DefinitionMimeType + "\""),
              std::string::npos);
    EXPECT_EQ(DesktopValue(installedEntry, "Desktop Entry", "X-Velmoran-Association"), "");
    EXPECT_EQ(installedType.find("velmoran file association"), std::string::npos);
    // Installed into a data directory, unregistering leaves them where they are.
    fs::create_directories(dataHome + "/applications");
    fs::create_directories(dataHome + "/mime/packages");
    std::ofstream(dataHome + "/applications/velmoran.desktop") << installedEntry;
    std::ofstream(dataHome + "/mime/packages/velmoran.xml") << installedType;
    EXPECT_TRUE(UnRegister());
    EXPECT_EQ(ReadAll(dataHome + "/applications/velmoran.desktop"), installedEntry);
    EXPECT_EQ(ReadAll(dataHome + "/mime/packages/velmoran.xml"), installedType);
}

TEST_F(FileAssociationTest, ProgramPathWithShellCharactersIsQuoted) {
    const std::string program = "/opt/My Apps/it's \"new\"/$HOME/back\\slash/100%/`id`/velmoran";
    ASSERT_TRUE(Register(program));
    const std::string entry = ReadAll(dataHome + "/applications/velmoran.desktop");
    EXPECT_EQ(ExecArguments(DesktopValue(entry, "Desktop Entry", "Exec")),
              (std::vector<std::string>{program, "%f"}));
    EXPECT_EQ(ExecArguments(DesktopValue(entry, "Desktop Action Backup", "Exec")),
              (std::vector<std::string>{program, "%f", "/backup"}));

    // A relative program path is written as the absolute path it names.
    ASSERT_TRUE(Register("bin/velmoran"));
    const std::string relative = ReadAll(dataHome + "/applications/velmoran.desktop");
    EXPECT_EQ(ExecArguments(DesktopValue(relative, "Desktop Entry", "Exec"))[0],
              fs::current_path().string() + "/bin/velmoran");
}

TEST_F(FileAssociationTest, WrittenFilesPassTheDesktopValidators) {
    if (!HasTool("desktop-file-validate") || !HasTool("xmllint"))
        GTEST_SKIP() << "desktop-file-validate or xmllint is not installed";
    ASSERT_TRUE(Register("/opt/My Apps/it's \"new\"/$HOME/back\\slash/100%/velmoran"));
    const auto validate = platform::RunProgram(platform::FindOnPath("desktop-file-validate"),
                                               {dataHome + "/applications/velmoran.desktop"});
    EXPECT_EQ(validate.ExitStatus, 0) << validate.Output;
    EXPECT_EQ(validate.Output, "");
    const auto lint = platform::RunProgram(platform::FindOnPath("xmllint"),
                                           {"--noout", dataHome + "/mime/packages/velmoran.xml"});
    EXPECT_EQ(lint.ExitStatus, 0) << lint.Output;
}

TEST_F(FileAssociationTest, GioLaunchesTheProgramWithTheFileUnchanged) {
    if (!HasTool("gio"))
        GTEST_SKIP() << "gio is not installed";
    // A stand-in program under a hostile directory name that records its arguments.
    const std::string programDir = dir / "it's a \"dir\" $x";
    fs::create_directories(programDir);
    const std::string program = programDir + "/velmoran";
    const std::string record = dir / "args";
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << "'\n";
    ::chmod(program.c_str(), 0755);
    ASSERT_TRUE(Register(program));
    const std::string definition = dir.Write("my daily $1.vmp", "Velmoran 0.04__");
    const auto launched =
        platform::RunProgram(platform::FindOnPath("gio"),
                             {"launch", dataHome + "/applications/velmoran.desktop", definition});
    ASSERT_EQ(launched.ExitStatus, 0) << launched.Output;
    // gio starts the program without waiting for it.
    for (int i = 0; i < 100 && ReadAll(record).empty(); ++i)
        ::usleep(50000);
    EXPECT_EQ(ReadAll(record), definition + "\n");
}

TEST_F(FileAssociationTest, RealMimeDatabaseMapsVmpFilesToTheType) {
    if (!HasTool("update-mime-database"))
        GTEST_SKIP() << "update-mime-database is not installed";
    host.Answers.push_back(host::TMsgAnswer::Ok);
    ASSERT_TRUE(RegisterFileType(host, "/usr/bin/velmoran", dataHome, RunDesktopTool));
    EXPECT_EQ(host.Messages.back().Text, Registered);
    // globs2 lines are weight:type:glob; the glob is case-insensitive unless flagged "cs".
    const std::string globs = ReadAll(dataHome + "/mime/globs2");
    EXPECT_NE(globs.find(":application/x-velmoran-definition:*.vmp\n"), std::string::npos) << globs;
    EXPECT_NE(ReadAll(dataHome + "/mime/magic").find("Velmoran 0."), std::string::npos);
    if (HasTool("update-desktop-database")) {
        EXPECT_NE(ReadAll(dataHome + "/applications/mimeinfo.cache")
                      .find("application/x-velmoran-definition=velmoran.desktop;"),
                  std::string::npos);
    }

    host.Answers.push_back(host::TMsgAnswer::Ok);
    ASSERT_TRUE(UnRegisterFileType(host, dataHome, RunDesktopTool));
    EXPECT_EQ(host.Messages.back().Text, UnRegistered);
    // What remains is the tools' regenerated caches, which no longer know the type.
    for (const std::string& file : FilesBelow(dataHome)) {
        const std::string text = ReadAll(dataHome + "/" + file);
        EXPECT_EQ(text.find("velmoran"), std::string::npos) << file;
        EXPECT_EQ(file.find("velmoran"), std::string::npos) << file;
    }
}

TEST_F(FileAssociationTest, UnwritableDataDirectoryGivesAClearErrorAndWritesNothing) {
    // A regular file where the data directory should be: no directory can be made below it,
    // whoever runs the test.
    const std::string blocked = dir.Write("data-file", "x");
    host.Answers.push_back(host::TMsgAnswer::Ok);
    EXPECT_FALSE(RegisterFileType(host, "/usr/bin/velmoran", blocked, runner));
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[1].Text, NotRegisteredPrefix + "「" + blocked +
                                         "/applications」を作成できません(Not a directory)．");
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(ReadAll(blocked), "x");

    // The entry's place is taken by a directory: the rename fails, and the MIME package that
    // was already in place is taken back, so that no half of the association remains.
    fs::create_directories(dataHome + "/applications/velmoran.desktop");
    host.Messages.clear();
    EXPECT_FALSE(Register());
    EXPECT_EQ(host.Messages[1].Text.rfind(NotRegisteredPrefix + "「" + dataHome +
                                              "/applications/velmoran.desktop」に書き込めません(",
                                          0),
              0u)
        << host.Messages[1].Text;
    EXPECT_TRUE(FilesBelow(dataHome).empty());
    EXPECT_TRUE(calls.empty());

    // A program path that is not UTF-8 cannot be written into a desktop entry.
    fs::remove(dataHome + "/applications/velmoran.desktop");
    host.Messages.clear();
    EXPECT_FALSE(Register("/opt/\x82\xa0/velmoran"));
    EXPECT_NE(host.Messages[1].Text.find("UTF-8の文字列ではない"), std::string::npos);
    EXPECT_TRUE(FilesBelow(dataHome).empty());
}

TEST_F(FileAssociationTest, FailedRefreshIsReportedWithTheToolsReason) {
    nextOutcome = {TCommandOutcome::Failed, "update-mime-databaseが終了コード1で終わりました．"};
    EXPECT_FALSE(Register());
    EXPECT_EQ(host.Messages.back().Text,
              NotRegisteredPrefix + "update-mime-databaseが終了コード1で終わりました．");
    // Both caches are still refreshed, and the files stay for a later refresh.
    EXPECT_EQ(calls, Refreshes());
    EXPECT_EQ(FilesBelow(dataHome).size(), 2u);

    // A tool that is not installed is no failure: there is no cache to refresh.
    nextOutcome = {TCommandOutcome::NotFound, {}};
    EXPECT_TRUE(UnRegister());
    EXPECT_EQ(host.Messages.back().Text, UnRegistered);
}

TEST(RunDesktopToolTest, FindsTheToolOnPathAndReportsItsExitStatus) {
    TempDir bin;
    const std::string tool =
        bin.Write("fake-refresh", "#!/bin/sh\necho \"cannot: $1\" >&2\nexit 3\n");
    ::chmod(tool.c_str(), 0755);
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    ::setenv("PATH", (bin.Path() + ":" + saved).c_str(), 1);
    const TCommandOutcome failed = RunDesktopTool("fake-refresh", {"/some dir"});
    const TCommandOutcome missing = RunDesktopTool("no-such-refresh-tool", {});
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(failed.Result, TCommandOutcome::Failed);
    EXPECT_EQ(failed.Detail, "fake-refreshが終了コード3で終わりました． (cannot: /some dir)");
    EXPECT_EQ(missing.Result, TCommandOutcome::NotFound);
}

} // namespace
