// Directory listing with MS-DOS style attributes, time stamps and the link rules of the program:
// the stand-in for FindFirstFile / FindNextFile.
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::uint32_t faReadOnly = 0x01; // the owner may not write
inline constexpr std::uint32_t faHidden = 0x02;   // the name starts with "."
inline constexpr std::uint32_t faSysFile = 0x04;  // never set on Linux
inline constexpr std::uint32_t faDirectory = 0x10;
inline constexpr std::uint32_t faArchive = 0x20; // every regular file
inline constexpr std::uint32_t faAnyFile = 0x3F;

struct FileEntry {
    std::string Name; // the entry's name inside its directory
    std::uint64_t Size = 0;
    std::uint32_t Attr = 0;
    TDateTime Time = 0; // last write, local time, truncated to 2 s, clamped to 1980..2107
};

// Information on one entry by path. Links to files describe the file they point to; links to
// directories, dangling links, FIFOs, sockets and devices give nullopt, as does a missing entry.
std::optional<FileEntry> FindEntry(const std::string& path);

// Whether anything of that name exists (links are not followed).
bool EntryExists(const std::string& path);

// Which entries a listing keeps: everything, files (and links to files) only, or directories
// only. Entries of a kind not wanted are passed over without reading their attributes.
enum class EntryKinds { All, Files, Directories };

// The kinds of entry that a listing leaves out by the rules of FindEntry.
enum class SkippedKind {
    DirectoryLink, // a symbolic link to a directory (never descended)
    DanglingLink,  // a symbolic link whose target does not exist
    SpecialLink,   // a symbolic link to a FIFO, socket or device
    Fifo,
    Socket,
    CharacterDevice,
    BlockDevice,
};

struct SkippedEntry {
    std::string Name;
    SkippedKind Kind;
};

// The entries of a directory (without "." and ".."), by the rules of FindEntry, sorted by the
// bytes of their names. False when the directory cannot be read. With `skipped`, a listing of
// EntryKinds::All also returns the entries it leaves out for their kind, sorted the same way
// (no special file is ever opened; the entry's type is all that is read).
bool ListDirectory(const std::string& dir, std::vector<FileEntry>& entries,
                   EntryKinds kinds = EntryKinds::All,
                   std::vector<SkippedEntry>* skipped = nullptr);

// Whether an entry passes a FindFirst attribute filter: entries that are hidden, system or
// directories are found only when the filter names those attributes.
bool MatchesSearchAttr(std::uint32_t entryAttr, std::uint32_t searchAttr);

// Converts a file's modification time (Unix seconds) by the rules above.
TDateTime FileTimeToDateTime(std::int64_t unixSeconds);

} // namespace platform
