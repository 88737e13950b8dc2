#include "Progress.h"

#include <algorithm>
#include <cstring>

namespace vmzip {

namespace {

void CopyName(char* dest, std::string_view name) {
    const std::size_t n = std::min<std::size_t>(name.size(), ARC_NAME_MAX);
    if (n > 0)
        std::memcpy(dest, name.data(), n);
    dest[n] = '\0';
}

} // namespace

Progress::Progress(ArcWindow* window) : window_(window) {}

void Progress::Send(uint32_t state) {
    if (window_ == nullptr)
        return;
    if (ArcSendProgress(window_, state, &info_) != 0)
        cancelled_ = true;
}

// The record holds 32-bit sizes: larger ones are scaled down together so the ratio stays.
void Progress::SetSizes(uint64_t done) {
    uint64_t total = total_;
    while (total > UINT32_MAX) {
        total >>= 1;
        done >>= 1;
    }
    info_.totalSize = static_cast<uint32_t>(total);
    info_.writtenSize = static_cast<uint32_t>(std::min<uint64_t>(done, total));
}

void Progress::Begin(std::string_view source, std::string_view dest, uint64_t total) {
    CopyName(info_.sourceName, source);
    CopyName(info_.destName, dest);
    total_ = total;
    lastSent_ = 0;
    SetSizes(0);
    Send(ARC_STATE_BEGIN);
}

void Progress::Advance(uint64_t done, bool final) {
    if (!final && done - lastSent_ < (1u << 20))
        return;
    lastSent_ = done;
    SetSizes(done);
    Send(ARC_STATE_INPROCESS);
}

void Progress::End() {
    Send(ARC_STATE_END);
}

void Progress::Open(std::string_view archive) {
    CopyName(info_.sourceName, archive);
    info_.destName[0] = '\0';
    total_ = 0;
    SetSizes(0);
    Send(ARC_STATE_OPEN);
}

} // namespace vmzip
