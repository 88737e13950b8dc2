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
    if (Running)
        return;
    if (!ConfirmDiscard(Text("バックアッププログラムが変更されています．\r\n"
                             "「新規作成」を実行すると変更点はすべて失われます．\r\n"
                             "バックアッププログラムを保存しますか？[Y/N]")))
        return;
    Definition.New(Host());
}

void TMainWndModel::AtnFileOpen() {
    if (Running)
        return;
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
    if (Running)
        return;
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
    if (Running)
        return;
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

void TMainWndModel::AtnVMExecute() {
    if (!Running)
        Engine.AtnVMExecute(Definition);
}

void TMainWndModel::AtnVMRestore() {
    if (!Running)
        Engine.AtnVMRestoreExecute(Definition);
}

void TMainWndModel::AtnVMClean() {
    if (!Running)
        Engine.AtnVMCleanExecute(Definition);
}

void TMainWndModel::AtnVMVerify() {
    if (!Running)
        Engine.AtnVMVerifyExecute(Definition);
}

void TMainWndModel::AtnVMStop() {
    if (Running)
        Engine.AtnVMStop();
}

void TMainWndModel::Changed(bool refresh) {
    Definition.Modified = true;
    if (refresh)
        Host().RefreshList();
    Definition.UpdateTitle(Host());
}

bool TMainWndModel::AtnVMAdd(const TTaskEditor& editor) {
    if (Running)
        return false;
    auto item = std::make_unique<definition::TVMTask>();
    if (!editor(*item))
        return false;
    Definition.Tasks.push_back(std::move(item));
    Changed(true);
    return true;
}

bool TMainWndModel::AtnVMEdit(int row, const TTaskEditor& editor) {
    if (Running || row < 0 || row >= static_cast<int>(Definition.Tasks.size()))
        return false;
    // The editor works on a copy, so that Cancel leaves the item as it was.
    definition::TVMTask copy;
    copy.Assign(*Definition.Tasks[static_cast<std::size_t>(row)]);
    if (!editor(copy))
        return false;
    Definition.Tasks[static_cast<std::size_t>(row)]->Assign(copy);
    Changed(true);
    return true;
}

bool TMainWndModel::AtnVMDelete(int row, const std::string& shownSource) {
    if (Running || row < 0 || row >= static_cast<int>(Definition.Tasks.size()))
        return false;
    if (Host().MessageBox(host::TMsgKind::Confirmation,
                          Text("選択項目項目(") + shownSource +
                              Text(")を削除します．\r\nよろしいですか？[Y/N]"),
                          host::TMsgButtons::YesNo) != host::TMsgAnswer::Yes)
        return false;
    Definition.Tasks.erase(Definition.Tasks.begin() + row);
    Changed(true);
    return true;
}

bool TMainWndModel::MoveItem(int row, int by) {
    const int count = static_cast<int>(Definition.Tasks.size());
    if (Running || row < 0 || row >= count)
        return false;
    const int other = row + by;
    if (other < 0 || other >= count) {
        Host().Beep();
        return false;
    }
    std::swap(Definition.Tasks[static_cast<std::size_t>(row)],
              Definition.Tasks[static_cast<std::size_t>(other)]);
    Host().RefreshList();
    Host().SelectRow(other);
    Changed(false);
    return true;
}

bool TMainWndModel::AtnVMUp(int row) {
    return MoveItem(row, -1);
}

bool TMainWndModel::AtnVMDown(int row) {
    return MoveItem(row, 1);
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
