#include "archives/CustomArchiverDll.h"

#include "archives/FileTimes.h"

#include <cassert>
#include <cstring>

namespace archives {

namespace {

// What a library fills on FindFirst/FindNext, with slack behind it: a library that writes past
// the record scribbles on the slack, never on the caller's memory.
struct MemberScratch {
    TMemberInfo record;
    char slack[4096];
};

void Terminate(char* field, std::size_t size) {
    if (!std::memchr(field, '\0', size))
        field[size - 1] = '\0';
}

} // namespace

std::string MemberName(const TMemberInfo& info) {
    return std::string(info.fileName, strnlen(info.fileName, sizeof info.fileName));
}

void TCustomArchiverDll::FreeDLL() {
    main_ = nullptr;
    openArchive_ = nullptr;
    closeArchive_ = nullptr;
    findFirst_ = nullptr;
    findNext_ = nullptr;
    extractMem_ = nullptr;
    checkArchive_ = nullptr;
    setOwnerWindowEx_ = nullptr;
    killOwnerWindowEx_ = nullptr;
    getWriteTimeEx_ = nullptr;
    getCreateTimeEx_ = nullptr;
    getAccessTimeEx_ = nullptr;
    getOriginalSizeEx_ = nullptr;
    getCompressedSizeEx_ = nullptr;
    getArchiveType_ = nullptr;
    setEnumMembersProc64_ = nullptr;
    clearEnumMembersProc64_ = nullptr;
}

int TCustomArchiverDll::RunCommand(HWND wnd, const std::string& cmdLine, char* buffer, int size) {
    assert(size >= 0 && "RunCommand with a negative buffer size");
    if (!main_)
        return ARC_ERROR_NOT_SUPPORT;
    return main_(wnd, cmdLine.c_str(), size > 0 ? buffer : nullptr,
                 size > 0 ? static_cast<std::uint32_t>(size) : 0);
}

int TCustomArchiverDll::RunWriteCommand(HWND wnd, const std::string& cmdLine, char* buffer,
                                        int size) {
    return RunCommand(wnd, cmdLine, buffer, size);
}

int TCustomArchiverDll::CheckArchive(const std::string& fileName, int mode) {
    return checkArchive_ ? checkArchive_(fileName.c_str(), mode) : 0;
}

int TCustomArchiverDll::CloseArchive(ArcHandle archive) {
    return closeArchive_ ? closeArchive_(archive) : 0;
}

int TCustomArchiverDll::ExtractMem(HWND wnd, const std::string& cmdLine, unsigned char* buffer,
                                   int size, std::int64_t* time, std::uint16_t* attributes,
                                   std::uint32_t* written) {
    if (!extractMem_)
        return ARC_ERROR_NOT_SUPPORT;
    return extractMem_(wnd, cmdLine.c_str(), buffer,
                       size > 0 ? static_cast<std::uint32_t>(size) : 0, time, attributes, written);
}

int TCustomArchiverDll::FindFirst(ArcHandle archive, const std::string& wildcard,
                                  TMemberInfo& info) {
    if (!findFirst_)
        return -1;
    MemberScratch scratch{};
    const int result = findFirst_(archive, wildcard.c_str(), &scratch.record);
    if (result == 0) {
        std::memcpy(&info, &scratch.record, ARC_MEMBER_LIBRARY_SIZE);
        CompleteMemberInfo(archive, info);
    }
    return result;
}

int TCustomArchiverDll::FindNext(ArcHandle archive, TMemberInfo& info) {
    if (!findNext_)
        return -1;
    MemberScratch scratch{};
    const int result = findNext_(archive, &scratch.record);
    if (result == 0) {
        std::memcpy(&info, &scratch.record, ARC_MEMBER_LIBRARY_SIZE);
        CompleteMemberInfo(archive, info);
    }
    return result;
}

void TCustomArchiverDll::CompleteMemberInfo(ArcHandle archive, TMemberInfo& info) {
    Terminate(info.fileName, sizeof info.fileName);
    Terminate(info.attribute, sizeof info.attribute);
    Terminate(info.method, sizeof info.method);
    const ArcFileTime dosTime = DosDateTimeToUtcFileTime(info.dosDate, info.dosTime);
    ArcFileTime t = 0;
    info.lastWriteTime = GetWriteTimeEx(archive, t) != 0 ? t : dosTime;
    t = 0;
    info.lastAccessTime = GetAccessTimeEx(archive, t) != 0 ? t : dosTime;
    t = 0;
    info.creationTime = GetCreateTimeEx(archive, t) != 0 ? t : dosTime;
    std::uint64_t size = 0;
    info.originalSize64 = GetOriginalSizeEx(archive, size) != 0 ? size : info.originalSize;
    size = 0;
    info.compressedSize64 = GetCompressedSizeEx(archive, size) != 0 ? size : info.compressedSize;
}

int TCustomArchiverDll::KillOwnerWindowEx(HWND wnd) {
    return killOwnerWindowEx_ ? killOwnerWindowEx_(wnd) : 0;
}

ArcHandle TCustomArchiverDll::OpenArchive(HWND wnd, const std::string& fileName, int mode) {
    return openArchive_ ? openArchive_(wnd, fileName.c_str(), static_cast<std::uint32_t>(mode))
                        : nullptr;
}

int TCustomArchiverDll::SetOwnerWindowEx(HWND wnd, ArcProgressProc proc) {
    return setOwnerWindowEx_ ? setOwnerWindowEx_(wnd, proc) : 0;
}

int TCustomArchiverDll::GetWriteTimeEx(ArcHandle archive, ArcFileTime& time) {
    return getWriteTimeEx_ ? getWriteTimeEx_(archive, &time) : 0;
}

int TCustomArchiverDll::GetCreateTimeEx(ArcHandle archive, ArcFileTime& time) {
    return getCreateTimeEx_ ? getCreateTimeEx_(archive, &time) : 0;
}

int TCustomArchiverDll::GetAccessTimeEx(ArcHandle archive, ArcFileTime& time) {
    return getAccessTimeEx_ ? getAccessTimeEx_(archive, &time) : 0;
}

int TCustomArchiverDll::GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size) {
    return getOriginalSizeEx_ ? getOriginalSizeEx_(archive, &size) : 0;
}

int TCustomArchiverDll::GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size) {
    return getCompressedSizeEx_ ? getCompressedSizeEx_(archive, &size) : 0;
}

int TCustomArchiverDll::GetArchiveType(const std::string& fileName) {
    return getArchiveType_ ? getArchiveType_(fileName.c_str()) : 0;
}

int TCustomArchiverDll::SetEnumMembersProc64(ArcEnumMembersProc proc, std::uint32_t recordSize) {
    return setEnumMembersProc64_ ? setEnumMembersProc64_(proc, recordSize) : 0;
}

int TCustomArchiverDll::ClearEnumMembersProc64() {
    return clearEnumMembersProc64_ ? clearEnumMembersProc64_() : 0;
}

} // namespace archives
