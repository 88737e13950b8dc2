// Progress messages to the owner window, and the cancel that its reply asks for.
#pragma once

#include <cstdint>
#include <string_view>

#include "ArchiverContract.h"

namespace vmzip {

class Progress {
public:
    explicit Progress(ArcWindow* window);

    // Starting on a member: sends ARC_STATE_BEGIN with both names and the size.
    void Begin(std::string_view source, std::string_view dest, uint64_t total);
    // Bytes done of the current member: ARC_STATE_INPROCESS, at most every 1 MiB unless final.
    void Advance(uint64_t done, bool final);
    // The command is finished: ARC_STATE_END.
    void End();
    // The archive was opened: ARC_STATE_OPEN with its name.
    void Open(std::string_view archive);

    bool Cancelled() const { return cancelled_; }

private:
    void Send(uint32_t state);
    void SetSizes(uint64_t done);

    ArcWindow* window_;
    ArcProgressInfo info_{};
    uint64_t total_ = 0;
    uint64_t lastSent_ = 0;
    bool cancelled_ = false;
};

} // namespace vmzip
