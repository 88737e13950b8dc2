#include "app/ArchiverLibrary.h"

#include "platform/DynamicLibrary.h"

#include "archives/ArchiverErrors.h"
#include "archives/ZipDll.h"
#include "engine/TVMEngine.h"

namespace app {

void LoadArchiverLibrary(archives::TArchiveFile& af, engine::TVMArchiverType type) {
    platform::ForgetMissingLibraries();
    af.SetArchiverType(engine::ToFacadeType(type));
    if (type != engine::atZip)
        return;
    const archives::TZipDll& zip = archives::ZipDll();
    const bool lmzip = zip.Has(archives::TZipDll::libLmzip32);
    if (!lmzip && !zip.Has(archives::TZipDll::libUnzip32))
        throw archives::ENoArchiverDLL(
            "ZIP 形式書庫 を扱うには UNZIP32.DLL または LMZIP32.DLL が 必要です。");
    if (!lmzip && !zip.Has(archives::TZipDll::libZip32j))
        throw archives::ENoArchiverDLL(
            "ZIP 形式書庫 を扱うには ZIP32J.DLL または LMZIP32.DLL が 必要です。");
}

} // namespace app
