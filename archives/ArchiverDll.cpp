#include "archives/ArchiverDll.h"

#include "archives/ArchiverErrors.h"

#include <map>
#include <memory>

namespace archives {

TArchiverDll::TArchiverDll(std::string description, std::string prefix, std::string dllName)
    : Description(std::move(description)), DllName(std::move(dllName)), Prefix(std::move(prefix)) {}

TArchiverDll::~TArchiverDll() {
    TArchiverDll::FreeDLL();
}

void TArchiverDll::LoadDLL() {
    if (Module.IsLoaded())
        return;
    if (!Module.Load(DllName))
        throw ENoArchiverDLL(Description + " を扱うには " + DllName + " が 必要です。");
}

void TArchiverDll::FreeDLL() {
    TCustomArchiverDll::FreeDLL();
    Module.Free();
}

void* TArchiverDll::LookupEntry(const std::string& name) {
    return Module.Symbol(name);
}

int TArchiverDll::RunCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) {
    LoadDLL();
    Resolve(main_, "", true);
    return TCustomArchiverDll::RunCommand(wnd, cmdLine, buffer, size);
}

int TArchiverDll::CheckArchive(const std::string& fileName, int mode) {
    LoadDLL();
    Resolve(checkArchive_, "CheckArchive", true);
    return TCustomArchiverDll::CheckArchive(fileName, mode);
}

int TArchiverDll::CloseArchive(ArcHandle archive) {
    LoadDLL();
    Resolve(closeArchive_, "CloseArchive", true);
    return TCustomArchiverDll::CloseArchive(archive);
}

int TArchiverDll::ExtractMem(HWND wnd, const std::string& cmdLine, unsigned char* buffer, int size,
                             std::int64_t* time, std::uint16_t* attributes,
                             std::uint32_t* written) {
    LoadDLL();
    Resolve(extractMem_, "ExtractMem", true);
    return TCustomArchiverDll::ExtractMem(wnd, cmdLine, buffer, size, time, attributes, written);
}

int TArchiverDll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
    LoadDLL();
    Resolve(findFirst_, "FindFirst", true);
    return TCustomArchiverDll::FindFirst(archive, wildcard, info);
}

int TArchiverDll::FindNext(ArcHandle archive, TMemberInfo& info) {
    LoadDLL();
    Resolve(findNext_, "FindNext", true);
    return TCustomArchiverDll::FindNext(archive, info);
}

int TArchiverDll::KillOwnerWindowEx(HWND wnd) {
    LoadDLL();
    Resolve(killOwnerWindowEx_, "KillOwnerWindowEx", false);
    return TCustomArchiverDll::KillOwnerWindowEx(wnd);
}

ArcHandle TArchiverDll::OpenArchive(HWND wnd, const std::string& fileName, int mode) {
    LoadDLL();
    Resolve(openArchive_, "OpenArchive", true);
    return TCustomArchiverDll::OpenArchive(wnd, fileName, mode);
}

int TArchiverDll::SetOwnerWindowEx(HWND wnd, ArcProgressProc proc) {
    LoadDLL();
    Resolve(setOwnerWindowEx_, "SetOwnerWindowEx", false);
    return TCustomArchiverDll::SetOwnerWindowEx(wnd, proc);
}

int TArchiverDll::GetWriteTimeEx(ArcHandle archive, ArcFileTime& time) {
    LoadDLL();
    Resolve(getWriteTimeEx_, "GetWriteTimeEx", false);
    return TCustomArchiverDll::GetWriteTimeEx(archive, time);
}

int TArchiverDll::GetCreateTimeEx(ArcHandle archive, ArcFileTime& time) {
    LoadDLL();
    Resolve(getCreateTimeEx_, "GetCreateTimeEx", false);
    return TCustomArchiverDll::GetCreateTimeEx(archive, time);
}

int TArchiverDll::GetAccessTimeEx(ArcHandle archive, ArcFileTime& time) {
    LoadDLL();
    Resolve(getAccessTimeEx_, "GetAccessTimeEx", false);
    return TCustomArchiverDll::GetAccessTimeEx(archive, time);
}

int TArchiverDll::GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size) {
    LoadDLL();
    Resolve(getOriginalSizeEx_, "GetOriginalSizeEx", false);
    return TCustomArchiverDll::GetOriginalSizeEx(archive, size);
}

int TArchiverDll::GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size) {
    LoadDLL();
    Resolve(getCompressedSizeEx_, "GetCompressedSizeEx", false);
    return TCustomArchiverDll::GetCompressedSizeEx(archive, size);
}

int TArchiverDll::GetArchiveType(const std::string& fileName) {
    LoadDLL();
    Resolve(getArchiveType_, "GetArchiveType", true);
    return TCustomArchiverDll::GetArchiveType(fileName);
}

int TArchiverDll::SetEnumMembersProc64(ArcEnumMembersProc proc, std::uint32_t recordSize) {
    LoadDLL();
    Resolve(setEnumMembersProc64_, "SetEnumMembersProc64", false);
    return TCustomArchiverDll::SetEnumMembersProc64(proc, recordSize);
}

int TArchiverDll::ClearEnumMembersProc64() {
    LoadDLL();
    Resolve(clearEnumMembersProc64_, "ClearEnumMembersProc64", false);
    return TCustomArchiverDll::ClearEnumMembersProc64();
}

} // namespace archives

namespace archives {

namespace {

std::map<std::string, std::unique_ptr<TArchiverDll>>& Bindings() {
    static std::map<std::string, std::unique_ptr<TArchiverDll>> bindings;
    return bindings;
}

} // namespace

TArchiverDll& SharedDll(const std::string& description, const std::string& prefix,
                        const std::string& dllName) {
    auto& slot = Bindings()[dllName];
    if (!slot)
        slot = std::make_unique<TArchiverDll>(description, prefix, dllName);
    return *slot;
}

void FreeSharedDll(const std::string& dllName) {
    Bindings().erase(dllName);
}

} // namespace archives
