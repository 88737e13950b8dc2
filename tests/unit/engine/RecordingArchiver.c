/*
 * An archiver library for the engine's tests: it records every command it receives and answers
 * with a scripted sequence of result codes; its listing serves scripted members. Built under
 * the prefix and name of each real library (FAKE_PREFIX).
 */
#include "ArchiverContract.h"

#include <stdlib.h>
#include <string.h>

#define CAT_(a, b) a##b
#define CAT(a, b) CAT_(a, b)
#define ENTRY(suffix) CAT(FAKE_PREFIX, suffix)

/* Expands the prefix before the declaration macros paste it. */
#define DECLARE(M, P) M(P)
DECLARE(ARC_ENTRY_MAIN, FAKE_PREFIX)
DECLARE(ARC_ENTRY_OPENARCHIVE, FAKE_PREFIX)
DECLARE(ARC_ENTRY_CLOSEARCHIVE, FAKE_PREFIX)
DECLARE(ARC_ENTRY_FINDFIRST, FAKE_PREFIX)
DECLARE(ARC_ENTRY_FINDNEXT, FAKE_PREFIX)
DECLARE(ARC_ENTRY_CHECKARCHIVE, FAKE_PREFIX)
DECLARE(ARC_ENTRY_EXTRACTMEM, FAKE_PREFIX)
DECLARE(ARC_ENTRY_GETARCHIVETYPE, FAKE_PREFIX)

#define MAX_CALLS 64
#define MAX_MEMBERS 32

static struct {
    char* commands[MAX_CALLS];
    int calls;
    int results[MAX_CALLS];
    int resultCount;
    ArcMemberRecord members[MAX_MEMBERS];
    int memberCount;
    int cursor;
    int opened;
    int listEnd;    /* what FindNext answers after the last member; 0 means -1 */
    int openFails;
} rec;

ARC_EXPORT void RecReset(void) {
    for (int i = 0; i < rec.calls && i < MAX_CALLS; ++i)
        free(rec.commands[i]);
    memset(&rec, 0, sizeof rec);
}
/* The result of call i (0-based); calls beyond the script return 0. */
ARC_EXPORT void RecSetResult(int call, int result) {
    if (call >= 0 && call < MAX_CALLS) {
        rec.results[call] = result;
        if (call >= rec.resultCount)
            rec.resultCount = call + 1;
    }
}
ARC_EXPORT int RecCalls(void) {
    return rec.calls;
}
ARC_EXPORT const char* RecCommand(int call) {
    return call >= 0 && call < rec.calls && call < MAX_CALLS ? rec.commands[call] : "";
}
ARC_EXPORT void RecAddMember(const char* path, uint32_t size, uint16_t date, uint16_t time,
                             const char* attr) {
    if (rec.memberCount >= MAX_MEMBERS)
        return;
    ArcMemberRecord* m = &rec.members[rec.memberCount++];
    memset(m, 0, sizeof *m);
    strncpy(m->fileName, path, ARC_NAME_MAX);
    m->originalSize = size;
    m->dosDate = date;
    m->dosTime = time;
    strncpy(m->attribute, attr, sizeof m->attribute - 1);
    strcpy(m->method, "-lh5-");
}
/* The listing ends with this code instead of -1 (a damaged archive); or OpenArchive fails. */
ARC_EXPORT void RecSetListEnd(int code) {
    rec.listEnd = code;
}
ARC_EXPORT void RecSetOpenFails(int fails) {
    rec.openFails = fails;
}
ARC_EXPORT int RecOpened(void) {
    return rec.opened;
}

int32_t FAKE_PREFIX(ArcWindow* wnd, const char* cmdLine, char* output, uint32_t size) {
    (void)wnd;
    if (output && size > 0)
        output[0] = '\0';
    const int call = rec.calls++;
    if (call < MAX_CALLS) {
        rec.commands[call] = strdup(cmdLine ? cmdLine : "");
        return call < rec.resultCount ? rec.results[call] : 0;
    }
    return 0;
}

ArcHandle ENTRY(OpenArchive)(ArcWindow* wnd, const char* archive, uint32_t mode) {
    (void)wnd;
    (void)archive;
    (void)mode;
    if (rec.openFails)
        return NULL;
    rec.cursor = 0;
    ++rec.opened;
    return (ArcHandle)&rec;
}
int32_t ENTRY(CloseArchive)(ArcHandle archive) {
    (void)archive;
    --rec.opened;
    return 0;
}
int32_t ENTRY(FindFirst)(ArcHandle archive, const char* wildcard, ArcMemberRecord* info) {
    (void)wildcard;
    rec.cursor = 0;
    return ENTRY(FindNext)(archive, info);
}
int32_t ENTRY(FindNext)(ArcHandle archive, ArcMemberRecord* info) {
    (void)archive;
    if (rec.cursor >= rec.memberCount)
        return rec.listEnd != 0 ? rec.listEnd : -1;
    memcpy(info, &rec.members[rec.cursor++], ARC_MEMBER_LIBRARY_SIZE);
    return 0;
}
int32_t ENTRY(CheckArchive)(const char* archive, int32_t mode) {
    (void)archive;
    (void)mode;
    return 1;
}
int32_t ENTRY(ExtractMem)(ArcWindow* wnd, const char* cmdLine, unsigned char* buffer,
                          uint32_t size, int64_t* time, uint16_t* attributes, uint32_t* written) {
    (void)wnd;
    (void)cmdLine;
    (void)buffer;
    (void)size;
    (void)time;
    (void)attributes;
    (void)written;
    return 0x8019;
}
int32_t ENTRY(GetArchiveType)(const char* archive) {
    (void)archive;
    return 1;
}
