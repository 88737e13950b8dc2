#include "app/MainWndModel.h"

#include "app/Settings.h"
#include "engine/EngineOptions.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace app {

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

} // namespace

TMainWndModel::TMainWndModel(host::TRunHost& host)
    : engine::TRunState(host), Engine(*this, AF, EngineOptions) {
    engine::SetEngineOptionDefaults(EngineOptions);
    AF.OnProgress = [this](archives::TArchiveFile&, int state, archives::TExtractingInfoEx* info,
                           bool&) { Engine.AFProgress(state, info); };
}

bool TMainWndModel::ConfirmDiscard(const std::string& question) {
    if (!Definition.Modified)
        return true;
    if (Host().MessageBox(host::TMsgKind::Confirmation, question, host::TMsgButtons::YesNo) ==
        host::TMsgAnswer::Yes) {
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
    Definition.New(Host());
}

void TMainWndModel::AtnFileOpen() {
    if (!ConfirmDiscard(Text("バックアッププログラムが変更されています．\r\n"
                             "「ファイルを開く」を実行すると変更点はすべて失われます．\r\n"
                             "バックアッププログラムを保存しますか？[Y/N]")))
        return;
    if (const auto name = Host().AskOpenFileName())
        OpenDefinition(*name);
}

bool TMainWndModel::OpenDefinition(const std::string& fileName) {
    Definition.FileName = fileName;
    return Definition.LoadFromFile(Host());
}

void TMainWndModel::AtnFileSave() {
    if (Definition.FileName.empty()) {
        AtnFileSaveAs();
        return;
    }
    try {
        Definition.SaveToFile(Host());
    } catch (const std::exception& e) {
        Host().ShowException(e.what());
    }
}

void TMainWndModel::AtnFileSaveAs() {
    const auto name = Host().AskSaveFileName();
    if (!name)
        return;
    Definition.FileName = *name;
    try {
        Definition.SaveToFile(Host());
    } catch (const std::exception& e) {
        Host().ShowException(e.what());
    }
}

bool TMainWndModel::FormCloseQuery() {
    // A run uses the definition and the log: the window waits until it has ended.
    if (Running)
        return false;
    if (!Definition.Modified)
        return true;
    const host::TMsgAnswer answer =
        Host().MessageBox(host::TMsgKind::Confirmation,
                          Text("バックアッププログラムが変更されています．\r\n"
                               "Velmoranを終了すると変更点は失われてしまいます．\r\n"
                               "バックアッププログラムを保存しますか？[Y/N]"),
                          host::TMsgButtons::YesNo);
    if (answer != host::TMsgAnswer::Yes)
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
            Host().ShowException(e.what());
        }
    }
    Definition.Clear();
}

} // namespace app
