// The command grammars of the libraries over libarchive, and the request each command becomes.
//
// TAR library (libtar32.so, prefix Tar):
//     x|c [switches] "-fARCHIVE" ["-oDIRECTORY/"] ["name" | "@response" ...]
//   x    extract (the member names may be wildcards: '*', '?', "[...]")
//   c    create a new archive from the named files below DIRECTORY (an existing archive is
//        replaced); directories are packed with everything below them
//   (no word)  ExtractMem: the one member name
//   -z, -zN     create gzip-compressed (level N, default 6); -B, -BN bzip2 (level N, default 9);
//               when reading, the compression is found from the contents and both are accepted
//   -g          keep existing files: a member whose file exists is skipped and named in the
//               output (without it, existing files are replaced, as tar does)
//   -I          do not restore permissions (files get 0666, directories 0777, less the umask)
//   -AH         accepted: hidden files are always packed and extracted
//   --display-dialog=0, --check-all-path=N   accepted: the library never shows anything, and
//               names are always matched against the whole member path
//   --use-directory=0   extract every member under its bare name; =1 (the default) keeps paths
// A name token after "-fARCHIVE" is always a name, even when it starts with '-'; only a
// "-o" token ending in '/' is taken as the directory.
//
// 7z library (lib7-zip32.so, prefix SevenZip):
//     x|e|u|d [switches] "ARCHIVE" ["name" | "@response" ...]
//   x    extract with paths; e  extract every member under its bare name
//   u    add the named files below the -o directory, replacing members of the same name; the
//        archive is rewritten (a new archive when there is none)
//   d    delete the named members (a directory member takes everything below it along); the
//        archive is rewritten
//   -oDIR/     destination (x, e) or base directory (u)
//   -aoa  overwrite existing files; -aos skip them; -aou extract under a new name ("name_1",
//         ...); without any, existing files are skipped and named in the output
//   -r    recurse into named directories (the default); -r- take a directory without its content
//   -x!PATTERN  leave out members (x, e, d) or files (u) whose path matches the wildcard
//   -ms=off, -hide, -y, -wDIR/   accepted: archives are always written beside themselves, and
//         the library never asks
//
// CAB library (libcab32.so, prefix Cab) and RAR library (libunrar32.so, prefix Unrar), reading
// only:
//     -x|-e [switches] "ARCHIVE" ["DESTINATION/"] ["name" | "@response" ...]
//   -x   extract with paths; -e (RAR) or -j (CAB) every member under its bare name
//   (no word)  ExtractMem: the one member name
//   CAB: -o overwrite existing files (else they are skipped); -i, -r, -q, -hDIR/ accepted
//   RAR: -u keep existing files (else they are replaced); -y, -s accepted
//   CAB -a and -f (creating archives) are refused with ARC_ERROR_NOT_SUPPORT.
//
// Every library extracts only regular files and directories below the destination: a member
// whose path is absolute or holds a ".." part, symbolic and hard links, devices, FIFOs and
// sockets are refused by name (ARC_ERROR_FILE_STYLE) and the other members extracted. No
// file is written through a symbolic link: directories are entered without following links,
// and each file is written to a work name in its directory and renamed over the final name.
// A member never yields more bytes than its header declares.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Formats.h"

namespace vmla {

enum class Action { Extract, Memory, Create, Update, Delete };
enum class Existing { Overwrite, Skip, Rename };
enum class Compression { None, Gzip, Bzip2 };

struct Request {
    Action action = Action::Extract;
    Existing existing = Existing::Skip;
    bool junkPaths = false;
    bool keepPermissions = true;
    bool recurse = true;
    Compression compression = Compression::None;
    int level = -1; // -1: the filter's default
    std::string archive;
    std::string directory; // destination or base directory; empty: the current directory
    std::vector<std::string> names;
    std::vector<std::string> excludes;
};

// Parses the command text of a library's main entry (memory: ExtractMem's text). Throws
// ArcError: an unknown command or switch (ARC_ERROR_COMMAND_NAME), a missing archive name
// (ARC_ERROR_NOT_FILENAME), an operation the library does not offer (ARC_ERROR_NOT_SUPPORT).
Request ParseRequest(Kind kind, std::string_view text, bool memory);

} // namespace vmla
