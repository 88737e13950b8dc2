#include "app/FileAssociation.h"

#include "platform/CodePage.h"
#include "platform/ExternalCommand.h"
#include "platform/FileUtil.h"
#include "platform/ProgramPath.h"
#include "platform/XdgDirs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

namespace app {

namespace {

// Lines that mark the two files as this program's own, so that unregistration removes
// only what registration wrote.
constexpr const char* EntryMarker = "X-Velmoran-Association=true";
constexpr const char* PackageMarker = "<!-- velmoran file association -->";

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// A failure with a Japanese reason for the user (UTF-8 parts converted by the caller).
struct TFailure {
    std::string Reason;
};

std::string SystemReason(int error) {
    return error != 0 ? std::string(std::strerror(error)) : std::string("unknown error");
}

std::string CannotCreate(const std::string& path, int error) {
    return Text("「") + path + Text("」を作成できません(") + SystemReason(error) + Text(")．");
}

std::string CannotWrite(const std::string& path, int error) {
    return Text("「") + path + Text("」に書き込めません(") + SystemReason(error) + Text(")．");
}

std::string CannotRemove(const std::string& path, int error) {
    return Text("「") + path + Text("」を削除できません(") + SystemReason(error) + Text(")．");
}

// True when `path` is a file that this program's registration wrote (it carries the marker).
bool IsOurs(const std::string& path, const char* marker) {
    if (!platform::FileExists(path) || platform::IsSymbolicLink(path))
        return false;
    try {
        return platform::ReadFile(path).find(marker) != std::string::npos;
    } catch (const platform::EFileError&) {
        return false;
    }
}

void EnsureDirectory(const std::string& path) {
    const std::string dir = platform::ExcludeTrailingPathDelimiter(path);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !platform::DirectoryExists(dir))
        throw TFailure{CannotCreate(dir, error ? error.value() : ENOTDIR)};
}

// Refreshes both caches; the reason of the first failure, if any.
std::optional<std::string> RefreshCaches(const std::string& dataHome, const TCommandRunner& run) {
    std::optional<std::string> failure;
    const std::pair<const char*, std::string> tools[] = {
        {"update-mime-database", platform::IncludeTrailingPathDelimiter(dataHome) + "mime"},
        {"update-desktop-database",
         platform::IncludeTrailingPathDelimiter(dataHome) + "applications"},
    };
    for (const auto& [name, dir] : tools) {
        const TCommandOutcome outcome = run(name, {dir});
        if (outcome.Result == TCommandOutcome::Failed && !failure)
            failure = outcome.Detail;
    }
    return failure;
}

void ShowInfo(host::TRunHost& host, const std::string& text) {
    host.MessageBox(host::TMsgKind::Information, text, host::TMsgButtons::Ok);
}

bool Ask(host::TRunHost& host, const std::string& text) {
    return host.MessageBox(host::TMsgKind::Information, text, host::TMsgButtons::OkCancel) ==
           host::TMsgAnswer::Ok;
}

// Writes the two files: both are complete in temporary files before either is renamed into
// place, and a package written for a failed entry is taken back.
void WriteAssociation(const std::string& programPath, const std::string& dataHome) {
    if (!platform::IsValidUtf8(programPath))
        throw TFailure{Text("プログラムのパス「") + programPath +
                       Text("」はUTF-8の文字列ではないため、デスクトップエントリに書けません．")};
    const std::string entryPath = DesktopEntryPath(dataHome);
    const std::string packagePath = MimePackagePath(dataHome);
    EnsureDirectory(platform::ExtractFilePath(entryPath));
    EnsureDirectory(platform::ExtractFilePath(packagePath));

    std::unique_ptr<platform::AtomicFileWriter> entry, package;
    std::string current;
    try {
        current = entryPath;
        entry = std::make_unique<platform::AtomicFileWriter>(entryPath);
        entry->Write(DesktopEntryText(programPath));
        current = packagePath;
        package = std::make_unique<platform::AtomicFileWriter>(packagePath);
        package->Write(MimePackageText());
        const bool packageExisted = platform::FileExists(packagePath);
        package->Commit();
        try {
            current = entryPath;
            entry->Commit();
        } catch (...) {
            if (!packageExisted)
                platform::DeleteFile(packagePath);
            throw;
        }
    } catch (const platform::EFileError& e) {
        throw TFailure{CannotWrite(current, e.Error())};
    }
}

} // namespace

TCommandOutcome RunDesktopTool(const std::string& name, const std::vector<std::string>& args) {
    const std::string program = platform::FindOnPath(name);
    if (program.empty())
        return {TCommandOutcome::NotFound, {}};
    const platform::ProgramResult result = platform::RunProgram(program, args);
    if (!result.Started)
        return {TCommandOutcome::Failed, name + Text("を実行できませんでした．")};
    if (result.ExitStatus == 0)
        return {TCommandOutcome::Done, {}};
    // The tool's first line of output says why; keep it short.
    std::string first = result.Output.substr(0, result.Output.find('\n'));
    if (first.size() > 200)
        first.resize(200);
    std::string detail =
        name + (result.ExitStatus < 0 ? Text("が異常終了しました．")
                                      : Text("が終了コード") + std::to_string(result.ExitStatus) +
                                            Text("で終わりました．"));
    if (!first.empty())
        detail += " (" + first + ")";
    return {TCommandOutcome::Failed, detail};
}

std::string DesktopEntryPath(const std::string& dataHome) {
    return platform::IncludeTrailingPathDelimiter(dataHome) + "applications/" + DesktopEntryName;
}

std::string MimePackagePath(const std::string& dataHome) {
    return platform::IncludeTrailingPathDelimiter(dataHome) + "mime/packages/" + MimePackageName;
}

std::string QuoteExecArgument(const std::string& argument) {
    // First the Exec key's own quoting: the whole argument in double quotes, with '"', '`',
    // '$' and '\' escaped by a backslash, and '%' doubled (it opens a field code otherwise).
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // Then the escapes of every string value, which readers undo first.
    std::string value;
    for (const char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string DesktopEntryText(const std::string& programPath, bool association) {
    const std::string program = QuoteExecArgument(programPath);
    const std::string marker = association ? std::string(EntryMarker) + "\n" : std::string();
    return std::string("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.4\n"
                       "Name=Velmoran\n"
                       "GenericName=バックアップ\n"
                       "Comment=ディレクトリをLZHやZIPの書庫にバックアップします\n"
                       "Icon=velmoran\n"
                       "Exec=") +
           program +
           " %f\n"
           "Terminal=false\n"
           "Categories=Utility;Archiving;\n"
           "MimeType=" +
           DefinitionMimeType +
           ";\n"
           "Keywords=backup;archive;lzh;zip;history;バックアップ;\n"
           "Actions=Backup;\n" +
           marker +
           "\n"
           "[Desktop Action Backup]\n"
           "Name=バックアップ実行\n"
           "Exec=" +
           program + " %f /backup\n";
}

std::string MimePackageText(bool association) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
           (association ? std::string(PackageMarker) + "\n" : std::string()) +
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           DefinitionMimeType +
           "\">\n"
           "    <comment>Velmoran backup definition</comment>\n"
           "    <comment xml:lang=\"ja\">Velmoran バックアップ定義</comment>\n"
           "    <magic priority=\"50\">\n"
           "      <match type=\"string\" offset=\"0\" value=\"Velmoran 0.\"/>\n"
           "    </magic>\n"
           "    <glob pattern=\"*.vmp\" case-sensitive=\"false\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

bool RegisterFileType(host::TRunHost& host) {
    return RegisterFileType(host, platform::ProgramPath(), platform::DataHome(), RunDesktopTool);
}

bool RegisterFileType(host::TRunHost& host, const std::string& programPath,
                      const std::string& dataHome, const TCommandRunner& run) {
    if (!Ask(host, Text("Velmoranのバックアップ定義ファイル(*.VMP)をデスクトップに関連付けます．"
                        "これにより、バックアップ定義ファイルをファイルマネージャ等で開いたり、"
                        "バックアップを実行したり出来るようになります．")))
        return false;
    const std::string failed = Text("バックアップ定義(*.VMP)をデスクトップに関連付けできませんで"
                                    "した．\r\n");
    try {
        WriteAssociation(platform::ExpandFileName(programPath), dataHome);
    } catch (const TFailure& f) {
        ShowInfo(host, failed + f.Reason);
        return false;
    }
    if (const auto failure = RefreshCaches(dataHome, run)) {
        ShowInfo(host, failed + *failure);
        return false;
    }
    ShowInfo(host, Text("バックアップ定義(*.VMP)をデスクトップに関連付けました．"
                        "変更が有効になるのはログインし直した後になる場合があります．"));
    return true;
}

bool UnRegisterFileType(host::TRunHost& host) {
    return UnRegisterFileType(host, platform::DataHome(), RunDesktopTool);
}

bool UnRegisterFileType(host::TRunHost& host, const std::string& dataHome,
                        const TCommandRunner& run) {
    if (!Ask(host, Text("Velmoranのバックアップ定義ファイル(*.VMP)のデスクトップへの関連付けを抹消"
                        "します．これにより、バックアップ定義ファイルをファイルマネージャーで開いた"
                        "りすることが出来なくなりますので注意が必要です．")))
        return false;
    const std::string failed = Text("バックアップ定義(*.VMP)のデスクトップへの関連付けを削除できま"
                                    "せんでした．\r\n");
    const std::pair<std::string, const char*> files[] = {
        {DesktopEntryPath(dataHome), EntryMarker},
        {MimePackagePath(dataHome), PackageMarker},
    };
    bool removed = false;
    std::optional<std::string> failure;
    for (const auto& [path, marker] : files) {
        if (!IsOurs(path, marker))
            continue;
        if (platform::DeleteFile(path))
            removed = true;
        else if (!failure)
            failure = CannotRemove(path, errno);
    }
    if (!removed && !failure) {
        ShowInfo(host, Text("バックアップ定義(*.VMP)はデスクトップに関連付けられていません．"));
        return true;
    }
    if (removed) {
        const auto refreshFailure = RefreshCaches(dataHome, run);
        if (!failure)
            failure = refreshFailure;
    }
    if (failure) {
        ShowInfo(host, failed + *failure);
        return false;
    }
    ShowInfo(host, Text("バックアップ定義(*.VMP)のデスクトップへの関連付けを削除しました．"
                        "変更が有効になるのはログインし直した後になる場合があります．"));
    return true;
}

} // namespace app
