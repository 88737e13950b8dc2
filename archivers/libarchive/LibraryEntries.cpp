#include "LibraryEntries.h"

namespace vmla {

using vmzip::ArcError;

int32_t RunMain(Kind kind, const char* cmdLine, char* output, uint32_t size) {
    if (cmdLine == nullptr)
        return ARC_ERROR_COMMAND_NAME;
    return vmzip::RunGuarded(output, size, [&](vmzip::OutputText& out) {
        const NameLocale names(kind);
        const Request r = ParseRequest(kind, cmdLine, false);
        vmzip::Progress progress(vmzip::CurrentOwner());
        if (r.action == Action::Extract)
            return RunExtraction(kind, r, progress, out);
        if (kind != Kind::Tar && kind != Kind::SevenZip)
            vmzip::Fail(ARC_ERROR_NOT_SUPPORT, "this library only reads archives");
        return RunCreation(kind, r, progress, out);
    });
}

int32_t RunExtractMem(Kind kind, const char* cmdLine, unsigned char* buffer, uint32_t size,
                      int64_t* time, uint16_t* attributes, uint32_t* written) {
    if (cmdLine == nullptr || (buffer == nullptr && size > 0))
        return ARC_ERROR_NOT_SUPPORT;
    return vmzip::RunGuarded(nullptr, 0, [&](vmzip::OutputText&) {
        const NameLocale names(kind);
        const Request r = ParseRequest(kind, cmdLine, true);
        vmzip::Progress progress(vmzip::CurrentOwner());
        return RunMemoryExtraction(kind, r, progress,
                                   MemoryTarget{buffer, size, time, attributes, written});
    });
}

ArcHandle Open(Kind kind, const char* archive) {
    if (archive == nullptr)
        return nullptr;
    try {
        const NameLocale names(kind);
        return OpenListing(kind, archive);
    } catch (...) {
        return nullptr;
    }
}

int32_t Close(ArcHandle archive) {
    return CloseListing(archive) ? ARC_OK : ARC_ERROR_HARC_ISNOT_OPENED;
}

namespace {

// A failure while listing is never the regular end (-1).
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

template <class Body> int32_t CurrentCall(ArcHandle archive, Body body) {
    const Listing* listing = FindListing(archive);
    const Member* m = listing != nullptr ? listing->current() : nullptr;
    return m != nullptr ? body(*m) : 0;
}

} // namespace

int32_t FindFirst(ArcHandle archive, const char* wildcard, ArcMemberRecord* info) {
    return ListingCall(archive, info, [&](Listing& l) { return l.First(wildcard, info); });
}

int32_t FindNext(ArcHandle archive, ArcMemberRecord* info) {
    return ListingCall(archive, info, [&](Listing& l) { return l.Next(info); });
}

// Any mode: the archive opens and every header reads (with ARC_CHECK_FULLCRC also every
// member's data).
int32_t Check(Kind kind, const char* archive, int32_t mode) {
    if (archive == nullptr)
        return 0;
    try {
        const NameLocale names(kind);
        ArchiveReader reader(kind, archive);
        Member m;
        std::vector<char> buffer(1 << 16);
        bool any = false;
        while (reader.Next(m)) {
            any = true;
            if ((mode & 3) == ARC_CHECK_FULLCRC && m.type == MemberType::File)
                while (reader.Read(buffer.data(), buffer.size()) > 0) {
                }
        }
        return any || kind == Kind::Tar ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t WriteTime(ArcHandle archive, ArcFileTime* time) {
    if (time == nullptr)
        return 0;
    return CurrentCall(archive, [&](const Member& m) {
        *time = vmzip::ToFileTime(m.mtime);
        return 1;
    });
}

int32_t OriginalSize(ArcHandle archive, uint64_t* size) {
    if (size == nullptr)
        return 0;
    return CurrentCall(archive, [&](const Member& m) {
        *size = m.size;
        return 1;
    });
}

int32_t CompressedSize(ArcHandle, uint64_t*) {
    // libarchive does not tell a member's compressed size.
    return 0;
}

int32_t ArchiveType(Kind kind, const char* archive) {
    if (archive == nullptr || kind != Kind::Tar)
        return 0;
    try {
        return ArchiveTypeOf(archive);
    } catch (...) {
        return 0;
    }
}

} // namespace vmla
