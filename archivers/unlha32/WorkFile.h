// The library's work files: the new version of an archive and each file being extracted, until
// one rename makes it the real file. A work file lies in the directory of the file it becomes
// and is named after it:
//
//     <name>.unlha-XXXXXX
//
// <name> is the target's own name (the archive's file name, or the extracted file's), cut to its
// first kWorkNameBytes bytes when longer so that the whole name fits in 255 bytes, and XXXXXX are
// six random characters of [A-Za-z0-9]. Only a process killed before the rename leaves one
// behind; the caller recognises such a file by the name of its target.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace unlha {

constexpr std::size_t kWorkNameBytes = 242;
constexpr std::string_view kWorkMark = ".unlha-";
constexpr std::size_t kWorkRandomChars = 6;

// Creates a new work file for the target name in the directory dirFd (AT_FDCWD with dirPrefix
// "dir/" for a path), exclusively, not following a link. Returns its descriptor and sets
// created to its name (without dirPrefix), or returns -1 with errno set.
int CreateWorkFile(int dirFd, const std::string& dirPrefix, std::string_view targetName, int flags,
                   mode_t mode, std::string& created);

} // namespace unlha
