#include "engine/RunLog.h"

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileUtil.h"

namespace engine {

void TRunLog::AddLogLine(const std::string& text) {
    std::string line = "[";
    line += platform::DateTimeToStr(platform::Now());
    line += "] ";
    line += text;
    lines_.push_back(std::move(line));
}

bool TRunLog::WriteLogFile(host::TRunHost& host, const std::string& logFile, bool overwrite) const {
    std::string block;
    for (const auto& line : lines_) {
        block += line;
        block += "\r\n";
    }
    block += "\r\n";
    try {
        platform::WriteFile(logFile, block, !overwrite);
        return true;
    } catch (const platform::EFileError&) {
        host.MessageBox(host::TMsgKind::Error,
                        platform::FromUtf8("ログファイル(") + logFile +
                            platform::FromUtf8(")を書き込めません．"),
                        host::TMsgButtons::Ok);
        return false;
    }
}

bool CheckTempAndLog(host::TRunHost& host, bool showMessages, const std::string& tempDir,
                     const std::string& logFile) {
    if (!tempDir.empty() && !platform::DirectoryExists(tempDir)) {
        if (showMessages)
            host.MessageBox(host::TMsgKind::Error,
                            platform::FromUtf8("一時ファイルディレクトリ(") + tempDir +
                                platform::FromUtf8(")が無効です．"),
                            host::TMsgButtons::Ok);
        return false;
    }
    // An empty LogFile means no log file.
    if (logFile.empty() || platform::FileExists(logFile))
        return true;
    if (platform::CreateEmptyFile(logFile))
        return true;
    if (showMessages)
        host.MessageBox(host::TMsgKind::Error,
                        platform::FromUtf8("ログファイル(") + logFile +
                            platform::FromUtf8(")が無効です．"),
                        host::TMsgButtons::Ok);
    return false;
}

void ShowLogFile(host::TRunHost& host, const std::string& logFile) {
    if (!logFile.empty())
        host.OpenDocument(logFile);
}

} // namespace engine
