#include "engine/EVMError.h"
#include "engine/TVMEngine.h"
#include "platform/CodePage.h"

namespace engine {

TVMEngine::TVMEngine(engine::TRunState& state, archives::TArchiveFile& af,
                     archives::TArchiverOptions& options)
    : state_(state), af_(af), options_(options) {}

void TVMEngine::AtnVMStop() {
    state_.Stopped = true;
    host::TRunHost& host = state_.Host();
    host.SetActionEnabled(host::TAction::VMStop, false);
    host.ProcessEvents();
}

void TVMEngine::CheckUserBreak() {
    host::TRunHost& host = state_.Host();
    host.ProcessEvents();
    if (!state_.Stopped)
        return;
    state_.Stopped = false;
    if (state_.StopConfirmed)
        UserBreak();
    // Unattended, the question comes only after a stop signal: it is answered Yes.
    if (host.ShowMessage(host::TMsgKind::Confirmation,
                         platform::FromUtf8("処理を中断しますか?[Y/N]"), host::TMsgButtons::YesNo,
                         host::TMsgAnswer::Yes) == host::TMsgAnswer::Yes)
        UserBreak();
    host.SetActionEnabled(host::TAction::VMStop, true);
    host.ProcessEvents();
}

void TVMEngine::UserBreak() {
    state_.AddStampedLine("User break.");
    const std::string message = platform::FromUtf8("ユーザーによる中断．");
    state_.AddLogLine(message);
    state_.UserBreakOccurred = true;
    throw EVMError(message, EVMError::UserBreakCode);
}

} // namespace engine
