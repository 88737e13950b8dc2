// The entries of the archiver contract, exported under the prefix "Unlha". They turn the
// library's exceptions into result codes: nothing is thrown across the C boundary.
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/ArchiveListing.h"
#include "archivers/unlha32/CommandLine.h"
#include "archivers/unlha32/Commands.h"
#include "archivers/unlha32/DosTime.h"
#include "archivers/unlha32/FileHandle.h"
#include "archivers/unlha32/Progress.h"
#include "archivers/unlha32/Report.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha;

namespace {

// The owner window and the member callback, process-wide as the contract has them.
std::mutex targetsMutex;
ProgressTargets targets;

// One command at a time; a second one (another thread, or a progress handler calling back
// into the library) is refused instead of deadlocking.
std::mutex commandMutex;

std::mutex listingsMutex;
std::map<ArcHandle, std::unique_ptr<ArchiveListing>> listings;

ProgressTargets CurrentTargets() {
    std::lock_guard lock(targetsMutex);
    return targets;
}

void CopyOutput(const std::string& text, char* output, uint32_t size) noexcept {
    if (output == nullptr || size == 0)
        return;
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(output, text.data(), n);
    output[n] = '\0';
}

// Adds a failure to the report; running out of memory here too must not throw.
void Note(Report& report, int32_t code, const char* message) noexcept {
    try {
        report.Error(code, message);
    } catch (...) {
    }
}

// Runs body, turning exceptions into result codes and the report into the output buffer.
template <typename Body> int32_t Guarded(char* output, uint32_t size, Body body) noexcept {
    Report report;
    int32_t code = ARC_OK;
    try {
        body(report);
        code = report.Code();
    } catch (const ArchiveError& e) {
        code = e.code();
        Note(report, code, e.what());
    } catch (const std::bad_alloc&) {
        code = ARC_ERROR_ENOUGH_MEMORY;
        Note(report, code, "out of memory");
    } catch (const std::exception& e) {
        code = ARC_ERROR_NOT_SUPPORT;
        Note(report, code, e.what());
    } catch (...) {
        code = ARC_ERROR_NOT_SUPPORT;
    }
    CopyOutput(report.Text(), output, size);
    return code;
}

ArchiveListing* FindListing(ArcHandle handle) {
    std::lock_guard lock(listingsMutex);
    const auto it = listings.find(handle);
    return it == listings.end() ? nullptr : it->second.get();
}

const MemberHeader* CurrentMember(ArcHandle handle) {
    ArchiveListing* listing = FindListing(handle);
    return listing == nullptr ? nullptr : listing->Current();
}

} // namespace

int32_t Unlha(ArcWindow* /*wnd*/, const char* cmdLine, char* output, uint32_t size) {
    std::unique_lock lock(commandMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return ARC_ERROR_ALREADY_RUNNING;
    if (cmdLine == nullptr)
        return ARC_ERROR_COMMAND_NAME;
    return Guarded(output, size, [&](Report& report) {
        const Command command = ParseCommandLine(cmdLine, true);
        Progress progress(CurrentTargets());
        RunCommand(command, progress, report);
    });
}

int32_t UnlhaExtractMem(ArcWindow* /*wnd*/, const char* cmdLine, unsigned char* buffer,
                        uint32_t size, int64_t* time, uint16_t* attributes, uint32_t* written) {
    std::unique_lock lock(commandMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return ARC_ERROR_ALREADY_RUNNING;
    if (written != nullptr)
        *written = 0;
    if (cmdLine == nullptr)
        return ARC_ERROR_COMMAND_NAME;
    return Guarded(nullptr, 0, [&](Report& report) {
        const Command command = ParseCommandLine(cmdLine, false);
        Progress progress(CurrentTargets());
        const MemoryResult r = ExtractToMemory(command, progress, buffer, size);
        if (written != nullptr)
            *written = r.written;
        if (time != nullptr)
            *time = r.time;
        if (attributes != nullptr)
            *attributes = r.attributes;
        if (r.code != ARC_OK)
            report.Error(r.code, "the buffer is smaller than the member");
    });
}

ArcHandle UnlhaOpenArchive(ArcWindow* /*wnd*/, const char* archive, uint32_t /*mode*/) {
    if (archive == nullptr)
        return nullptr;
    try {
        auto listing = std::make_unique<ArchiveListing>(archive);
        ArcHandle handle = listing.get();
        std::lock_guard lock(listingsMutex);
        listings.emplace(handle, std::move(listing));
        return handle;
    } catch (...) {
        return nullptr;
    }
}

int32_t UnlhaCloseArchive(ArcHandle archive) {
    std::lock_guard lock(listingsMutex);
    return listings.erase(archive) != 0 ? ARC_OK : ARC_ERROR_HARC_ISNOT_OPENED;
}

int32_t UnlhaFindFirst(ArcHandle archive, const char* wildcard, ArcMemberRecord* info) {
    ArchiveListing* listing = FindListing(archive);
    if (listing == nullptr)
        return ARC_ERROR_HARC_ISNOT_OPENED;
    try {
        return listing->First(wildcard == nullptr ? std::string() : std::string(wildcard), info);
    } catch (const std::bad_alloc&) {
        return ARC_ERROR_ENOUGH_MEMORY;
    } catch (...) {
        return ARC_ERROR_NOT_SUPPORT;
    }
}

int32_t UnlhaFindNext(ArcHandle archive, ArcMemberRecord* info) {
    ArchiveListing* listing = FindListing(archive);
    if (listing == nullptr)
        return ARC_ERROR_HARC_ISNOT_OPENED;
    try {
        return listing->Next(info);
    } catch (const std::bad_alloc&) {
        return ARC_ERROR_ENOUGH_MEMORY;
    } catch (...) {
        return ARC_ERROR_NOT_SUPPORT;
    }
}

int32_t UnlhaCheckArchive(const char* archive, int32_t mode) {
    if (archive == nullptr)
        return 0;
    try {
        return CheckArchiveFile(archive, mode) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t UnlhaGetArchiveType(const char* archive) {
    if (archive == nullptr)
        return -1;
    try {
        if (CheckArchiveFile(archive, ARC_CHECK_BASIC))
            return 1;
        FileHandle probe(::open(archive, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        return probe.Valid() ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

int32_t UnlhaSetOwnerWindowEx(ArcWindow* wnd, ArcProgressProc proc) {
    if (wnd == nullptr && proc == nullptr)
        return 0;
    std::lock_guard lock(targetsMutex);
    targets.window = wnd;
    targets.proc = proc;
    return 1;
}

int32_t UnlhaKillOwnerWindowEx(ArcWindow* wnd) {
    std::lock_guard lock(targetsMutex);
    if (targets.window != wnd)
        return 0;
    targets.window = nullptr;
    targets.proc = nullptr;
    return 1;
}

int32_t UnlhaGetWriteTimeEx(ArcHandle archive, ArcFileTime* time) {
    const MemberHeader* h = CurrentMember(archive);
    if (h == nullptr || time == nullptr)
        return 0;
    *time = h->writeTime ? *h->writeTime : ToFileTime(h->mtime);
    return 1;
}

int32_t UnlhaGetCreateTimeEx(ArcHandle archive, ArcFileTime* time) {
    const MemberHeader* h = CurrentMember(archive);
    if (h == nullptr || time == nullptr || !h->creationTime)
        return 0;
    *time = *h->creationTime;
    return 1;
}

int32_t UnlhaGetAccessTimeEx(ArcHandle archive, ArcFileTime* time) {
    const MemberHeader* h = CurrentMember(archive);
    if (h == nullptr || time == nullptr || !h->accessTime)
        return 0;
    *time = *h->accessTime;
    return 1;
}

int32_t UnlhaGetOriginalSizeEx(ArcHandle archive, uint64_t* size) {
    const MemberHeader* h = CurrentMember(archive);
    if (h == nullptr || size == nullptr)
        return 0;
    *size = h->originalSize;
    return 1;
}

int32_t UnlhaGetCompressedSizeEx(ArcHandle archive, uint64_t* size) {
    const MemberHeader* h = CurrentMember(archive);
    if (h == nullptr || size == nullptr)
        return 0;
    *size = h->compressedSize;
    return 1;
}

int32_t UnlhaSetEnumMembersProc64(ArcEnumMembersProc proc, uint32_t recordSize) {
    std::lock_guard lock(targetsMutex);
    targets.memberProc = proc;
    targets.memberRecordSize = recordSize;
    return 1;
}

int32_t UnlhaClearEnumMembersProc64(void) {
    std::lock_guard lock(targetsMutex);
    targets.memberProc = nullptr;
    targets.memberRecordSize = 0;
    return 1;
}
