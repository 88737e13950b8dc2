// The entries of one library over libarchive, defined for its prefix P and kind K by
// VMLA_LIBRARY_ENTRIES(P, K) in the library's one source file. Every entry catches every
// failure and answers with a result code (see ../include/ArchiverContract.h).
#pragma once

#include <cstring>
#include <new>
#include <string>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "Creation.h"
#include "Extraction.h"
#include "Formats.h"
#include "Library.h"
#include "Listing.h"
#include "MemberStamp.h"
#include "Progress.h"
#include "Request.h"

namespace vmla {

int32_t RunMain(Kind kind, const char* cmdLine, char* output, uint32_t size);
int32_t RunExtractMem(Kind kind, const char* cmdLine, unsigned char* buffer, uint32_t size,
                      int64_t* time, uint16_t* attributes, uint32_t* written);
ArcHandle Open(Kind kind, const char* archive);
int32_t Close(ArcHandle archive);
int32_t FindFirst(ArcHandle archive, const char* wildcard, ArcMemberRecord* info);
int32_t FindNext(ArcHandle archive, ArcMemberRecord* info);
int32_t Check(Kind kind, const char* archive, int32_t mode);
int32_t WriteTime(ArcHandle archive, ArcFileTime* time);
int32_t OriginalSize(ArcHandle archive, uint64_t* size);
int32_t CompressedSize(ArcHandle archive, uint64_t* size);
int32_t ArchiveType(Kind kind, const char* archive);

} // namespace vmla

#define VMLA_LIBRARY_ENTRIES(P, K)                                                                 \
    ARC_ENTRY_MAIN(P)                                                                              \
    ARC_ENTRY_OPENARCHIVE(P)                                                                       \
    ARC_ENTRY_CLOSEARCHIVE(P)                                                                      \
    ARC_ENTRY_FINDFIRST(P)                                                                         \
    ARC_ENTRY_FINDNEXT(P)                                                                          \
    ARC_ENTRY_CHECKARCHIVE(P)                                                                      \
    ARC_ENTRY_SETOWNERWINDOWEX(P)                                                                  \
    ARC_ENTRY_KILLOWNERWINDOWEX(P)                                                                 \
    ARC_ENTRY_EXTRACTMEM(P)                                                                        \
    ARC_ENTRY_TIMES(P)                                                                             \
    ARC_ENTRY_SIZES(P)                                                                             \
    ARC_ENTRY_GETARCHIVETYPE(P)                                                                    \
    int32_t P(ArcWindow*, const char* cmdLine, char* output, uint32_t size) {                      \
        return vmla::RunMain(K, cmdLine, output, size);                                            \
    }                                                                                              \
    ArcHandle P##OpenArchive(ArcWindow*, const char* archive, uint32_t) {                          \
        return vmla::Open(K, archive);                                                             \
    }                                                                                              \
    int32_t P##CloseArchive(ArcHandle archive) {                                                   \
        return vmla::Close(archive);                                                               \
    }                                                                                              \
    int32_t P##FindFirst(ArcHandle archive, const char* wildcard, ArcMemberRecord* info) {         \
        return vmla::FindFirst(archive, wildcard, info);                                           \
    }                                                                                              \
    int32_t P##FindNext(ArcHandle archive, ArcMemberRecord* info) {                                \
        return vmla::FindNext(archive, info);                                                      \
    }                                                                                              \
    int32_t P##CheckArchive(const char* archive, int32_t mode) {                                   \
        return vmla::Check(K, archive, mode);                                                      \
    }                                                                                              \
    int32_t P##SetOwnerWindowEx(ArcWindow* wnd, ArcProgressProc) {                                 \
        if (wnd == nullptr)                                                                        \
            return 0;                                                                              \
        vmzip::AttachOwner(wnd);                                                                   \
        return 1;                                                                                  \
    }                                                                                              \
    int32_t P##KillOwnerWindowEx(ArcWindow* wnd) {                                                 \
        return vmzip::DetachOwner(wnd) ? 1 : 0;                                                    \
    }                                                                                              \
    int32_t P##ExtractMem(ArcWindow*, const char* cmdLine, unsigned char* buffer, uint32_t size,   \
                          int64_t* time, uint16_t* attributes, uint32_t* written) {                \
        return vmla::RunExtractMem(K, cmdLine, buffer, size, time, attributes, written);           \
    }                                                                                              \
    int32_t P##GetWriteTimeEx(ArcHandle archive, ArcFileTime* time) {                              \
        return vmla::WriteTime(archive, time);                                                     \
    }                                                                                              \
    int32_t P##GetCreateTimeEx(ArcHandle, ArcFileTime*) {                                          \
        return 0;                                                                                  \
    }                                                                                              \
    int32_t P##GetAccessTimeEx(ArcHandle, ArcFileTime*) {                                          \
        return 0;                                                                                  \
    }                                                                                              \
    int32_t P##GetOriginalSizeEx(ArcHandle archive, uint64_t* size) {                              \
        return vmla::OriginalSize(archive, size);                                                  \
    }                                                                                              \
    int32_t P##GetCompressedSizeEx(ArcHandle archive, uint64_t* size) {                            \
        return vmla::CompressedSize(archive, size);                                                \
    }                                                                                              \
    int32_t P##GetArchiveType(const char* archive) {                                               \
        return vmla::ArchiveType(K, archive);                                                      \
    }
