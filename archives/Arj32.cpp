#include "archives/Arj32.h"

#include "archives/OpenTest.h"

namespace archives {

namespace {

TArchiverDll& Arj32Dll() {
    return SharedDll("ARJ 形式書庫", "Unarj", "UNARJ32J.DLL");
}

} // namespace

void TArj32::LoadDLL() {
    Arj32Dll().LoadDLL();
}

void TArj32::FreeDLL() {
    FreeSharedDll("UNARJ32J.DLL");
}

TCustomArchiverDll& TArj32::GetDll() {
    return Arj32Dll();
}

bool TArj32::IsArchive(const std::string& fileName) {
    return OpensAsArchive(Arj32Dll(), fileName);
}

} // namespace archives
