// Loading a directory's files or subdirectories into a list, and deleting a directory tree.
#pragma once

#include "platform/FileFind.h"
#include "select/TVMFiles.h"

#include <functional>
#include <string>

namespace selection {

// The files of a directory (not recursive), hidden ones included; a missing directory gives an
// empty list. Links to files count as the file; other special entries are skipped.
void ScanFiles(TVMFiles& list, const std::string& dir);

// The subdirectories of a directory. History directories (names starting with exactly "$vm$")
// only when includeHistory is true. Links to directories are never listed.
void ScanDirs(TVMFiles& list, const std::string& dir, bool includeHistory);

// Told of each entry that a scan leaves out for its kind (links to directories, dangling links,
// links to special files, FIFOs, sockets, devices), in name order.
using SkippedEntryHandler = std::function<void(const platform::SkippedEntry&)>;

// Both lists of a directory from one reading of it, by the rules of ScanFiles and ScanDirs;
// false (and both lists empty) when the directory cannot be read. onSkipped, when given, is told
// of the entries left out for their kind (history directories are not among them).
bool ScanDirectory(TVMFiles& files, TVMFiles& dirs, const std::string& dir, bool includeHistory,
                   const SkippedEntryHandler& onSkipped = {});

// Deletes a directory and everything below it. Symbolic links are removed, never followed.
// Raises platform::EFileError with the system error when the directory cannot be removed.
void DeleteTree(const std::string& dir);

} // namespace selection
