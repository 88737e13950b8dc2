#include "app/MainWndModel.h"

#include "app/Settings.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace app {

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

} // namespace

TMainWndModel::TMainWndModel(TRunHost& host) : DeleteHistoryBefore(platform::Now()), host_(host) {}

void TMainWndModel::AddStampedLine(const std::string& text) {
    if (DebugMode)
        host_.AddStampedLine(text);
}

void TMainWndModel::AddLine(const std::string& text) {
    if (DebugMode)
        host_.AddLine(text);
}

bool TMainWndModel::ConfirmDiscard(const std::string& question) {
    if (!Definition.Modified)
        return true;
    if (host_.MessageBox(TMsgKind::Confirmation, question, TMsgButtons::YesNo) == TMsgAnswer::Yes) {
        AtnFileSave();
        return !Definition.Modified;
    }
    return true;
}

void TMainWndModel::AtnFileNew() {
    if (!ConfirmDiscard(Text("バックアッププログラムが変更されています．\r\n"
                             "「新規作成」を実行すると変更点はすべて失われます．\r\n"
                             "バックアッププログラムを保存しますか？[Y/N]")))
        return;
    Definition.New(host_);
}

void TMainWndModel::AtnFileOpen() {
    if (!ConfirmDiscard(Text("バックアッププログラムが変更されています．\r\n"
                             "「ファイルを開く」を実行すると変更点はすべて失われます．\r\n"
                             "バックアッププログラムを保存しますか？[Y/N]")))
        return;
    if (const auto name = host_.AskOpenFileName())
        OpenDefinition(*name);
}

bool TMainWndModel::OpenDefinition(const std::string& fileName) {
    Definition.FileName = fileName;
    return Definition.LoadFromFile(host_);
}

void TMainWndModel::AtnFileSave() {
    if (Definition.FileName.empty()) {
        AtnFileSaveAs();
        return;
    }
    try {
        Definition.SaveToFile(host_);
    } catch (const std::exception& e) {
        host_.ShowException(e.what());
    }
}

void TMainWndModel::AtnFileSaveAs() {
    const auto name = host_.AskSaveFileName();
    if (!name)
        return;
    Definition.FileName = *name;
    try {
        Definition.SaveToFile(host_);
    } catch (const std::exception& e) {
        host_.ShowException(e.what());
    }
}

bool TMainWndModel::FormCloseQuery() {
    if (!Definition.Modified)
        return true;
    const TMsgAnswer answer =
        host_.MessageBox(TMsgKind::Confirmation,
                         Text("バックアッププログラムが変更されています．\r\n"
                              "Velmoranを終了すると変更点は失われてしまいます．\r\n"
                              "バックアッププログラムを保存しますか？[Y/N]"),
                         TMsgButtons::YesNo);
    if (answer != TMsgAnswer::Yes)
        return true;
    AtnFileSave();
    return !Definition.Modified;
}

void TMainWndModel::FormClose() {
    if (platform::FileExists(Definition.FileName)) {
        // Stored absolute, so that the next start finds it from any working directory.
        LastOpenedFileName = platform::ExpandFileName(Definition.FileName);
        try {
            SaveSettings(*this);
        } catch (const std::exception& e) {
            host_.ShowException(e.what());
        }
    }
    Definition.Clear();
}

} // namespace app
