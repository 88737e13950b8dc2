/*
 * libunlha32.so: the LZH archiver library (entry prefix "Unlha").
 *
 * It writes archives with level-2 headers (methods -lh7- by default, -lh5-, -lh6-, and -lh0-
 * for stored members and for files that compression would not make smaller), reads level 0, 1,
 * 2 and 3 headers and the methods -lh0-, -lh1-, -lh4-, -lh5-, -lh6-, -lh7-, the LArc methods
 * -lzs- and -lz5-, and -lhd- (directories). Members keep
 * their Unix permissions and modification time; members of 4 GiB and more carry their sizes in
 * the 64-bit size header. Data are streamed, so memory stays at a few MiB whatever the sizes.
 *
 * COMMAND TEXT (main entry "Unlha"): a command word, then tokens separated by blanks. A token
 * that starts with a double quote ends at the first double quote followed by a blank or the end
 * of the text, so names may hold blanks and double quotes. Tokens, in any order up to "--":
 *   -switch     a switch (see below), also inside quotes ("-w/tmp/work/"); "-+" is accepted
 *               and means nothing (there are no stored default switches to ignore);
 *   --          ends the switches: every later token is a name, even one starting with '-';
 * then, in this order:
 *   archive     the archive path;
 *   directory/  optional, the token right after the archive when it ends in '/': the base
 *               directory of the names to pack, or the destination of extraction;
 *   names       files to pack, or members to act on; "@path" reads names from a response file
 *               (one per line, between the line's first and last double quote; lines end in
 *               CR LF or LF). A name that names an existing file (packing) or member (the other
 *               commands) exactly is that one; otherwise '*' (any run of characters) and '?'
 *               (one character) are wildcards: against a member's whole path ('*' also
 *               spans '/'), or for packing against the names in the directory the name's
 *               last part is in; "*.*" is every name. Names are case-sensitive and use '/'
 *               between parts; '\' and ':' are ordinary.
 *               No names: every member, or for packing every file of the base directory.
 *
 * NAMES are bytes: whatever the file system holds (but '/' and NUL) is stored, listed, matched
 * and restored exactly, also bytes that are not UTF-8 such as 0xFF. A member's file name goes
 * into the file-name extension (where 0xFF is an ordinary byte), its directory parts into the
 * directory extension, parts separated by 0xFF; a path whose directory parts hold 0xFF goes
 * whole into the file-name extension, parts separated by '/'. A path that is not valid UTF-8
 * also gets a code-page extension (0x46) naming Windows-1252, or 437 when the name holds one of
 * the five bytes 1252 leaves undefined: readers that decode names (libarchive stops reading the
 * archive at a name it cannot decode) then show the name in that code page and read on. This
 * library never converts a name, whatever code page a header names.
 *
 * COMMANDS
 *   x  extract members with their directory parts below the directory (default: the current
 *      directory, made when missing).
 *   e  extract members under their bare names into the directory.
 *   a  add files; a member of the same name is replaced whatever the time stamps.
 *   u  add files; a member of the same name is replaced only by a newer file (by any with -c1).
 *   f  freshen: replace members by newer files of the same name (by any with -c1); files that
 *      are not members yet are not added.
 *   d  delete the members the names select (names are required).
 *   l  (also v) list the members into the output buffer.
 *   t  test: decode the members and check their CRCs; nothing is written.
 *
 * SWITCHES (a numeric switch without a value means 1; each may be given once or more, the last
 * one counts; jx adds a pattern each time)
 *   -a0 -a1   files the library selects itself (wildcards, directories with -r) include hidden
 *             files (names starting with '.') only with -a1; named files are always taken.
 *   -c0 -c1   time stamps: -c1 replaces members (u, f) and overwrites files (x, e) whatever the
 *             time stamps; -c0 (the default) only with a newer file or a newer member.
 *   -e0 -e1   -e1 extracts without directory parts, as the command e.
 *   -jm<n>    method: -jm0 stores (-lh0-); -jm5, -jm6, -jm7 -lh5-, -lh6-, -lh7-; any other
 *             value, and no -jm, -lh7-.
 *   -jx<pat>  leaves out files and members whose path or bare name is pat or matches it.
 *   -jo<date> -job<date>  pack only files modified on or after / on or before the date:
 *             [l]yymmdd, [l]yyyymmdd, optionally followed by hhnnss (local time; without a
 *             time the day starts at 00:00:00 and ends at 23:59:59).
 *   -r0 -r1 -r2  with -r1 or -r2 a wildcard also selects files in the subdirectories of its
 *             directory, and a named directory is packed with everything below it; without,
 *             a named directory is stored as a directory member.
 *   -t0 -t1   -t1 gives a changed archive the time of its newest member.
 *   -jt<n>    threads that encode the files of a packing command (a, u, f): -jt0, and no -jt,
 *             mean the default, VELMORAN_ARCHIVER_THREADS when it holds a number above 0,
 *             else one per core; -jt and -jt1 one, where the calling thread does all the work.
 *             With more, worker threads encode the files ahead of the writer, in the order
 *             they are packed, holding at most a few MiB per thread; headers, progress and
 *             the member callback stay on the calling thread, and the archive's bytes are the
 *             same whatever the number. The other commands accept it and run on the calling
 *             thread.
 *   -w<dir/>  the working directory of the caller. The library keeps no work files there: a
 *             new archive version is written beside the archive and each extracted file beside
 *             its target, so that one rename on the same file system completes each and a
 *             crash never leaves a half-written archive or file under the real name (see WORK
 *             FILES).
 *   Accepted without effect, because the library never shows a window or asks a question
 *   (progress goes only to an attached owner window, answers are always the safe ones above):
 *             -m -n -y -jyc -jyd -jyk -jyn -jyo -gm -go -gp -gya -gyc -gyd -gye -gyo -gyq
 *             -gys -gyt -gyw -gyx.
 *   Accepted without effect, because what they choose is fixed in this library (level-2
 *   headers, Unix permissions and times always kept, names stored as given, relative to the
 *   base directory, in the bytes of the file system):
 *             -f -h -i -l -o -p -s -u -x -z -jc -jd -je -jf -jh -ji -jn -jp -jr -jsb -jsc -jsd
 *             -jse -jsf -jsl -jso -jss -jst -jsv -jsz -jw -jz -ga -gd -ge -gf -gj -gn -gr -gs
 *             -gu -gw.
 *   Any other switch is an error (ARC_ERROR_COMMAND_NAME).
 *
 * WORK FILES
 *   A work file lies in the directory of the file it becomes (for an archive reached through a
 *   symbolic link, the directory of the file the link names) and is named
 *       <name>.unlha-XXXXXX
 *   where <name> is the target's file name (the archive's, or the extracted file's), cut to its
 *   first 242 bytes when longer, and XXXXXX six random characters of [A-Za-z0-9]. The library
 *   removes its work files on every failure and cancel; only a killed process leaves one
 *   behind, which the caller may remove by that pattern.
 *
 * SAFETY
 *   Packing and deleting write the new archive to a work file beside the archive, flush it to
 *   disk and rename it over the archive only when it is complete; a failure, a cancel or a full
 *   disk leave the old archive untouched. An archive without owner write permission is
 *   write-protected (ARC_ERROR_ARC_READ_ONLY). Extraction never writes outside the destination
 *   directory: absolute member names are taken relative to it, names with ".." are refused,
 *   symbolic links on the way are not followed (the member is refused), and a link standing
 *   where a file goes is replaced, not written through. A file whose CRC does not match never
 *   appears under its name (an older file there is kept). Links and device files in archives
 *   are not made.
 *
 * DAMAGED ARCHIVES
 *   A broken header, a header whose CRC or checksum does not match, a header cut off, member
 *   data cut off by the end of the file and a missing end mark are damage. Extraction, test
 *   and the list command report each damaged place in the output buffer (its byte offset, and
 *   the member's name when it is known) and go on with the next sound header behind it
 *   (where the damaged header's sizes point, else the next header found whose CRC or checksum
 *   matches), so every intact member is still extracted; the result is the first error's code.
 *   A member whose data are broken or fail their CRC is not left behind. Packing, freshening and
 *   deleting refuse a damaged archive (its code) and leave it as it was. FindFirst and FindNext
 *   answer -1 only at the end mark; at damage they answer its code (ARC_ERROR_HEADER_BROKEN,
 *   ARC_ERROR_HEADER_CRC, ARC_ERROR_VERSION, ARC_ERROR_CANNOT_READ), and FindNext answers the
 *   same code again after it. OpenArchive refuses (NULL) a file that is not an LZH archive (an
 *   empty file, another format, garbage) and one whose first member is already damaged.
 *
 * RESULT CODES (ArchiverContract.h): 0 success; ARC_ERROR_DISK_SPACE (disk full, file too
 * large), ARC_ERROR_READ_ONLY and ARC_ERROR_CANNOT_WRITE (an extracted file or directory could
 * not be written), ARC_ERROR_ARC_READ_ONLY, ARC_ERROR_ARC_FILE_OPEN (archive missing or
 * unreadable), ARC_ERROR_NOT_ARC_FILE, ARC_ERROR_HEADER_BROKEN, ARC_ERROR_HEADER_CRC,
 * ARC_ERROR_CANNOT_READ (a read of the archive failed), ARC_ERROR_HUFFMAN_CODE (broken data),
 * ARC_ERROR_FILE_CRC, ARC_ERROR_FILE_STYLE (unsafe member name), ARC_ERROR_METHOD,
 * ARC_ERROR_VERSION (level-3 header), ARC_ERROR_NOT_EXIST (a name that selects nothing, a file
 * to pack that is gone), ARC_ERROR_FILE_OPEN (a file or directory to pack cannot be read: it is
 * named in the output buffer, the other files are packed and the archive is written),
 * ARC_ERROR_ENOUGH_MEMORY, ARC_ERROR_USER_CANCEL, ARC_ERROR_TMP_OPEN and ARC_ERROR_TMP_COPY
 * (work file), ARC_ERROR_COMMAND_NAME, ARC_ERROR_NOT_FILENAME, ARC_ERROR_RESPONSE_READ,
 * ARC_ERROR_LONG_FILE_NAME, ARC_ERROR_NOT_SUPPORT (link members), ARC_ERROR_ALREADY_RUNNING.
 * ARC_ERROR_MAKEDIRECTORY is never returned (callers treat it as no error, so a directory that
 * cannot be made is ARC_ERROR_CANNOT_WRITE). A failing member does not stop extraction of the
 * others; the first failure's code is returned and every failure is named in the output buffer.
 *
 * PROGRESS: while a window is attached (SetOwnerWindowEx), "wm_arcextract" goes to it:
 * ARC_STATE_OPEN when the archive is opened, ARC_STATE_BEGIN when a member starts,
 * ARC_STATE_INPROCESS with the bytes written (at least once per member, the last with its whole
 * size), ARC_STATE_COPY before the work file becomes the archive and ARC_STATE_END when the
 * command is finished. A non-zero reply (to any but ARC_STATE_END) cancels: the command stops
 * with ARC_ERROR_USER_CANCEL, an update leaves the old archive as it was, and a file being
 * extracted is removed. The member callback (SetEnumMembersProc64) is called for each existing
 * member a command extracts, tests, replaces or deletes, with a record that starts with a
 * complete ArcMemberRecord (zeros after it, up to the announced size); answering 0 cancels the
 * same way.
 *
 * MEMBER RECORDS: osType is the header's OS id byte ('U' Unix, 'M' MS-DOS, ...); the attribute
 * letters are six: 'd' directory, 'a' archive (every file), 's' system, 'o' read-only (no owner
 * write permission), 'h' hidden (a name starting with '.'), one reserved '-'; a letter not set
 * is '-'. Sizes over 4 GiB read 0xFFFFFFFF in the 32-bit fields; the 64-bit entries give them.
 * GetArchiveType answers 1 for an LZH archive, 0 for any other file, -1 when it cannot be read.
 */
#ifndef VELMORAN_UNLHA32_H
#define VELMORAN_UNLHA32_H

#include "ArchiverContract.h"

ARC_DECLARE_ENTRIES(Unlha)

#endif /* VELMORAN_UNLHA32_H */
