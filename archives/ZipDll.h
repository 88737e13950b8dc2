// The ZIP binding: up to three libraries at once (UNZIP32 reads, ZIP32J writes, LMZIP32 stands
// in for either), each entry searched in a fixed order over the loaded ones.
#pragma once

#include "archives/CustomArchiverDll.h"
#include "platform/DynamicLibrary.h"

#include <initializer_list>
#include <string>

namespace archives {

class TZipDll : public TCustomArchiverDll {
public:
    enum TLibrary { libUnzip32, libLmzip32, libZip32j };

    TZipDll() = default;
    ~TZipDll() override;

    // Loads each of the three libraries that is not loaded; a missing one is simply absent.
    void LoadDLL() override;
    void FreeDLL() override;
    bool Has(TLibrary lib) const { return Module(lib).IsLoaded(); }

    // Read commands go to "UnZip", write commands to "Zip".
    int RunCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) override;
    int RunWriteCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) override;
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

private:
    platform::DynamicLibrary& Module(TLibrary lib);
    const platform::DynamicLibrary& Module(TLibrary lib) const;
    // Looks the entry up in the given libraries in order (in LMZIP32 with its third character
    // lowered from 'Z' to 'z'); a missing required entry raises EEntryNotFound.
    template <class Fn>
    void Search(Fn& slot, const std::string& name, std::initializer_list<TLibrary> order,
                bool required);
    // Plain lookup in UNZIP32 alone, with the message of the single-library binding.
    template <class Fn> void LookupUnzip32(Fn& slot, const std::string& name);

    platform::DynamicLibrary unzip32_;
    platform::DynamicLibrary lmzip32_;
    platform::DynamicLibrary zip32j_;
    ArcMainFn zip_ = nullptr;   // "Zip": main entry of write commands
    ArcMainFn unzip_ = nullptr; // "UnZip": main entry of read commands
};

// The process-wide ZIP binding, created on first need.
TZipDll& ZipDll();
void FreeZipDll();

} // namespace archives
