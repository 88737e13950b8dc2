#include "app/Settings.h"

#include "app/MainWndModel.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "platform/TempDirectory.h"
#include "platform/XdgDirs.h"

#include <algorithm>

namespace app {

namespace {

// The settings file is UTF-8; values are held in the active code page.
std::string ToStore(const std::string& text) {
    return platform::ActiveCodePage() == platform::CodePage::Utf8 ? text : platform::ToUtf8(text);
}

std::string FromStore(const std::string& text) {
    return platform::ActiveCodePage() == platform::CodePage::Utf8 ? text : platform::FromUtf8(text);
}

std::int32_t ReadInteger(const platform::IniFile& ini, const std::string& section,
                         const std::string& name, std::int32_t fallback) {
    std::int32_t value;
    if (const auto text = ini.Read(section, name); text && platform::TryStrToInt(*text, value))
        return value;
    return fallback;
}

bool ReadBool(const platform::IniFile& ini, const std::string& section, const std::string& name,
              bool fallback) {
    return ReadInteger(ini, section, name, fallback ? 1 : 0) != 0;
}

// The write test: a file can be created in the directory.
bool CanWriteIn(const std::string& dir) {
    const std::string probe = dir + "/$vm$ROTEST";
    if (!platform::CreateEmptyFile(probe))
        return false;
    platform::DeleteFile(probe);
    return true;
}

// Bounds that do not fit the screen are rejected.
bool BoundsFit(const host::TBounds& b, const host::TBounds& screen) {
    return !(b.Width < 64 || b.Height < 32 || b.Left > screen.Width - 64 ||
             b.Top > screen.Height - 32 || b.Left + b.Width > screen.Width ||
             b.Top + b.Height > screen.Height);
}

} // namespace

std::string UserSettingsFile() {
    return platform::ConfigHome() + "/Tarn/Velmoran.conf";
}

std::string SystemSettingsFile() {
    const auto dirs = platform::SystemConfigDirs();
    for (const auto& dir : dirs)
        if (platform::FileExists(dir + "/Tarn/Velmoran.conf"))
            return dir + "/Tarn/Velmoran.conf";
    return dirs.empty() ? std::string("/etc/xdg/Tarn/Velmoran.conf")
                        : dirs.front() + "/Tarn/Velmoran.conf";
}

std::string DefaultLogFile() {
    return platform::StateHome() + "/Tarn/Velmoran/Velmoran.LOG";
}

void LoadSettings(TMainWndModel& model) {
    const platform::IniFile ini = platform::IniFile::Load(UserSettingsFile());

    std::string tempDir = FromStore(ini.ReadString("Options", "TempDir", ""));
    if (tempDir.empty())
        tempDir = FromStore(
            platform::IniFile::Load(SystemSettingsFile()).ReadString("Options", "TempDir", ""));
    if (!tempDir.empty() && !platform::DirectoryExists(tempDir) &&
        !platform::ForceDirectories(tempDir))
        tempDir.clear();
    if (tempDir.size() > 1 && tempDir.back() == platform::PathDelim)
        tempDir.pop_back();
    if (!tempDir.empty() && !CanWriteIn(tempDir))
        tempDir.clear();
    if (tempDir.empty())
        tempDir = platform::SystemTempDir();
    model.TempDir = tempDir;

    const auto logFile = ini.Read("Options", "LogFile");
    if (logFile) {
        model.LogFile = FromStore(*logFile);
    } else {
        // The default lives in the state directory, which may not exist yet.
        model.LogFile = DefaultLogFile();
        platform::ForceDirectories(platform::ExtractFilePath(model.LogFile));
    }
    model.OverwriteLog = ReadBool(ini, "Options", "OverwriteLog", true);
    model.RecallLastSettings = ReadBool(ini, "Options", "RecallLastSettings", true);
    model.ArchiverType = ini.ReadString("Options", "ArchiverType", "atLha") == "atZip"
                             ? engine::atZip
                             : engine::atLzh;
    // Set by hand in the file (never written): how many threads an archiver library packs with,
    // 0 (the default) one per core.
    model.ArchiverThreads = std::clamp(ReadInteger(ini, "Options", "ArchiverThreads", 0), 0, 64);
    // Set by hand in the file; never written, so that a stored address stays as the user typed it.
    const std::string supportPage = ini.ReadString("Options", "SupportPage", "");
    model.SupportPage = supportPage.empty() ? DefaultSupportPage : supportPage;

    model.LastOpenedFileName = FromStore(ini.ReadString("State", "LastOpenedFileName", ""));
    host::TRunHost& host = model.Host();
    const host::TBounds current = host.WindowBounds();
    host::TBounds b;
    b.Left = std::max(0, ReadInteger(ini, "State", "Left", current.Left));
    b.Top = std::max(0, ReadInteger(ini, "State", "Top", current.Top));
    b.Width = ReadInteger(ini, "State", "Width", current.Width);
    b.Height = ReadInteger(ini, "State", "Height", current.Height);
    if (BoundsFit(b, host.ScreenBounds()) && model.RecallLastSettings)
        host.SetWindowBounds(b);

    model.DeleteHistoryMode = ReadInteger(ini, "DeleteHistory", "DeleteHistoryMode", 1);
    model.DeleteHistoryDays = ReadInteger(ini, "DeleteHistory", "DeleteHistoryDays", 7);
    // A text that is not a number (never written by the program) counts as missing.
    double before;
    const auto beforeText = ini.Read("DeleteHistory", "DeleteHistoryBefore");
    model.DeleteHistoryBefore =
        beforeText && platform::TryStrToFloat(*beforeText, before) ? before : platform::Now();
}

void SaveSettings(TMainWndModel& model) {
    const std::string path = UserSettingsFile();
    // Values not written now (bounds of a maximized window) keep their stored text.
    platform::IniFile ini = platform::IniFile::Load(path);
    ini.Write("Options", "TempDir", ToStore(model.TempDir));
    ini.Write("Options", "LogFile", ToStore(model.LogFile));
    ini.Write("Options", "OverwriteLog", model.OverwriteLog ? "1" : "0");
    ini.Write("Options", "RecallLastSettings", model.RecallLastSettings ? "1" : "0");
    ini.Write("Options", "ArchiverType", model.ArchiverType == engine::atZip ? "atZip" : "atLzh");
    ini.Write("State", "LastOpenedFileName", ToStore(model.LastOpenedFileName));
    host::TRunHost& host = model.Host();
    if (host.WindowState() == host::TWindowState::Normal) {
        const host::TBounds b = host.WindowBounds();
        ini.Write("State", "Left", std::to_string(b.Left));
        ini.Write("State", "Top", std::to_string(b.Top));
        ini.Write("State", "Width", std::to_string(b.Width));
        ini.Write("State", "Height", std::to_string(b.Height));
    }
    ini.Write("DeleteHistory", "DeleteHistoryMode", std::to_string(model.DeleteHistoryMode));
    ini.Write("DeleteHistory", "DeleteHistoryDays", std::to_string(model.DeleteHistoryDays));
    ini.Write("DeleteHistory", "DeleteHistoryBefore",
              platform::FloatToStr(model.DeleteHistoryBefore));
    ini.Save(path);
}

} // namespace app
