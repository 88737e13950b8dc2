#include "archivers/unlha32/Progress.h"

#include <cstring>
#include <vector>

#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/MemberRecord.h"

namespace unlha {

Progress::Progress(const ProgressTargets& targets) : targets_(targets) {}

void Progress::Send(uint32_t state, bool mayCancel) {
    if (!Reporting())
        return;
    intptr_t reply = 0;
    if (targets_.proc != nullptr) {
        const uint32_t message = targets_.window != nullptr && targets_.window->registerMessage
                                     ? targets_.window->registerMessage(ARC_WM_ARCEXTRACT)
                                     : 0;
        reply = targets_.proc(targets_.window, message, state, &info_);
    } else {
        reply = ArcSendProgress(targets_.window, state, &info_);
    }
    if (reply != 0 && mayCancel)
        Fail(ARC_ERROR_USER_CANCEL, "cancelled by the user");
}

void Progress::Open(const std::string& archive) {
    std::memset(&info_, 0, sizeof info_);
    CopyName(info_.sourceName, archive);
    Send(ARC_STATE_OPEN, true);
}

void Progress::Begin(std::string_view source, std::string_view dest, uint64_t total,
                     const MemberHeader* header) {
    std::memset(&info_, 0, sizeof info_);
    info_.totalSize = total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
    CopyName(info_.sourceName, std::string(source));
    CopyName(info_.destName, std::string(dest));
    if (header != nullptr) {
        ArcMemberRecord r;
        FillMemberRecord(*header, r);
        info_.compressedSize = r.compressedSize;
        info_.crc = r.crc;
        info_.osType = r.osType;
        info_.ratio = r.ratio;
        info_.dosDate = r.dosDate;
        info_.dosTime = r.dosTime;
        std::memcpy(info_.attribute, r.attribute, sizeof info_.attribute);
        std::memcpy(info_.method, r.method, sizeof info_.method);
    }
    Send(ARC_STATE_BEGIN, true);
}

void Progress::Written(uint64_t written) {
    info_.writtenSize = written > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(written);
    Send(ARC_STATE_INPROCESS, true);
}

void Progress::Copying(const std::string& archive) {
    std::memset(&info_, 0, sizeof info_);
    CopyName(info_.destName, archive);
    Send(ARC_STATE_COPY, true);
}

void Progress::Finished() {
    Send(ARC_STATE_END, false);
}

void Progress::Member(const MemberHeader& header) {
    if (targets_.memberProc == nullptr)
        return;
    // The record announced by the caller starts with a complete member record.
    std::vector<uint8_t> record(
        std::max<std::size_t>(targets_.memberRecordSize, sizeof(ArcMemberRecord)), 0);
    ArcMemberRecord r;
    FillMemberRecord(header, r);
    std::memcpy(record.data(), &r, sizeof r);
    if (targets_.memberProc(record.data()) == 0)
        Fail(ARC_ERROR_USER_CANCEL, "cancelled by the member callback");
}

} // namespace unlha
