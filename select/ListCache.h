// The listing cache: a text file beside an archive holding the archive's member list, so that
// the archive need not be opened on every run.
#pragma once

#include "select/TVMFiles.h"

#include <string>

namespace selection {

// The cache file of an archive: the archive's name with its extension replaced by ".lst".
std::string ListCacheFileName(const std::string& archive);

// Reads a cache file (count, then name, size, date-time and attributes per record, CR LF).
// Raises platform::EConvertError on text it cannot parse and platform::EFileError when the file
// cannot be read; the list then holds the records read so far.
void ReadListCache(const std::string& cacheFile, TVMFiles& list);

// Writes the cache file of an archive from a list, atomically. Names holding a line break cannot
// be stored: then no cache is written (an old one is deleted) and false is returned. Raises
// platform::EFileError when the file cannot be written.
bool WriteListCache(const std::string& archive, const TVMFiles& list);

} // namespace selection
