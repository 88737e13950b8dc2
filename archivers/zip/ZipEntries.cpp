// libzip32j.so: the writing main entry Zip. Progress goes to the window attached to
// libunzip32.so when that library is loaded in the process (the program attaches it there),
// or to one attached here with ZipSetOwnerWindowEx.
#include <dlfcn.h>

#include "ArchiverContract.h"
#include "Commands.h"
#include "Library.h"
#include "Packer.h"
#include "Progress.h"

ARC_ENTRY_MAIN(Zip)
ARC_ENTRY_SETOWNERWINDOWEX(Zip)
ARC_ENTRY_KILLOWNERWINDOWEX(Zip)

using namespace vmzip;

namespace {

// Asks an already loaded libunzip32.so for its attached window; never loads it.
ArcWindow* PeerWindow() {
    void* peer = dlopen("libunzip32.so", RTLD_LAZY | RTLD_NOLOAD);
    if (peer == nullptr)
        return nullptr;
    using Fn = ArcWindow* (*)();
    auto fn = reinterpret_cast<Fn>(dlsym(peer, "VelmoranUnZipAttachedWindow"));
    ArcWindow* window = fn != nullptr ? fn() : nullptr;
    dlclose(peer);
    return window;
}

struct PeerSetup {
    PeerSetup() { SetPeerOwner(&PeerWindow); }
} const g_peerSetup;

} // namespace

int32_t Zip(ArcWindow*, const char* cmdLine, char* output, uint32_t size) {
    if (output == nullptr)
        size = 0;
    if (cmdLine == nullptr)
        return ARC_ERROR_NOT_FILENAME;
    return RunGuarded(output, size, [&](OutputText& out) {
        const WriteCommand cmd = ParseWriteCommand(cmdLine);
        Progress progress(CurrentOwner());
        return RunWriteCommand(cmd, progress, out);
    });
}

int32_t ZipSetOwnerWindowEx(ArcWindow* wnd, ArcProgressProc) {
    if (wnd == nullptr)
        return 0;
    AttachOwner(wnd);
    return 1;
}

int32_t ZipKillOwnerWindowEx(ArcWindow* wnd) {
    return DetachOwner(wnd) ? 1 : 0;
}
