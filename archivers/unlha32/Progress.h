// Progress of one command: "wm_arcextract" messages to the attached owner window (or its
// callback) and the member callback. A non-zero reply, or a member callback answering 0,
// cancels the command with ARC_ERROR_USER_CANCEL.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ArchiverContract.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha {

struct ProgressTargets {
    ArcWindow* window = nullptr;
    ArcProgressProc proc = nullptr;
    ArcEnumMembersProc memberProc = nullptr;
    uint32_t memberRecordSize = 0;
};

class Progress {
public:
    explicit Progress(const ProgressTargets& targets);

    // The archive was opened (state 3).
    void Open(const std::string& archive);
    // Starting on a member: what is read and what is written, and its size (state 0).
    void Begin(std::string_view source, std::string_view dest, uint64_t total,
               const MemberHeader* header = nullptr);
    // Bytes of the current member written so far (state 1); every member gets at least one,
    // the last with the whole size.
    void Written(uint64_t written);
    // The work file is being made the archive (state 4).
    void Copying(const std::string& archive);
    // The command is finished (state 2); the reply is not asked for.
    void Finished();
    // Offers a member to the member callback; raises the cancel when it answers 0.
    void Member(const MemberHeader& header);

    bool Reporting() const { return targets_.window != nullptr || targets_.proc != nullptr; }

private:
    void Send(uint32_t state, bool mayCancel);

    ProgressTargets targets_;
    ArcProgressInfo info_{};
};

} // namespace unlha
