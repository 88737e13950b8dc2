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
//   --   ends the switches
// ExtractMem carries no command word and exactly one member name.
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
//   -FF  accepted: the existing archive is always read as far as it can be verified, and a
//        damaged one is refused rather than rebuilt, so nothing is lost
//   -k   accepted: there are no short names on this platform, names stay as they are
//   -J   accepted: archives are written without any data in front of the first member
//   --   ends the switches
//   -A   (self-extracting stubs) is refused with "not supported"
// Names are relative to the base directory (or the current one); every member name is made
// relative: leading '/' and "." or ".." parts are dropped. Directories given without -r add
// only their directory member (none with -D). Special files (FIFOs, devices, sockets) and
// symbolic links to directories are never read; links to files are stored as the file.
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
    std::string archive;
    std::string baseDir;
    std::vector<std::string> names;
};

// Throws ArcError for an unknown switch or a missing archive name.
ReadCommand ParseReadCommand(std::string_view text, bool memory);
WriteCommand ParseWriteCommand(std::string_view text);

} // namespace vmzip
