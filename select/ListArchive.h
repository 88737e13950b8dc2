// Listing an archive's members into a file list, through the listing cache or the facade.
#pragma once

#include "archives/ArchiveFile.h"
#include "select/TVMFiles.h"

#include <functional>
#include <string>

namespace selection {

// Where a listing came from. Failed: the archive exists but could not be opened or listed to
// its end (damaged, truncated, of another format); the list then holds the members read so far
// and must not be taken as the archive's contents.
enum class TListOutcome { Archive, Cache, Failed };

// Fills the list with the archive's members. With useCache and a readable cache file the cache
// is used as it is (Cache). A cache file that is present while useCache is false is deleted;
// one that cannot be read is deleted and reported through log (a run-log line). Otherwise the
// archive is listed through the facade (Archive, or Failed); a missing archive gives an empty
// list (Archive): callers that must tell it from an empty one check for the file themselves.
TListOutcome ListArchive(TVMFiles& list, const std::string& archive, bool useCache,
                         archives::TArchiveFile& af, archives::TArchiverType type,
                         const std::function<void(const std::string&)>& log);

// A member record as a file record: the name after the last "/", the 64-bit size, the
// attribute letters and the MS-DOS time. Raises platform::EConvertError for an invalid time.
TVMFileInfo MemberToFileInfo(const archives::TMemberInfo& member);

} // namespace selection
