// The two command grammars the program sends to the ZIP libraries.
//
// Reading kind (UnZip main entry, ExtractMem):
//     [-x|-e|-l|-t] [switches] "archive" ["destination/"] ["name" | "@response" ...]
//   -x   extract members with their paths below the destination (the default word)
//   -e   extract members without their paths (as -x -j)
//   -l   list members into the output buffer
//   -t   test members: read every selected member and check its CRC, write nothing
//   -o   overwrite existing files whatever their time stamps; without it an existing file
//        is kept and the member skipped
//   -n   never overwrite (the default; accepted for symmetry with -o)
//   --i  never ask anything (the library never asks; progress still goes to the owner window)
//   -j   junk paths: extract every member under its bare name
//   -q   quiet: no text in the output buffer except error messages
//   -jt<N>  the thread switch of the writing kind (see there), accepted so that one setting
//        can be sent to every command; reading runs on the calling thread
//   --   ends the switches
// ExtractMem carries no command word and exactly one member name.
// Only files and directories are made: symbolic links, devices, FIFOs and sockets are refused
// by name (ARC_ERROR_FILE_STYLE) and the other members extracted. Entries that name the
// destination itself ("./", as bsdtar writes) are skipped silently, and "." parts are dropped
// from every name. An archive whose central directory is missing, cut off or disagrees with a
// member's local header is read from its local headers instead: every intact member is
// extracted (tested, listed), the damage goes to the output and the command ends with
// ARC_ERROR_HEADER_BROKEN. Each file is written as its name, ".unzip-" and six letters and
// digits in its directory and renamed into place once its CRC agreed; a process killed
// meanwhile leaves that work file behind.
//
// Writing kind (Zip main entry):
//     [-d|-f] [switches] "archive" ["base/"] ["name" | "@response" ...]
//   (no word)  pack: add the named files; a member of the same name is replaced whatever
//        the two time stamps are (the engine relies on this)
//   -d   delete the named members (no base directory); names that match nothing are listed
//        in the output and are not an error; deleting every member removes the archive file
//   -f   freshen: replace members whose file is newer, add nothing new
//   -u   update: add new files, replace members only by newer files
//   -S   wildcards and -r also take hidden files (names starting with '.'); a name given
//        exactly is always taken
//   -D   add no directory members
//   -v   verbose: one line per member into the output buffer
//   -q   quiet: only error messages into the output buffer
//   -r   recurse into named directories (and, with wildcards, apply the mask in every
//        subdirectory)
//   -o   replace members without asking (the library never asks, so it is always so)
//   -j   junk paths: store files under their bare names
//   -0   store without compression; -1 .. -9 deflate at that level (default -6)
//   -FF  accepted: the existing archive is always checked (every member's local header
//        against the central directory), and a damaged one is refused with
//        ARC_ERROR_HEADER_BROKEN rather than rebuilt, so nothing is lost
//   -k   accepted: there are no short names on this platform, names stay as they are
//   -J   accepted: archives are written without any data in front of the first member
//   --   ends the switches
//   -A   (self-extracting stubs) is refused with "not supported"
//   -jt<N>  (a token of its own, N one or more digits) compresses the members on N threads;
//        -jt0, and no -jt, mean the default: VELMORAN_ARCHIVER_THREADS when it holds a number
//        above 0, else one thread per core. With one thread the calling thread does all the
//        work; with more, worker threads deflate the members ahead of the writer (a few
//        MiB per thread at most held in memory). Progress and cancel stay on the calling
//        thread, and the archive's content is the same whatever the number.
// Names are relative to the base directory (or the current one); every member name is made
// relative: leading '/' and "." or ".." parts are dropped. Directories given without -r add
// only their directory member (none with -D). Special files (FIFOs, devices, sockets) and
// symbolic links to directories are never read; links to files are stored as the file.
// A file that cannot be read (no permission, gone since it was named, a directory that -r
// cannot list) is left out and named in the output ("cannot open PATH: reason"), the others
// are packed, a member of the same name stays as it was, and the command ends with
// ARC_ERROR_FILE_OPEN (before ARC_ERROR_NOT_EXIST for names that match no file).
// The new archive is written as "ARCHIVE.XXXXXX" (six letters and digits) beside the archive
// (beside the file a symbolic link names) and renamed over it; a process killed meanwhile
// leaves that work file behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vmzip {

enum class ReadAction { Extract, List, Test, Memory };

struct ReadCommand {
    ReadAction action = ReadAction::Extract;
    bool overwrite = false;
    bool junkPaths = false;
    bool quiet = false;
    int threads = 0; // -jt<N>, as for writing
    std::string archive;
    std::string destDir;            // empty: the current directory
    std::vector<std::string> names; // escaped names as sent; response files expanded
};

enum class WriteAction { Add, Freshen, Delete };

struct WriteCommand {
    WriteAction action = WriteAction::Add;
    bool onlyNewer = false; // -u
    bool includeHidden = false;
    bool noDirEntries = false;
    bool verbose = false;
    bool quiet = false;
    bool recurse = false;
    bool junkPaths = false;
    int level = 6;
    int threads = 0; // -jt<N>; 0: the default (see WorkerCount.h)
    std::string archive;
    std::string baseDir;
    std::vector<std::string> names;
};

// Throws ArcError for an unknown switch or a missing archive name.
ReadCommand ParseReadCommand(std::string_view text, bool memory);
WriteCommand ParseWriteCommand(std::string_view text);

} // namespace vmzip
