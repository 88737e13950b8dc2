/*
 * A scripted archiver library for the tests. Built several times under the prefixes of the real
 * libraries (FAKE_PREFIX); it records what it receives and answers what the test scripted through
 * the Fake* control functions. Variants:
 *   FAKE_MAIN_ONLY     only the main entry
 *   FAKE_MINIMAL       only the required entries (no window, time, size or member callback entries)
 *   FAKE_NO_FINDNEXT   without the FindNext entry
 *   FAKE_SECOND_MAIN   a second main entry of that name
 */
#include "ArchiverContract.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define CAT_(a, b) a##b
#define CAT(a, b) CAT_(a, b)
#define ENTRY(suffix) CAT(FAKE_PREFIX, suffix)
#define DECLARE(P) ARC_DECLARE_ENTRIES(P)

DECLARE(FAKE_PREFIX)

#define MAX_MEMBERS 16

typedef struct Member {
    char name[600];
    uint32_t size;
    uint16_t date, time;
} Member;

static struct {
    int result;
    char lastCommand[65536];
    char lastEntry[16];
    int lastOutputSize;
    int lastOutputNull;
    ArcWindow* lastWindow;
    ArcWindow* owner;
    int setOwnerCalls, killOwnerCalls;
    int progressCount;
    int progressSent;
    intptr_t lastReply;
    int hostile;
    Member members[MAX_MEMBERS];
    int memberCount;
    int cursor;
    int checkResult, openResult, archiveType;
    uint32_t lastCheckMode, lastOpenMode;
    char lastOpenPath[1024];
    int times;
    uint64_t writeTime, size64;
    ArcEnumMembersProc enumProc;
    uint32_t enumSize;
    int enumCalls;
    int passwordNeeded;
    char password[300];
    char responseFile[65536];
} fake;

static const char fakeOutput[] = "fake output";

ARC_EXPORT void FakeReset(void) {
    memset(&fake, 0, sizeof fake);
    fake.checkResult = 1;
    fake.openResult = 1;
}
ARC_EXPORT void FakeSetResult(int result) {
    fake.result = result;
}
ARC_EXPORT const char* FakeLastCommand(void) {
    return fake.lastCommand;
}
ARC_EXPORT const char* FakeLastEntry(void) {
    return fake.lastEntry;
}
ARC_EXPORT int FakeLastOutputSize(void) {
    return fake.lastOutputNull ? -1 : fake.lastOutputSize;
}
ARC_EXPORT ArcWindow* FakeLastWindow(void) {
    return fake.lastWindow;
}
ARC_EXPORT int FakeOwnerCalls(int kill) {
    return kill ? fake.killOwnerCalls : fake.setOwnerCalls;
}
ARC_EXPORT ArcWindow* FakeOwner(void) {
    return fake.owner;
}
ARC_EXPORT void FakeSetProgress(int count) {
    fake.progressCount = count;
}
ARC_EXPORT int FakeProgressSent(void) {
    return fake.progressSent;
}
/* 1: member name without NUL in its 513 bytes; 2: writes 1000 bytes into the member record;
 * 3: progress records with unterminated names and nothing after them. */
ARC_EXPORT void FakeSetHostile(int mode) {
    fake.hostile = mode;
}
ARC_EXPORT void FakeAddMember(const char* name, uint32_t size, uint16_t date, uint16_t time) {
    if (fake.memberCount < MAX_MEMBERS) {
        Member* m = &fake.members[fake.memberCount++];
        strncpy(m->name, name, sizeof m->name - 1);
        m->size = size;
        m->date = date;
        m->time = time;
    }
}
ARC_EXPORT void FakeSetCheck(int checkResult, int openResult, int archiveType) {
    fake.checkResult = checkResult;
    fake.openResult = openResult;
    fake.archiveType = archiveType;
}
ARC_EXPORT uint32_t FakeLastMode(int open) {
    return open ? fake.lastOpenMode : fake.lastCheckMode;
}
ARC_EXPORT const char* FakeLastOpenPath(void) {
    return fake.lastOpenPath;
}
ARC_EXPORT void FakeSetTimes(int enabled, uint64_t writeTime, uint64_t size64) {
    fake.times = enabled;
    fake.writeTime = writeTime;
    fake.size64 = size64;
}
ARC_EXPORT int FakeEnumState(uint32_t* size) {
    if (size)
        *size = fake.enumSize;
    return fake.enumProc != NULL;
}
ARC_EXPORT int FakeEnumCalls(void) {
    return fake.enumCalls;
}
ARC_EXPORT void FakeRequirePassword(int needed) {
    fake.passwordNeeded = needed;
}
ARC_EXPORT const char* FakePassword(void) {
    return fake.password;
}
/* The response file named by the last command ("@path" token), as read during the call. */
ARC_EXPORT const char* FakeResponseFile(void) {
    return fake.responseFile;
}

static void ReadResponseFile(const char* cmd) {
    const char* at = strstr(cmd, "\"@");
    fake.responseFile[0] = '\0';
    if (!at)
        return;
    char path[4096];
    const char* start = at + 2;
    const char* end = strchr(start, '"');
    size_t n = end ? (size_t)(end - start) : strlen(start);
    if (n >= sizeof path)
        return;
    memcpy(path, start, n);
    path[n] = '\0';
    FILE* f = fopen(path, "rb");
    if (!f)
        return;
    size_t got = fread(fake.responseFile, 1, sizeof fake.responseFile - 1, f);
    fake.responseFile[got] = '\0';
    fclose(f);
}

static int32_t RunMain(const char* entry, ArcWindow* wnd, const char* cmd, char* out,
                       uint32_t size) {
    strncpy(fake.lastEntry, entry, sizeof fake.lastEntry - 1);
    strncpy(fake.lastCommand, cmd ? cmd : "", sizeof fake.lastCommand - 1);
    fake.lastWindow = wnd;
    fake.lastOutputNull = out == NULL;
    fake.lastOutputSize = (int)size;
    if (cmd)
        ReadResponseFile(cmd);
    if (out && size > 0) {
        strncpy(out, fakeOutput, size - 1);
        out[size - 1] = '\0';
    }
    if (fake.enumProc) {
        char record[1094];
        for (int i = 0; i < fake.memberCount; ++i) {
            memset(record, 0, sizeof record);
            ++fake.enumCalls;
            if (fake.enumProc(record) == 0)
                break;
        }
    }
    for (int i = 0; i < fake.progressCount && fake.owner; ++i) {
        ArcProgressInfo* info;
        if (fake.hostile == 3) {
            /* Names fill their fields completely, and the record ends right after them. */
            info = (ArcProgressInfo*)malloc(sizeof(ArcProgressInfo));
            memset(info, 'A', sizeof(ArcProgressInfo));
        } else {
            info = (ArcProgressInfo*)calloc(1, sizeof(ArcProgressInfo));
            snprintf(info->sourceName, sizeof info->sourceName, "src%d", i);
            snprintf(info->destName, sizeof info->destName, "dst%d", i);
        }
        info->totalSize = 100;
        info->writtenSize = (uint32_t)(i + 1);
        ++fake.progressSent;
        fake.lastReply = ArcSendProgress(fake.owner, ARC_STATE_INPROCESS, info);
        free(info);
        if (fake.lastReply != 0)
            return ARC_ERROR_USER_CANCEL;
    }
    return fake.result;
}

ARC_EXPORT int32_t FAKE_PREFIX(ArcWindow* wnd, const char* cmd, char* out, uint32_t size) {
    return RunMain("main", wnd, cmd, out, size);
}

#ifdef FAKE_SECOND_MAIN
ARC_EXPORT int32_t FAKE_SECOND_MAIN(ArcWindow* wnd, const char* cmd, char* out, uint32_t size) {
    return RunMain("second", wnd, cmd, out, size);
}
#endif

#ifndef FAKE_MAIN_ONLY

static int dummyHandle;

ArcHandle ENTRY(OpenArchive)(ArcWindow* wnd, const char* archive, uint32_t mode) {
    (void)wnd;
    fake.lastOpenMode = mode;
    strncpy(fake.lastOpenPath, archive, sizeof fake.lastOpenPath - 1);
    fake.cursor = 0;
    return fake.openResult ? &dummyHandle : NULL;
}

int32_t ENTRY(CloseArchive)(ArcHandle archive) {
    (void)archive;
    return 0;
}

static int32_t FillMember(ArcMemberRecord* info) {
    if (fake.passwordNeeded && strcmp(fake.password, "secret") != 0)
        return ARC_ERROR_PASSWORD_FILE;
    if (fake.cursor >= fake.memberCount)
        return -1;
    const Member* m = &fake.members[fake.cursor++];
    if (fake.hostile == 2) {
        /* Writes far past the 558 bytes a library may fill. */
        memset(info, 'B', 1000);
        return 0;
    }
    memset(info, 0, ARC_MEMBER_LIBRARY_SIZE);
    info->originalSize = m->size;
    info->compressedSize = m->size / 2;
    info->dosDate = m->date;
    info->dosTime = m->time;
    if (fake.hostile == 1) {
        memset(info->fileName, 'N', sizeof info->fileName);
        memset(info->padding, 'P', sizeof info->padding);
        memset(info->attribute, 'T', sizeof info->attribute);
        memset(info->method, 'M', sizeof info->method);
    } else {
        const size_t n = strnlen(m->name, sizeof info->fileName - 1);
        memcpy(info->fileName, m->name, n);
        info->fileName[n] = '\0';
        strcpy(info->method, "-lh5-");
    }
    return 0;
}

int32_t ENTRY(FindFirst)(ArcHandle archive, const char* wildcard, ArcMemberRecord* info) {
    (void)archive;
    (void)wildcard;
    fake.cursor = 0;
    return FillMember(info);
}

#ifndef FAKE_NO_FINDNEXT
int32_t ENTRY(FindNext)(ArcHandle archive, ArcMemberRecord* info) {
    (void)archive;
    return FillMember(info);
}
#endif

int32_t ENTRY(CheckArchive)(const char* archive, int32_t mode) {
    (void)archive;
    fake.lastCheckMode = (uint32_t)mode;
    return fake.checkResult;
}

int32_t ENTRY(ExtractMem)(ArcWindow* wnd, const char* cmd, unsigned char* buffer, uint32_t size,
                          int64_t* time, uint16_t* attributes, uint32_t* written) {
    (void)time;
    (void)attributes;
    RunMain("mem", wnd, cmd, NULL, 0);
    if (buffer && size >= 4)
        memcpy(buffer, "data", 4);
    if (written)
        *written = 4;
    return fake.result;
}

int32_t ENTRY(GetArchiveType)(const char* archive) {
    (void)archive;
    return fake.archiveType;
}

#ifndef FAKE_MINIMAL
int32_t ENTRY(SetOwnerWindowEx)(ArcWindow* wnd, ArcProgressProc proc) {
    (void)proc;
    ++fake.setOwnerCalls;
    fake.owner = wnd;
    return 1;
}

int32_t ENTRY(KillOwnerWindowEx)(ArcWindow* wnd) {
    (void)wnd;
    ++fake.killOwnerCalls;
    fake.owner = NULL;
    return 1;
}

int32_t ENTRY(GetWriteTimeEx)(ArcHandle archive, ArcFileTime* time) {
    (void)archive;
    if (!fake.times)
        return 0;
    *time = fake.writeTime;
    return 1;
}

int32_t ENTRY(GetCreateTimeEx)(ArcHandle archive, ArcFileTime* time) {
    return ENTRY(GetWriteTimeEx)(archive, time);
}

int32_t ENTRY(GetAccessTimeEx)(ArcHandle archive, ArcFileTime* time) {
    return ENTRY(GetWriteTimeEx)(archive, time);
}

int32_t ENTRY(GetOriginalSizeEx)(ArcHandle archive, uint64_t* size) {
    (void)archive;
    if (!fake.times)
        return 0;
    *size = fake.size64;
    return 1;
}

int32_t ENTRY(GetCompressedSizeEx)(ArcHandle archive, uint64_t* size) {
    return ENTRY(GetOriginalSizeEx)(archive, size);
}

int32_t ENTRY(SetEnumMembersProc64)(ArcEnumMembersProc proc, uint32_t recordSize) {
    fake.enumProc = proc;
    fake.enumSize = recordSize;
    return 1;
}

int32_t ENTRY(ClearEnumMembersProc64)(void) {
    fake.enumProc = NULL;
    return 1;
}

ARC_EXPORT int32_t ENTRY(PasswordDialog)(ArcWindow* wnd, char* buffer, uint32_t size) {
    (void)wnd;
    if (size < 7)
        return -1;
    strcpy(buffer, "secret");
    return 0;
}

ARC_EXPORT int32_t ENTRY(SetDefaultPassword)(ArcHandle archive, const char* password) {
    (void)archive;
    strncpy(fake.password, password, sizeof fake.password - 1);
    return 0;
}
#endif /* FAKE_MINIMAL */
#endif /* FAKE_MAIN_ONLY */
