#include "schedule/TaskResult.h"

#include "platform/CodePage.h"

#include <array>
#include <cstdio>
#include <utility>

namespace schedule {

namespace {

constexpr std::array<std::pair<std::uint32_t, const char*>, 22> Table{{
    {0x00041300, "タスクは実行する準備ができています"},
    {0x00041301, "タスクは実行中です"},
    {0x00041302, "タスクは無効にされています"},
    {0x00041303, "タスクはまだ実行されていません"},
    {0x00041304, "タスクは次のスケジュールが予定されていません"},
    {0x00041305, "タスクはスケジュールされていません"},
    {0x00041306, "タスクはユーザーによって終了されました"},
    {0x00041307, "タスクは有効なトリガーがありません"},
    {0x00041308, "イベントトリガーは次の予定された時間がありません"},
    {0x80041309, "トリガーがありません"},
    {0x8004130A, "タスクは設定に問題があるため実行できません"},
    {0x8004130B, "終了させるタスクがありません"},
    {0x8004130C, "タスクスケジュールサービスがインストールされていません"},
    {0x8004130D, "タスクを開けません"},
    {0x8004130E, "オブジェクトは無効なタスクか、タスクではありません"},
    {0x8004130F, "アカウント情報は未設定です"},
    {0x80041310, "指定したアカウントの存在を確認できません"},
    {0x80041311, "タスクスケジューラセキュリティデータベースが不正です"},
    {0x80041312, "セキュリティサービスは提供されていません"},
    {0x80041313, "タスクオブジェクトのバージョンはサポートされていないか、不正なオブジェクトです"},
    {0x80041314, "アカウント設定とオプションはサポートされていない組み合わせに設定されています"},
    {0x80041315, "タスクスケジューラサービスは開始されていません"},
}};

} // namespace

std::string TaskResultMessage(std::uint32_t code) {
    for (const auto& [c, message] : Table)
        if (c == code)
            return platform::FromUtf8(message);
    return {};
}

void CheckTaskResult(std::uint32_t code, const std::string& systemText) {
    if (const std::string message = TaskResultMessage(code); !message.empty())
        throw ETaskException(message, code);
    if ((code & 0x80000000u) == 0)
        return;
    if (!systemText.empty())
        throw EOleSysError(systemText, code);
    char text[64];
    std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(code));
    throw EOleSysError(text, code);
}

} // namespace schedule
