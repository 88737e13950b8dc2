// The binding of one archiver library: loads it by name and resolves each entry by the library's
// prefix followed by the entry's suffix, once.
#pragma once

#include "archives/ArchiverErrors.h"
#include "archives/CustomArchiverDll.h"
#include "platform/DynamicLibrary.h"

#include <string>
#include <string_view>

namespace archives {

class TArchiverDll : public TCustomArchiverDll {
public:
    // Resolves nothing and loads nothing yet.
    TArchiverDll(std::string description, std::string prefix, std::string dllName);
    ~TArchiverDll() override;

    // Loads the library when it is not loaded; raises ENoArchiverDLL when it cannot be.
    void LoadDLL() override;
    // Forgets every entry and unloads the library.
    void FreeDLL() override;
    bool IsLoaded() const { return Module.IsLoaded(); }

    int RunCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) override;
    int CheckArchive(const std::string& fileName, int mode) override;
    int CloseArchive(ArcHandle archive) override;
    int ExtractMem(HWND wnd, const std::string& cmdLine, unsigned char* buffer, int size,
                   std::int64_t* time, std::uint16_t* attributes, std::uint32_t* written) override;
    int FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) override;
    int FindNext(ArcHandle archive, TMemberInfo& info) override;
    int KillOwnerWindowEx(HWND wnd) override;
    ArcHandle OpenArchive(HWND wnd, const std::string& fileName, int mode) override;
    int SetOwnerWindowEx(HWND wnd, ArcProgressProc proc) override;
    int GetWriteTimeEx(ArcHandle archive, ArcFileTime& time) override;
    int GetCreateTimeEx(ArcHandle archive, ArcFileTime& time) override;
    int GetAccessTimeEx(ArcHandle archive, ArcFileTime& time) override;
    int GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size) override;
    int GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size) override;
    int GetArchiveType(const std::string& fileName) override;
    int SetEnumMembersProc64(ArcEnumMembersProc proc, std::uint32_t recordSize) override;
    int ClearEnumMembersProc64() override;

    platform::DynamicLibrary Module;
    std::string Description; // "LHA 形式書庫"
    std::string DllName;     // "UNLHA32.DLL"
    std::string Prefix;      // "Unlha"

protected:
    // Looks an exported name up in the loaded library (tests count the lookups).
    virtual void* LookupEntry(const std::string& name);
    // Looks up an entry that is not yet resolved. A missing required entry raises
    // EEntryNotFound naming the library's file and the entry; a missing optional one stays empty.
    template <class Fn> void Resolve(Fn& slot, std::string_view suffix, bool required);
};

template <class Fn> void TArchiverDll::Resolve(Fn& slot, std::string_view suffix, bool required) {
    if (slot)
        return;
    const std::string name = Prefix + std::string(suffix);
    slot = reinterpret_cast<Fn>(LookupEntry(name));
    if (!slot && required)
        throw EEntryNotFound(Module.FileName() + " に " + name + " のエントリが見つかりません。");
}

// The one binding per library per process, created on first need (keyed by the library's name).
TArchiverDll& SharedDll(const std::string& description, const std::string& prefix,
                        const std::string& dllName);
// Frees that binding (the next SharedDll creates a new one).
void FreeSharedDll(const std::string& dllName);

} // namespace archives
