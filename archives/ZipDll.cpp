#include "archives/ZipDll.h"

#include "archives/ArchiverErrors.h"

#include <memory>

namespace archives {

namespace {

std::unique_ptr<TZipDll>& ZipBinding() {
    static std::unique_ptr<TZipDll> binding;
    return binding;
}

const char* DllNameOf(TZipDll::TLibrary lib) {
    switch (lib) {
    case TZipDll::libUnzip32:
        return "UNZIP32.DLL";
    case TZipDll::libLmzip32:
        return "LMZIP32.DLL";
    case TZipDll::libZip32j:
        return "ZIP32J.DLL";
    }
    return "";
}

} // namespace

TZipDll& ZipDll() {
    auto& binding = ZipBinding();
    if (!binding)
        binding = std::make_unique<TZipDll>();
    return *binding;
}

void FreeZipDll() {
    ZipBinding().reset();
}

TZipDll::~TZipDll() {
    TZipDll::FreeDLL();
}

platform::DynamicLibrary& TZipDll::Module(TLibrary lib) {
    switch (lib) {
    case libUnzip32:
        return unzip32_;
    case libLmzip32:
        return lmzip32_;
    case libZip32j:
        break;
    }
    return zip32j_;
}

const platform::DynamicLibrary& TZipDll::Module(TLibrary lib) const {
    return const_cast<TZipDll*>(this)->Module(lib);
}

void TZipDll::LoadDLL() {
    for (TLibrary lib : {libUnzip32, libZip32j, libLmzip32})
        if (!Module(lib).IsLoaded())
            Module(lib).Load(DllNameOf(lib));
}

void TZipDll::FreeDLL() {
    unzip32_.Free();
    lmzip32_.Free();
    zip32j_.Free();
    zip_ = nullptr;
    unzip_ = nullptr;
    TCustomArchiverDll::FreeDLL();
}

template <class Fn>
void TZipDll::Search(Fn& slot, const std::string& name, std::initializer_list<TLibrary> order,
                     bool required) {
    if (slot)
        return;
    for (TLibrary lib : order) {
        if (!Module(lib).IsLoaded())
            continue;
        std::string symbol = name;
        if (lib == libLmzip32 && symbol.size() >= 3 && symbol[2] == 'Z')
            symbol[2] = 'z';
        if (void* address = Module(lib).Symbol(symbol)) {
            slot = reinterpret_cast<Fn>(address);
            return;
        }
    }
    if (required)
        throw EEntryNotFound(name + " のエントリが DLL に見つかりませんでした。");
}

template <class Fn> void TZipDll::LookupUnzip32(Fn& slot, const std::string& name) {
    if (slot)
        return;
    slot = reinterpret_cast<Fn>(unzip32_.Symbol(name));
    if (!slot)
        throw EEntryNotFound(unzip32_.FileName() + " に " + name + " のエントリが見つかりません。");
}

int TZipDll::RunCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) {
    LoadDLL();
    Search(unzip_, "UnZip", {libUnzip32, libLmzip32}, true);
    return unzip_(wnd, cmdLine.c_str(), size > 0 ? buffer : nullptr,
                  size > 0 ? static_cast<std::uint32_t>(size) : 0);
}

int TZipDll::RunWriteCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) {
    LoadDLL();
    Search(zip_, "Zip", {libZip32j, libLmzip32}, true);
    return zip_(wnd, cmdLine.c_str(), size > 0 ? buffer : nullptr,
                size > 0 ? static_cast<std::uint32_t>(size) : 0);
}

int TZipDll::CheckArchive(const std::string& fileName, int mode) {
    LoadDLL();
    Search(checkArchive_, "UnZipCheckArchive", {libUnzip32, libLmzip32, libZip32j}, true);
    return TCustomArchiverDll::CheckArchive(fileName, mode);
}

int TZipDll::CloseArchive(ArcHandle archive) {
    LoadDLL();
    Search(closeArchive_, "UnZipCloseArchive", {libLmzip32, libZip32j, libUnzip32}, true);
    return TCustomArchiverDll::CloseArchive(archive);
}

int TZipDll::ExtractMem(HWND wnd, const std::string& cmdLine, unsigned char* buffer, int size,
                        std::int64_t* time, std::uint16_t* attributes, std::uint32_t* written) {
    Search(extractMem_, "UnZipExtractMem", {libUnzip32, libLmzip32, libZip32j}, true);
    return TCustomArchiverDll::ExtractMem(wnd, cmdLine, buffer, size, time, attributes, written);
}

int TZipDll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
    LoadDLL();
    Search(findFirst_, "UnZipFindFirst", {libLmzip32, libZip32j, libUnzip32}, true);
    return TCustomArchiverDll::FindFirst(archive, wildcard, info);
}

int TZipDll::FindNext(ArcHandle archive, TMemberInfo& info) {
    Search(findNext_, "UnZipFindNext", {libLmzip32, libZip32j, libUnzip32}, true);
    return TCustomArchiverDll::FindNext(archive, info);
}

int TZipDll::KillOwnerWindowEx(HWND wnd) {
    LookupUnzip32(killOwnerWindowEx_, "UnZipKillOwnerWindowEx");
    return TCustomArchiverDll::KillOwnerWindowEx(wnd);
}

ArcHandle TZipDll::OpenArchive(HWND wnd, const std::string& fileName, int mode) {
    LoadDLL();
    Search(openArchive_, "UnZipOpenArchive", {libLmzip32, libZip32j, libUnzip32}, true);
    return TCustomArchiverDll::OpenArchive(wnd, fileName, mode);
}

int TZipDll::SetOwnerWindowEx(HWND wnd, ArcProgressProc proc) {
    LookupUnzip32(setOwnerWindowEx_, "UnZipSetOwnerWindowEx");
    return TCustomArchiverDll::SetOwnerWindowEx(wnd, proc);
}

int TZipDll::GetWriteTimeEx(ArcHandle archive, ArcFileTime& time) {
    Search(getWriteTimeEx_, "UnZipGetWriteTimeEx", {libLmzip32, libZip32j, libUnzip32}, false);
    return TCustomArchiverDll::GetWriteTimeEx(archive, time);
}

int TZipDll::GetCreateTimeEx(ArcHandle archive, ArcFileTime& time) {
    Search(getCreateTimeEx_, "UnZipGetCreateTimeEx", {libLmzip32, libZip32j, libUnzip32}, false);
    return TCustomArchiverDll::GetCreateTimeEx(archive, time);
}

int TZipDll::GetAccessTimeEx(ArcHandle archive, ArcFileTime& time) {
    Search(getAccessTimeEx_, "UnZipGetAccessTimeEx", {libLmzip32, libZip32j, libUnzip32}, false);
    return TCustomArchiverDll::GetAccessTimeEx(archive, time);
}

} // namespace archives
