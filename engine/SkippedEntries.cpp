#include "engine/SkippedEntries.h"

#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace engine {

std::string SkippedKindText(platform::SkippedKind kind) {
    const char* text = "";
    switch (kind) {
    case platform::SkippedKind::DirectoryLink:
        text = "ディレクトリへのシンボリックリンク";
        break;
    case platform::SkippedKind::DanglingLink:
        text = "リンク先のないシンボリックリンク";
        break;
    case platform::SkippedKind::SpecialLink:
        text = "特殊ファイルへのシンボリックリンク";
        break;
    case platform::SkippedKind::Fifo:
        text = "名前付きパイプ";
        break;
    case platform::SkippedKind::Socket:
        text = "ソケット";
        break;
    case platform::SkippedKind::CharacterDevice:
        text = "キャラクタデバイス";
        break;
    case platform::SkippedKind::BlockDevice:
        text = "ブロックデバイス";
        break;
    }
    return platform::FromUtf8(text);
}

selection::SkippedEntryHandler SkippedEntryLogger(engine::TRunState& state,
                                                  const std::string& dir) {
    return [&state, prefix = platform::IncludeTrailingPathDelimiter(dir)](
               const platform::SkippedEntry& entry) {
        state.AddLogLine(platform::FromUtf8("バックアップ対象外のため飛ばしました：") + prefix +
                         entry.Name + platform::FromUtf8("（") + SkippedKindText(entry.Kind) +
                         platform::FromUtf8("）"));
    };
}

} // namespace engine
