#include "definition/TVMDefinition.h"

#include "platform/CodePage.h"
#include "platform/FileUtil.h"

namespace definition {

namespace {

constexpr const char* kVersion01 = "Velmoran 0.01__";
constexpr const char* kVersion02 = "Velmoran 0.02__";
constexpr const char* kVersion03 = "Velmoran 0.03__";
constexpr const char* kVersion04 = "Velmoran 0.04__";

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

} // namespace

void TVMDefinition::Clear() {
    while (!Tasks.empty())
        Tasks.pop_back();
}

void TVMDefinition::New(host::TRunHost& host) {
    Clear();
    FileName.clear();
    Modified = false;
    UpdateTitle(host);
    host.RefreshList();
}

std::string TVMDefinition::Serialize() const {
    TMemoryStream stream;
    WriteSignature(stream, kVersion04);
    WriteBoolToStr(stream, MsgBeforeExec);
    WriteStringToStr(stream, MsgBeforeExecText);
    WriteBoolToStr(stream, CloseWhenFinished);
    WriteBoolToStr(stream, ShowLog);
    WriteIntegerToStr(stream, static_cast<std::int32_t>(Tasks.size()));
    for (const auto& task : Tasks)
        task->WriteToStream(stream);
    return stream.Data();
}

std::string TVMDefinition::ReadFrom(TMemoryStream& stream, host::TRunHost& host) {
    const std::string signature = ReadSignature(stream);
    if (signature != kVersion01 && signature != kVersion02 && signature != kVersion03 &&
        signature != kVersion04) {
        host.MessageBox(host::TMsgKind::Error,
                        Text("バックアップ定義の形式が異常で読み込めません．"),
                        host::TMsgButtons::Ok);
        throw EInOutError("TFrmMainWnd.LoadFromFile: Not this object.");
    }
    if (signature != kVersion01) {
        MsgBeforeExec = ReadBoolFromStr(stream);
        MsgBeforeExecText = ReadStringFromStr(stream);
        CloseWhenFinished = ReadBoolFromStr(stream);
        if (signature == kVersion04)
            ShowLog = ReadBoolFromStr(stream);
    }
    if (signature == kVersion01 || signature == kVersion02)
        host.MessageBox(
            host::TMsgKind::Information,
            Text("このバックアップ定義は、Velmoran 1.1.0.1以前でつくられています．Velmoran "
                 "2.0.0.0から仕様変更があり、バックアップ定義に一部上位互換性が無い部分があります"
                 "．ヘルプを参照してバックアップ定義を修正してください．"),
            host::TMsgButtons::Ok);
    const std::int32_t count = ReadIntegerFromStr(stream);
    for (std::int32_t i = 0; i < count; ++i) {
        auto task = std::make_unique<TVMTask>();
        // A failure inside an item drops that item and ends the read; earlier items stay.
        task->ReadFromStream(stream);
        Tasks.push_back(std::move(task));
    }
    return signature;
}

bool TVMDefinition::LoadFromFile(host::TRunHost& host) {
    Clear();
    Modified = false;
    bool whole = false;
    if (!platform::FileExists(FileName)) {
        host.MessageBox(host::TMsgKind::Information,
                        Text("バックアップ定義(") + FileName + Text("）が存在しません．"),
                        host::TMsgButtons::Ok);
    } else {
        std::string bytes;
        bool opened = true;
        try {
            bytes = platform::ReadFile(FileName);
        } catch (const platform::EFileError&) {
            opened = false;
            host.MessageBox(host::TMsgKind::Information,
                            Text("バックアップ定義（") + FileName +
                                Text("）を開くことが出来ません．"),
                            host::TMsgButtons::Ok);
        }
        if (opened) {
            try {
                TMemoryStream stream(std::move(bytes));
                ReadFrom(stream, host);
                whole = true;
            } catch (const std::exception&) {
                host.MessageBox(host::TMsgKind::Information,
                                Text("バックアップ定義（") + FileName +
                                    Text("）の読み込み中にエラーが発生しました．バックアップ定義の"
                                         "内容が失われた可能性があります．"),
                                host::TMsgButtons::Ok);
            }
        }
    }
    UpdateTitle(host);
    host.RefreshList();
    return whole;
}

void TVMDefinition::SaveToFile(host::TRunHost& host) {
    try {
        platform::WriteFileAtomic(FileName, Serialize());
        Modified = false;
    } catch (...) {
        UpdateTitle(host);
        throw;
    }
    UpdateTitle(host);
}

std::string TVMDefinition::Title() const {
    return FileName.empty() ? "Untitled - Velmoran"
                            : platform::ExtractFileName(FileName) + " - Velmoran";
}

void TVMDefinition::UpdateTitle(host::TRunHost& host) const {
    using host::TAction;
    host.SetTitle(Title());
    host.SetStatusText(0, Modified ? Text("変更") : std::string());
    host.SetListEnabled(true);
    const bool hasItems = !Tasks.empty();
    const int row = host.SelectedRow();
    const bool selected = row >= 0 && row < static_cast<int>(Tasks.size());
    for (const TAction a :
         {TAction::FileNew, TAction::FileOpen, TAction::FileExit, TAction::VMAdd, TAction::VMNotes,
          TAction::OptionsOptions, TAction::OptionsRegister, TAction::OptionsUnRegister,
          TAction::HelpIndex, TAction::HelpHomePage, TAction::HelpAbout})
        host.SetActionEnabled(a, true);
    host.SetActionEnabled(TAction::FileSave, Modified);
    for (const TAction a : {TAction::FileSaveAs, TAction::VMExecute, TAction::VMRestore,
                            TAction::VMClean, TAction::VMVersions, TAction::VMVerify})
        host.SetActionEnabled(a, hasItems);
    for (const TAction a : {TAction::VMEdit, TAction::VMDelete, TAction::VMUp, TAction::VMDown})
        host.SetActionEnabled(a, selected);
    host.SetActionEnabled(TAction::OptionsScheduler, !FileName.empty());
    host.SetActionEnabled(TAction::VMStop, false);
}

} // namespace definition
