#include "Library.h"

namespace vmzip {

namespace {

ArcWindow* g_owner = nullptr;
PeerOwnerFn g_peer = nullptr;
bool g_busy = false;

} // namespace

void AttachOwner(ArcWindow* window) {
    g_owner = window;
}

bool DetachOwner(ArcWindow* window) {
    if (window == nullptr || window != g_owner)
        return false;
    g_owner = nullptr;
    return true;
}

ArcWindow* CurrentOwner() {
    if (g_owner != nullptr)
        return g_owner;
    return g_peer != nullptr ? g_peer() : nullptr;
}

void SetPeerOwner(PeerOwnerFn lookup) {
    g_peer = lookup;
}

BusyGuard::BusyGuard() : acquired_(!g_busy) {
    g_busy = true;
}

BusyGuard::~BusyGuard() {
    if (acquired_)
        g_busy = false;
}

} // namespace vmzip
