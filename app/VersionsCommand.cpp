#include "app/VersionsCommand.h"

#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace app {

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// The versions, with the path that no item backs up and the unreadable archives reported.
engine::TFileVersions FindVersions(TMainWndModel& model, const std::string& path) {
    host::TRunHost& host = model.Host();
    if (engine::LocateFile(model.Definition, path).empty()) {
        host.ShowErrorLine(Text("どのバックアップ項目のコピー元にも含まれないファイルです：") +
                           path);
        return {};
    }
    engine::TFileVersions found = model.Engine.FindFileVersions(model.Definition, path);
    for (const std::string& archive : found.Unreadable)
        host.ShowErrorLine(Text("書庫を読み込めません：") + archive);
    if (found.Versions.empty())
        host.ShowErrorLine(Text("このファイルのバックアップはありません：") + path);
    return found;
}

} // namespace

std::string VersionLine(const engine::TFileVersion& version) {
    return platform::FormatDateTime("yyyy/mm/dd hh:nn:ss", version.Time) + "\t" +
           std::to_string(version.Size) + "\t" + version.Archive;
}

bool ListVersions(TMainWndModel& model, const std::string& path, std::ostream& out) {
    const engine::TFileVersions found = FindVersions(model, path);
    for (const engine::TFileVersion& version : found.Versions)
        out << VersionLine(version) << '\n';
    out.flush();
    return !found.Versions.empty();
}

bool RestoreVersion(TMainWndModel& model, const std::string& path, const std::string& stamp,
                    const std::string& to) {
    host::TRunHost& host = model.Host();
    const engine::TFileVersions found = FindVersions(model, path);
    if (found.Versions.empty())
        return false;
    const engine::TFileVersion* chosen = nullptr;
    for (const engine::TFileVersion& version : found.Versions)
        if (engine::VersionStamp(version.Time) == stamp) {
            chosen = &version;
            break;
        }
    if (!chosen) {
        host.ShowErrorLine(Text("この日時のバージョンはありません：") + stamp + " " + path);
        return false;
    }
    const std::string dir =
        to.empty() ? platform::ExtractFilePath(platform::ExpandFileName(path)) : to;
    switch (model.Engine.RestoreFileVersion(*chosen, dir)) {
    case engine::TVersionRestore::Restored:
        return true;
    case engine::TVersionRestore::Declined:
        host.ShowErrorLine(Text("復元先のファイルの方が新しいため、復元しませんでした．") +
                           Text("別のフォルダへは /to で復元できます：") + path);
        return false;
    case engine::TVersionRestore::Failed:
        break;
    }
    host.ShowErrorLine(model.Engine.LastArchiveError);
    for (const std::string& detail : model.Engine.LastArchiveDetails)
        host.ShowErrorLine("  " + detail);
    return false;
}

} // namespace app
