// The entry points of one archiver library and the calls through them. For an entry that is not
// resolved the base answers 0 (no handle, no archive, not done), FindFirst/FindNext -1 (no member)
// and the command entries ARC_ERROR_NOT_SUPPORT; TArchiverDll and TZipDll load the libraries and
// resolve the entries before calling these.
#pragma once

#include "archives/ArchiverTypes.h"

#include <cstdint>
#include <string>

namespace archives {

class TCustomArchiverDll {
public:
    virtual ~TCustomArchiverDll() = default;
    TCustomArchiverDll() = default;
    TCustomArchiverDll(const TCustomArchiverDll&) = delete;
    TCustomArchiverDll& operator=(const TCustomArchiverDll&) = delete;

    virtual void LoadDLL() = 0;
    // Forgets every entry.
    virtual void FreeDLL();
    // Runs a command line; a size of 0 passes no buffer. A negative size is a programming error.
    virtual int RunCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size);
    virtual int RunWriteCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size);
    virtual int CheckArchive(const std::string& fileName, int mode);
    virtual int CloseArchive(ArcHandle archive);
    virtual int ExtractMem(HWND wnd, const std::string& cmdLine, unsigned char* buffer, int size,
                           std::int64_t* time, std::uint16_t* attributes, std::uint32_t* written);
    // 0 = a member was found; the record is then complete (times and 64-bit sizes filled, the
    // texts NUL-terminated inside their fields).
    virtual int FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info);
    virtual int FindNext(ArcHandle archive, TMemberInfo& info);
    virtual int KillOwnerWindowEx(HWND wnd);
    virtual ArcHandle OpenArchive(HWND wnd, const std::string& fileName, int mode);
    virtual int SetOwnerWindowEx(HWND wnd, ArcProgressProc proc);
    virtual int GetWriteTimeEx(ArcHandle archive, ArcFileTime& time);
    virtual int GetCreateTimeEx(ArcHandle archive, ArcFileTime& time);
    virtual int GetAccessTimeEx(ArcHandle archive, ArcFileTime& time);
    virtual int GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size);
    virtual int GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size);
    virtual int GetArchiveType(const std::string& fileName);
    virtual int SetEnumMembersProc64(ArcEnumMembersProc proc, std::uint32_t recordSize);
    virtual int ClearEnumMembersProc64();

protected:
    // Fills the last five fields of a found member (by the optional entries, else from the
    // MS-DOS date and time and the 32-bit sizes) and terminates its texts.
    void CompleteMemberInfo(ArcHandle archive, TMemberInfo& info);

    // Entry pointers, empty until resolved.
    ArcMainFn main_ = nullptr;
    ArcOpenArchiveFn openArchive_ = nullptr;
    ArcCloseArchiveFn closeArchive_ = nullptr;
    ArcFindFirstFn findFirst_ = nullptr;
    ArcFindNextFn findNext_ = nullptr;
    ArcExtractMemFn extractMem_ = nullptr;
    ArcCheckArchiveFn checkArchive_ = nullptr;
    ArcSetOwnerWindowExFn setOwnerWindowEx_ = nullptr;
    ArcKillOwnerWindowExFn killOwnerWindowEx_ = nullptr;
    ArcGetTimeExFn getWriteTimeEx_ = nullptr;
    ArcGetTimeExFn getCreateTimeEx_ = nullptr;
    ArcGetTimeExFn getAccessTimeEx_ = nullptr;
    ArcGetSizeExFn getOriginalSizeEx_ = nullptr;
    ArcGetSizeExFn getCompressedSizeEx_ = nullptr;
    ArcGetArchiveTypeFn getArchiveType_ = nullptr;
    ArcSetEnumMembersProc64Fn setEnumMembersProc64_ = nullptr;
    ArcClearEnumMembersProc64Fn clearEnumMembersProc64_ = nullptr;
};

} // namespace archives
