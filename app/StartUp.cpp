#include "app/StartUp.h"

#include "app/Settings.h"
#include "archives/ArchiverErrors.h"
#include "platform/CodePage.h"
#include "platform/FileUtil.h"
#include "platform/ProgramPath.h"

namespace app {

namespace {

std::string Text(const char* utf8) {
    return platform::FromUtf8(utf8);
}

const char* const HelpFileName = "Velmoran_J.html";

} // namespace

std::string HelpFile(const std::string& programDir) {
    const std::string beside = platform::IncludeTrailingPathDelimiter(programDir) + HelpFileName;
    const std::string installed = platform::IncludeTrailingPathDelimiter(programDir) +
                                  "../share/doc/velmoran/" + HelpFileName;
    return !platform::FileExists(beside) && platform::FileExists(installed) ? installed : beside;
}

std::string HelpFile() {
    return HelpFile(platform::ProgramDir());
}

std::string MissingLibraryText() {
    return Text("・Velmoranの実行には、Ｏｒｔｅｎ氏製作のUNLHA32.DLLが必要です．\r\n"
                "・現在、UNLHA32.DLLが見つからないため、Velmoranを実行することが出来ません．\r\n"
                "・パスの通ったディレクトリ(Windowsディレクトリ等)にUNLHA32."
                "DLLをコピーしてから再度Velmoranを起動してください．\r\n"
                "・UNLHA32.DLLの入手法については、Velmoranヘルプのセットアップの項目に記載されてい"
                "ます．\r\n"
                "・Velmoranヘルプを表示しますか？\r\n"
                "([Yes]を選択するとヘルプを表示します．[No]を選択するとこのまま終了します．)");
}

bool TStartUp::CheckArchiver() {
    if (!LoadArchiver)
        return true;
    try {
        LoadArchiver(model_.ArchiverType);
        return true;
    } catch (const archives::EArchiver&) {
        host::TRunHost& host = model_.Host();
        if (host.ShowMessage(host::TMsgKind::Information, MissingLibraryText(),
                             host::TMsgButtons::YesNo,
                             host::TMsgAnswer::No) == host::TMsgAnswer::Yes)
            host.OpenDocument(HelpFile());
        model_.ExitStatus = ExitNothingRan;
        host.CloseMainWindow();
        return false;
    }
}

void TStartUp::WMStartUp(const std::vector<std::string>& args) {
    host::TRunHost& host = model_.Host();
    definition::TVMDefinition& def = model_.Definition;
    LoadSettings(model_);
    if (!CheckArchiver())
        return;

    if (args.empty()) {
        if (model_.RecallLastSettings && platform::FileExists(model_.LastOpenedFileName))
            model_.OpenDefinition(model_.LastOpenedFileName);
        def.UpdateTitle(host);
        return;
    }

    TCommandLine cl;
    try {
        cl = ParseCommandLine(args, platform::Now());
    } catch (const std::exception& e) {
        // A history date that forms no date: reported, nothing runs, the window stays.
        host.ShowException(e.what());
        model_.ExitStatus = ExitNothingRan;
        def.UpdateTitle(host);
        return;
    }
    if (cl.BadNumber) {
        host.MessageBox(host::TMsgKind::Error, CommandLineErrorText(cl.Entries),
                        host::TMsgButtons::Ok);
        model_.ExitStatus = ExitNothingRan;
        host.CloseMainWindow();
        return;
    }
    if (cl.Minimized)
        host.SetMinimized();
    model_.IgnoreTimeStamp = cl.IgnoreTimeStamp;
    model_.PermitDeletion = cl.PermitDeletion;
    if (cl.ClearHistoryBefore)
        model_.ClearHistoryBefore = *cl.ClearHistoryBefore;

    if (cl.Entries.size() != 1) {
        host.MessageBox(host::TMsgKind::Error, CommandLineErrorText(cl.Entries),
                        host::TMsgButtons::Ok);
        model_.ExitStatus = ExitNothingRan;
    } else {
        bool whole = true;
        try {
            def.FileName = cl.Entries.front();
            whole = def.LoadFromFile(host);
            // A definition that does not exist is reported; the run goes on without items.
            if (!platform::FileExists(def.FileName))
                def.FileName.clear();
        } catch (const std::exception& e) {
            def.FileName.clear();
            host.ShowException(e.what());
            model_.ExitStatus = ExitError;
            def.UpdateTitle(host);
            return;
        }
        RunOperation(cl, whole);
    }
    model_.BatchMode = false;
    def.UpdateTitle(host);
}

void TStartUp::RunOperation(const TCommandLine& cl, bool definitionWhole) {
    const TOperationMode mode = cl.Mode;
    if (mode == TOperationMode::None)
        return;
    host::TRunHost& host = model_.Host();
    // The file-version operations answer whether they found and restored what was asked; the
    // runs leave their outcome in the run state.
    bool succeeded = true;
    const auto answering = [&](const std::function<bool(const TCommandLine&)>& operation) {
        return operation ? std::function<void()>([&] { succeeded = operation(cl); })
                         : std::function<void()>();
    };
    std::function<void()> driver;
    const char* name = "";
    switch (mode) {
    case TOperationMode::Backup:
        driver = RunBackup;
        name = "/backup";
        break;
    case TOperationMode::Restore:
        driver = RunRestore;
        name = "/restore";
        break;
    case TOperationMode::Verify:
        driver = RunVerify;
        name = "/verify";
        break;
    case TOperationMode::Versions:
        driver = answering(RunVersions);
        name = "/versions";
        break;
    case TOperationMode::RestoreVersion:
        driver = answering(RunRestoreVersion);
        name = "/restoreversion";
        break;
    case TOperationMode::ClearHistory:
    case TOperationMode::None:
        driver = RunClearHistory;
        name = "/clearhistory";
        break;
    }
    if (!driver) {
        host.MessageBox(host::TMsgKind::Error,
                        Text("この操作はまだ利用できません．") + " (" + name + ")",
                        host::TMsgButtons::Ok);
        model_.ExitStatus = ExitNothingRan;
        host.CloseMainWindow();
        return;
    }
    model_.BatchMode = true;
    try {
        driver();
    } catch (const std::exception& e) {
        // The window stays open after a failed run.
        host.ShowException(e.what());
        model_.ExitStatus = ExitError;
        model_.BatchMode = false;
        return;
    }
    if (model_.UserBreakOccurred)
        model_.ExitStatus = ExitStopped;
    else if (model_.ErrorOccurred || !definitionWhole || !succeeded)
        model_.ExitStatus = ExitError;
    else
        model_.ExitStatus = ExitOk;
    host.CloseMainWindow();
}

} // namespace app
