// Loading a directory's files or subdirectories into a list, and deleting a directory tree.
#pragma once

#include "select/TVMFiles.h"

#include <string>

namespace selection {

// The files of a directory (not recursive), hidden ones included; a missing directory gives an
// empty list. Links to files count as the file; other special entries are skipped.
void ScanFiles(TVMFiles& list, const std::string& dir);

// The subdirectories of a directory. History directories (names starting with exactly "$vm$")
// only when includeHistory is true. Links to directories are never listed.
void ScanDirs(TVMFiles& list, const std::string& dir, bool includeHistory);

// Both lists of a directory from one reading of it, by the rules of ScanFiles and ScanDirs;
// false (and both lists empty) when the directory cannot be read.
bool ScanDirectory(TVMFiles& files, TVMFiles& dirs, const std::string& dir, bool includeHistory);

// Deletes a directory and everything below it. Symbolic links are removed, never followed.
// Raises platform::EFileError with the system error when the directory cannot be removed.
void DeleteTree(const std::string& dir);

} // namespace selection
