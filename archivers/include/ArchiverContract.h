/*
 * The calling contract between Velmoran and every archiver library it loads at run time.
 *
 * A library is a shared object (UNLHA32.DLL is found as libunlha32.so) that exports plain C
 * functions. Every entry is named by the library's prefix followed by the entry's suffix; the
 * prefix alone names the main entry that runs a command line:
 *
 *     Unlha                 main entry (prefix alone)
 *     UnlhaOpenArchive      prefix + "OpenArchive"
 *     UnlhaFindFirst        prefix + "FindFirst"  ...
 *
 * Prefixes: Unlha (LZH), UnZip and Zip (ZIP), Cab, Unarj, Tar, Unrar, Bga, Yz1, SevenZip.
 * Strings are NUL-terminated bytes in the program's code page; integers are 32-bit unless a
 * field says otherwise; every entry returns a 32-bit integer (or an archive handle).
 *
 * A library implements an entry by declaring it with ARC_DECLARE_ENTRIES(prefix) (or the single
 * ARC_ENTRY_* macros) and defining it, for example:
 *
 *     ARC_DECLARE_ENTRIES(Unlha)
 *     int32_t Unlha(ArcWindow* wnd, const char* cmd, char* out, uint32_t size) { ... }
 *
 * The declarations give the entries C linkage and default visibility, so a definition whose
 * signature differs from the contract fails to compile.
 *
 * Usable from C (C99 and later) and C++.
 */
#ifndef VELMORAN_ARCHIVER_CONTRACT_H
#define VELMORAN_ARCHIVER_CONTRACT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define ARC_EXTERN_C extern "C"
#define ARC_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define ARC_EXTERN_C
#define ARC_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Marks an exported entry of an archiver library: C linkage, visible from the shared object. */
#define ARC_EXPORT ARC_EXTERN_C __attribute__((visibility("default")))

/* ------------------------------------------------------------------------------------------
 * Command lines (main entry, ExtractMem).
 *
 * The program builds a command word followed by tokens, each preceded by one blank: switches
 * ("-a1", "-jso1"), then the archive name, the directory (ending in '/'), then the file
 * names, most of them inside double quotes; a quoted token may hold a switch and its value
 * ("-w/tmp/work/"). A double-quoted token ends at the first double quote that is followed by a
 * blank or the end of the text, so a name may itself hold double quotes (not one followed by a
 * blank). "@path" names a response file: one name per line between the line's first and last
 * double quote, each line ending in CR LF. A name that names an existing file (or member) exactly
 * is that file, never a wildcard. The ZIP libraries receive file names (not the archive or the
 * directory) with a leading '-' written "[-]" and each '[' written "[[]". Parts of a path are
 * separated by '/';
 * '\' and ':' are ordinary characters of a name.
 * ------------------------------------------------------------------------------------------ */

/* ------------------------------------------------------------------------------------------
 * Result codes. 0 is success; codes from 0x8000 up are errors, passed unchanged to the caller.
 * ------------------------------------------------------------------------------------------ */
#define ARC_OK 0
#define ARC_ERROR_DISK_SPACE 0x8005        /* not enough disk space */
#define ARC_ERROR_READ_ONLY 0x8006         /* a file to be written is read-only */
#define ARC_ERROR_USER_SKIP 0x8007         /* the user skipped the operation */
#define ARC_ERROR_UNKNOWN_TYPE 0x8008      /* unknown archive type */
#define ARC_ERROR_METHOD 0x8009            /* unsupported compression method */
#define ARC_ERROR_PASSWORD_FILE 0x800A     /* member is encrypted; password needed */
#define ARC_ERROR_VERSION 0x800B           /* unsupported format version */
#define ARC_ERROR_FILE_CRC 0x800C          /* CRC mismatch in member data */
#define ARC_ERROR_FILE_OPEN 0x800D         /* a file could not be opened */
#define ARC_ERROR_MORE_FRESH 0x800E        /* a newer file is already there */
#define ARC_ERROR_NOT_EXIST 0x800F         /* a file does not exist */
#define ARC_ERROR_ALREADY_EXIST 0x8010     /* a file already exists */
#define ARC_ERROR_TOO_MANY_FILES 0x8011    /* too many files */
#define ARC_ERROR_MAKEDIRECTORY 0x8012     /* a directory could not be made (the program goes on) */
#define ARC_ERROR_CANNOT_WRITE 0x8013      /* a write failed */
#define ARC_ERROR_HUFFMAN_CODE 0x8014      /* broken compressed data */
#define ARC_ERROR_COMMENT_HEADER 0x8015    /* broken comment */
#define ARC_ERROR_HEADER_CRC 0x8016        /* header CRC mismatch */
#define ARC_ERROR_HEADER_BROKEN 0x8017     /* broken header */
#define ARC_ERROR_ARC_FILE_OPEN 0x8018     /* the archive could not be opened */
#define ARC_ERROR_NOT_ARC_FILE 0x8019      /* the file is not an archive */
#define ARC_ERROR_CANNOT_READ 0x801A       /* a read failed */
#define ARC_ERROR_FILE_STYLE 0x801B        /* wrong file format */
#define ARC_ERROR_COMMAND_NAME 0x801C      /* unknown command or switch */
#define ARC_ERROR_MORE_HEAP_MEMORY 0x801D  /* out of heap memory */
#define ARC_ERROR_ENOUGH_MEMORY 0x801E     /* out of memory */
#define ARC_ERROR_ALREADY_RUNNING 0x801F   /* the library is already running a command */
#define ARC_ERROR_USER_CANCEL 0x8020       /* cancelled by the user (a non-zero progress reply) */
#define ARC_ERROR_HARC_ISNOT_OPENED 0x8021 /* the archive handle is not open */
#define ARC_ERROR_NOT_SEARCH_MODE 0x8022   /* FindNext without FindFirst */
#define ARC_ERROR_NOT_SUPPORT 0x8023       /* operation not supported */
#define ARC_ERROR_TIME_STAMP 0x8024        /* bad time stamp */
#define ARC_ERROR_TMP_OPEN 0x8025          /* work file could not be opened */
#define ARC_ERROR_LONG_FILE_NAME 0x8026    /* a name is too long */
#define ARC_ERROR_ARC_READ_ONLY 0x8027     /* the archive is write-protected */
#define ARC_ERROR_SAME_NAME_FILE 0x8028    /* two members of the same name */
#define ARC_ERROR_NOT_FIND_ARC_FILE 0x8029 /* the archive was not found */
#define ARC_ERROR_RESPONSE_READ 0x802A     /* the response file could not be read */
#define ARC_ERROR_NOT_FILENAME 0x802B      /* a file name was expected */
#define ARC_ERROR_TMP_COPY 0x802C          /* work file could not be copied over the archive */
#define ARC_ERROR_EOF 0x802D               /* unexpected end of file */

/* ------------------------------------------------------------------------------------------
 * Modes.
 * ------------------------------------------------------------------------------------------ */
/* CheckArchive: the program passes 16 (LZH) or 24 (ZIP: 16 + 8, self-extracting too). */
#define ARC_CHECK_RAPID 0
#define ARC_CHECK_BASIC 1
#define ARC_CHECK_FULLCRC 2
#define ARC_CHECK_SFX 8
#define ARC_CHECK_ALL 16
/* OpenArchive: the program passes 2 to list members and 0x800002 to test a file's format. */
#define ARC_OPEN_LIST 0x00000002
#define ARC_OPEN_CHECK_ONLY 0x00800000
/* SetEnumMembersProc64: the record size the program passes. */
#define ARC_ENUM_MEMBER_INFO_SIZE 1094

/* Attribute bits (member attributes, ExtractMem, the program's file scan). */
#define ARC_ATTR_READONLY 0x01
#define ARC_ATTR_HIDDEN 0x02
#define ARC_ATTR_SYSTEM 0x04
#define ARC_ATTR_DIRECTORY 0x10
#define ARC_ATTR_ARCHIVE 0x20

/* ------------------------------------------------------------------------------------------
 * Owner windows and progress.
 *
 * A window handle is a pointer to an ArcWindow owned by the program; NULL means no window. While
 * a window is attached with SetOwnerWindowEx(wnd, NULL), the library reports progress by sending
 * the registered message "wm_arcextract" to it, synchronously, on the thread that called the
 * entry: wParam is the state (ARC_STATE_*), lParam points at an ArcProgressInfo that stays valid
 * for the duration of the call. A non-zero reply asks the library to cancel; it then stops and
 * returns ARC_ERROR_USER_CANCEL. The window stays attached until KillOwnerWindowEx(wnd).
 * ------------------------------------------------------------------------------------------ */
#define ARC_WM_ARCEXTRACT "wm_arcextract"

/* Progress states (wParam of "wm_arcextract"). */
#define ARC_STATE_BEGIN 0     /* starting on a member */
#define ARC_STATE_INPROCESS 1 /* a member is being written; names filled */
#define ARC_STATE_END 2       /* the command is finished */
#define ARC_STATE_OPEN 3      /* the archive was opened */
#define ARC_STATE_COPY 4      /* the work file is copied over the archive */
/* The program's own file scan accepted a file (used inside the program, never by a library). */
#define ARC_STATE_SELECT 0x805

typedef struct ArcWindow ArcWindow;

/* Delivers a message to the window and returns its reply once the window has handled it. */
typedef intptr_t (*ArcSendMessageFn)(ArcWindow* wnd, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);
/* Returns the process-wide message number of a registered message name (the same number for the
 * same name, from 0xC000 up), or 0 when the name cannot be registered. */
typedef uint32_t (*ArcRegisterMessageFn)(const char* name);

struct ArcWindow {
    uint32_t structSize;                  /* sizeof(ArcWindow); later versions only add fields */
    ArcSendMessageFn send;                /* never NULL */
    ArcRegisterMessageFn registerMessage; /* never NULL */
    void* context;                        /* the program's own data; libraries leave it alone */
};

/* Sends "wm_arcextract" to wnd (NULL: nothing happens, reply 0). Returns the window's reply. */
static inline intptr_t ArcSendProgress(ArcWindow* wnd, uint32_t state, const void* info) {
    if (wnd == NULL || wnd->send == NULL || wnd->registerMessage == NULL)
        return 0;
    return wnd->send(wnd, wnd->registerMessage(ARC_WM_ARCEXTRACT), (uintptr_t)state,
                     (intptr_t)info);
}

/* ------------------------------------------------------------------------------------------
 * Records. All are packed (no padding beyond the fields listed), little-endian as the machine.
 * ------------------------------------------------------------------------------------------ */
#define ARC_NAME_MAX 512 /* longest name in a record; the arrays hold ARC_NAME_MAX + 1 bytes */

/* FILETIME: 100-nanosecond intervals since 1601-01-01 00:00 UTC. */
typedef uint64_t ArcFileTime;

#pragma pack(push, 1)

/* Member record filled by FindFirst/FindNext. The library fills the first
 * ARC_MEMBER_LIBRARY_SIZE bytes (up to and including method); the program completes the rest
 * through the optional time and size entries. fileName must be NUL-terminated inside its 513
 * bytes; the program does not rely on it and cuts the name at the end of the array. */
typedef struct ArcMemberRecord {
    uint32_t originalSize;           /* +0   */
    uint32_t compressedSize;         /* +4   */
    uint32_t crc;                    /* +8   */
    uint32_t flags;                  /* +12  */
    uint32_t osType;                 /* +16  */
    uint16_t ratio;                  /* +20  per mille of compressed to original */
    uint16_t dosDate;                /* +22  MS-DOS date, local time */
    uint16_t dosTime;                /* +24  MS-DOS time, local time */
    char fileName[ARC_NAME_MAX + 1]; /* +26  member path, '/' between parts */
    char padding[3];                 /* +539 */
    char attribute[8];               /* +542 attribute letters, NUL-terminated */
    char method[8];                  /* +550 method such as "-lh5-", NUL-terminated */
    ArcFileTime lastWriteTime;       /* +558 completed by the program */
    ArcFileTime lastAccessTime;      /* +566 */
    ArcFileTime creationTime;        /* +574 */
    uint64_t originalSize64;         /* +582 */
    uint64_t compressedSize64;       /* +590 */
} ArcMemberRecord;

/* Progress record sent with "wm_arcextract". Names must be NUL-terminated inside their 513
 * bytes; the program does not rely on it. */
typedef struct ArcProgressInfo {
    uint32_t totalSize;                /* +0    size of the current file */
    uint32_t writtenSize;              /* +4    bytes written so far */
    char sourceName[ARC_NAME_MAX + 1]; /* +8    member or file being read */
    char padding1[3];                  /* +521 */
    char destName[ARC_NAME_MAX + 1];   /* +524  file or member being written */
    char padding2[3];                  /* +1037 */
    uint32_t compressedSize;           /* +1040 */
    uint32_t crc;                      /* +1044 */
    uint32_t osType;                   /* +1048 */
    uint16_t ratio;                    /* +1052 */
    uint16_t dosDate;                  /* +1054 */
    uint16_t dosTime;                  /* +1056 */
    char attribute[8];                 /* +1058 */
    char method[8];                    /* +1066 */
} ArcProgressInfo;

#pragma pack(pop)

#define ARC_MEMBER_LIBRARY_SIZE 558
#define ARC_MEMBER_RECORD_SIZE 598
#define ARC_PROGRESS_INFO_SIZE 1074

ARC_STATIC_ASSERT(sizeof(ArcMemberRecord) == ARC_MEMBER_RECORD_SIZE, "member record is 598 bytes");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, originalSize) == 0, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, compressedSize) == 4, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, crc) == 8, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, flags) == 12, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, osType) == 16, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, ratio) == 20, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, dosDate) == 22, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, dosTime) == 24, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, fileName) == 26, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, padding) == 539, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, attribute) == 542, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, method) == 550, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, lastWriteTime) == ARC_MEMBER_LIBRARY_SIZE,
                  "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, lastAccessTime) == 566, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, creationTime) == 574, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, originalSize64) == 582, "member record layout");
ARC_STATIC_ASSERT(offsetof(ArcMemberRecord, compressedSize64) == 590, "member record layout");
ARC_STATIC_ASSERT(sizeof(ArcProgressInfo) == ARC_PROGRESS_INFO_SIZE, "progress record size");
ARC_STATIC_ASSERT(offsetof(ArcProgressInfo, writtenSize) == 4, "progress record layout");
ARC_STATIC_ASSERT(offsetof(ArcProgressInfo, sourceName) == 8, "progress record layout");
ARC_STATIC_ASSERT(offsetof(ArcProgressInfo, destName) == 524, "progress record layout");
ARC_STATIC_ASSERT(offsetof(ArcProgressInfo, compressedSize) == 1040, "progress record layout");

/* ------------------------------------------------------------------------------------------
 * Entry signatures, by suffix.
 * ------------------------------------------------------------------------------------------ */
typedef void* ArcHandle; /* archive handle from OpenArchive; NULL = failure */

/* Callback of SetOwnerWindowEx; the program always passes NULL and receives messages instead.
 * A non-zero result cancels. */
typedef int32_t (*ArcProgressProc)(ArcWindow* wnd, uint32_t message, uint32_t state,
                                   ArcProgressInfo* info);
/* Callback of SetEnumMembersProc64: called per member with a record of the announced size;
 * returns -1 to go on, 0 to stop. */
typedef int32_t (*ArcEnumMembersProc)(void* memberInfo);

/* (prefix alone): runs a command line. output may be NULL (then size is 0); when given, the
 * library writes at most size bytes including a terminating NUL. 0 = success. */
typedef int32_t (*ArcMainFn)(ArcWindow* wnd, const char* cmdLine, char* output, uint32_t size);
/* OpenArchive: opens an archive for listing; NULL = failure. */
typedef ArcHandle (*ArcOpenArchiveFn)(ArcWindow* wnd, const char* archive, uint32_t mode);
/* CloseArchive. */
typedef int32_t (*ArcCloseArchiveFn)(ArcHandle archive);
/* FindFirst: 0 = record filled; non-zero (-1 at the end) = no (more) member. */
typedef int32_t (*ArcFindFirstFn)(ArcHandle archive, const char* wildcard, ArcMemberRecord* info);
/* FindNext: as FindFirst. */
typedef int32_t (*ArcFindNextFn)(ArcHandle archive, ArcMemberRecord* info);
/* CheckArchive: non-zero = the file is an archive of this format. */
typedef int32_t (*ArcCheckArchiveFn)(const char* archive, int32_t mode);
/* SetOwnerWindowEx: attaches a window for progress messages; non-zero = success. */
typedef int32_t (*ArcSetOwnerWindowExFn)(ArcWindow* wnd, ArcProgressProc proc);
/* KillOwnerWindowEx: detaches it; non-zero = success. */
typedef int32_t (*ArcKillOwnerWindowExFn)(ArcWindow* wnd);
/* ExtractMem: extracts one member into buffer. time (Unix seconds), attributes and written may be
 * NULL. 0 = success. */
typedef int32_t (*ArcExtractMemFn)(ArcWindow* wnd, const char* cmdLine, unsigned char* buffer,
                                   uint32_t size, int64_t* time, uint16_t* attributes,
                                   uint32_t* written);
/* GetWriteTimeEx, GetCreateTimeEx, GetAccessTimeEx: time of the current member (UTC);
 * non-zero = filled. */
typedef int32_t (*ArcGetTimeExFn)(ArcHandle archive, ArcFileTime* time);
/* GetOriginalSizeEx, GetCompressedSizeEx: 64-bit size of the current member; non-zero = filled. */
typedef int32_t (*ArcGetSizeExFn)(ArcHandle archive, uint64_t* size);
/* GetArchiveType: format number of the file (TAR: 1 tar, 2-5 gzip/compress, 6-7 bzip2). */
typedef int32_t (*ArcGetArchiveTypeFn)(const char* archive);
/* SetEnumMembersProc64: installs a member callback (recordSize is ARC_ENUM_MEMBER_INFO_SIZE). */
typedef int32_t (*ArcSetEnumMembersProc64Fn)(ArcEnumMembersProc proc, uint32_t recordSize);
/* ClearEnumMembersProc64: removes it. */
typedef int32_t (*ArcClearEnumMembersProc64Fn)(void);
/* PasswordDialog (YZ1): asks for a password into buffer; negative = the user gave none. */
typedef int32_t (*ArcPasswordDialogFn)(ArcWindow* wnd, char* buffer, uint32_t size);
/* SetDefaultPassword (YZ1): sets the password used for the following operations. */
typedef int32_t (*ArcSetDefaultPasswordFn)(ArcHandle archive, const char* password);

/* Declarations of one entry each; P is the library's prefix. */
#define ARC_ENTRY_MAIN(P)                                                                          \
    ARC_EXPORT int32_t P(ArcWindow* wnd, const char* cmdLine, char* output, uint32_t size);
#define ARC_ENTRY_OPENARCHIVE(P)                                                                   \
    ARC_EXPORT ArcHandle P##OpenArchive(ArcWindow* wnd, const char* archive, uint32_t mode);
#define ARC_ENTRY_CLOSEARCHIVE(P) ARC_EXPORT int32_t P##CloseArchive(ArcHandle archive);
#define ARC_ENTRY_FINDFIRST(P)                                                                     \
    ARC_EXPORT int32_t P##FindFirst(ArcHandle archive, const char* wildcard, ArcMemberRecord* info);
#define ARC_ENTRY_FINDNEXT(P)                                                                      \
    ARC_EXPORT int32_t P##FindNext(ArcHandle archive, ArcMemberRecord* info);
#define ARC_ENTRY_CHECKARCHIVE(P)                                                                  \
    ARC_EXPORT int32_t P##CheckArchive(const char* archive, int32_t mode);
#define ARC_ENTRY_SETOWNERWINDOWEX(P)                                                              \
    ARC_EXPORT int32_t P##SetOwnerWindowEx(ArcWindow* wnd, ArcProgressProc proc);
#define ARC_ENTRY_KILLOWNERWINDOWEX(P) ARC_EXPORT int32_t P##KillOwnerWindowEx(ArcWindow* wnd);
#define ARC_ENTRY_EXTRACTMEM(P)                                                                    \
    ARC_EXPORT int32_t P##ExtractMem(ArcWindow* wnd, const char* cmdLine, unsigned char* buffer,   \
                                     uint32_t size, int64_t* time, uint16_t* attributes,           \
                                     uint32_t* written);
#define ARC_ENTRY_TIMES(P)                                                                         \
    ARC_EXPORT int32_t P##GetWriteTimeEx(ArcHandle archive, ArcFileTime* time);                    \
    ARC_EXPORT int32_t P##GetCreateTimeEx(ArcHandle archive, ArcFileTime* time);                   \
    ARC_EXPORT int32_t P##GetAccessTimeEx(ArcHandle archive, ArcFileTime* time);
#define ARC_ENTRY_SIZES(P)                                                                         \
    ARC_EXPORT int32_t P##GetOriginalSizeEx(ArcHandle archive, uint64_t* size);                    \
    ARC_EXPORT int32_t P##GetCompressedSizeEx(ArcHandle archive, uint64_t* size);
#define ARC_ENTRY_GETARCHIVETYPE(P) ARC_EXPORT int32_t P##GetArchiveType(const char* archive);
#define ARC_ENTRY_ENUMMEMBERS(P)                                                                   \
    ARC_EXPORT int32_t P##SetEnumMembersProc64(ArcEnumMembersProc proc, uint32_t recordSize);      \
    ARC_EXPORT int32_t P##ClearEnumMembersProc64(void);

/* The entries the program requires (main, OpenArchive, CloseArchive, FindFirst, FindNext,
 * CheckArchive, ExtractMem, GetArchiveType) plus the optional window, time, size and member
 * callback entries. A library may define only some of the optional ones. */
#define ARC_DECLARE_ENTRIES(P)                                                                     \
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
    ARC_ENTRY_ENUMMEMBERS(P)

#endif /* VELMORAN_ARCHIVER_CONTRACT_H */
