// libunzip32.so: the reading main entry UnZip and the owner window entries. The window
// attached here is lent to libzip32j.so (VelmoranUnZipAttachedWindow), because the program
// attaches its progress window only to this library but sends writing commands to the other.
#include "ArchiverContract.h"
#include "Commands.h"
#include "Extractor.h"
#include "Library.h"
#include "Progress.h"

ARC_ENTRY_MAIN(UnZip)
ARC_ENTRY_SETOWNERWINDOWEX(UnZip)
ARC_ENTRY_KILLOWNERWINDOWEX(UnZip)
ARC_EXPORT ArcWindow* VelmoranUnZipAttachedWindow(void);

using namespace vmzip;

int32_t UnZip(ArcWindow*, const char* cmdLine, char* output, uint32_t size) {
    if (output == nullptr)
        size = 0;
    if (cmdLine == nullptr)
        return ARC_ERROR_NOT_FILENAME;
    return RunGuarded(output, size, [&](OutputText& out) {
        const ReadCommand cmd = ParseReadCommand(cmdLine, false);
        Progress progress(CurrentOwner());
        return RunReadCommand(cmd, progress, out);
    });
}

int32_t UnZipSetOwnerWindowEx(ArcWindow* wnd, ArcProgressProc) {
    if (wnd == nullptr)
        return 0;
    AttachOwner(wnd);
    return 1;
}

int32_t UnZipKillOwnerWindowEx(ArcWindow* wnd) {
    return DetachOwner(wnd) ? 1 : 0;
}

ArcWindow* VelmoranUnZipAttachedWindow(void) {
    return CurrentOwner();
}
