// The UnZip entries that both libraries export: listing, archive check, extraction into
// memory, and the time and size entries of the current member.
#include <new>
#include <string>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "Commands.h"
#include "Extractor.h"
#include "Library.h"
#include "Listing.h"
#include "Progress.h"

ARC_ENTRY_OPENARCHIVE(UnZip)
ARC_ENTRY_CLOSEARCHIVE(UnZip)
ARC_ENTRY_FINDFIRST(UnZip)
ARC_ENTRY_FINDNEXT(UnZip)
ARC_ENTRY_CHECKARCHIVE(UnZip)
ARC_ENTRY_EXTRACTMEM(UnZip)
ARC_ENTRY_TIMES(UnZip)
ARC_ENTRY_SIZES(UnZip)

using namespace vmzip;

ArcHandle UnZipOpenArchive(ArcWindow*, const char* archive, uint32_t) {
    if (archive == nullptr)
        return nullptr;
    try {
        return OpenListing(archive);
    } catch (...) {
        return nullptr;
    }
}

int32_t UnZipCloseArchive(ArcHandle archive) {
    return CloseListing(archive) ? ARC_OK : ARC_ERROR_HARC_ISNOT_OPENED;
}

namespace {

// A failure while listing is never the regular end (-1): the caller must not take a listing
// cut short for a complete one.
template <class Body> int32_t ListingCall(ArcHandle archive, ArcMemberRecord* info, Body body) {
    Listing* listing = FindListing(archive);
    if (listing == nullptr)
        return ARC_ERROR_HARC_ISNOT_OPENED;
    if (info == nullptr)
        return ARC_ERROR_NOT_SUPPORT;
    try {
        return body(*listing);
    } catch (const ArcError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return ARC_ERROR_ENOUGH_MEMORY;
    } catch (...) {
        return ARC_ERROR_HEADER_BROKEN;
    }
}

} // namespace

int32_t UnZipFindFirst(ArcHandle archive, const char* wildcard, ArcMemberRecord* info) {
    return ListingCall(archive, info, [&](Listing& l) { return l.First(wildcard, info); });
}

int32_t UnZipFindNext(ArcHandle archive, ArcMemberRecord* info) {
    return ListingCall(archive, info, [&](Listing& l) { return l.Next(info); });
}

int32_t UnZipCheckArchive(const char* archive, int32_t mode) {
    if (archive == nullptr)
        return 0;
    try {
        ZipArchive zip(archive, OpenMode::Read);
        if ((mode & 3) != ARC_CHECK_FULLCRC)
            return 1;
        ReadCommand test;
        test.action = ReadAction::Test;
        test.quiet = true;
        test.archive = archive;
        Progress silent(nullptr);
        OutputText none(nullptr, 0);
        return RunReadCommand(test, silent, none) == ARC_OK ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t UnZipExtractMem(ArcWindow*, const char* cmdLine, unsigned char* buffer, uint32_t size,
                        int64_t* time, uint16_t* attributes, uint32_t* written) {
    if (written != nullptr)
        *written = 0;
    if (cmdLine == nullptr || (buffer == nullptr && size > 0))
        return ARC_ERROR_NOT_FILENAME;
    return RunGuarded(nullptr, 0, [&](OutputText&) {
        const ReadCommand cmd = ParseReadCommand(cmdLine, true);
        Progress progress(CurrentOwner());
        return RunMemoryCommand(cmd, progress,
                                MemoryTarget{buffer, size, time, attributes, written});
    });
}

namespace {

const MemberInfo* Current(ArcHandle archive) {
    const Listing* listing = FindListing(archive);
    return listing == nullptr ? nullptr : listing->current();
}

} // namespace

int32_t UnZipGetWriteTimeEx(ArcHandle archive, ArcFileTime* time) {
    const MemberInfo* m = Current(archive);
    if (m == nullptr || time == nullptr)
        return 0;
    *time = ToFileTime(m->mtime);
    return 1;
}

// Creation and access times are not kept in our archives; the caller then takes the
// modification time of the member record.
int32_t UnZipGetCreateTimeEx(ArcHandle, ArcFileTime*) {
    return 0;
}
int32_t UnZipGetAccessTimeEx(ArcHandle, ArcFileTime*) {
    return 0;
}

int32_t UnZipGetOriginalSizeEx(ArcHandle archive, uint64_t* size) {
    const MemberInfo* m = Current(archive);
    if (m == nullptr || size == nullptr)
        return 0;
    *size = m->size;
    return 1;
}

int32_t UnZipGetCompressedSizeEx(ArcHandle archive, uint64_t* size) {
    const MemberInfo* m = Current(archive);
    if (m == nullptr || size == nullptr)
        return 0;
    *size = m->compressedSize;
    return 1;
}
