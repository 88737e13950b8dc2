// Listing an archive's members into a file list, through the listing cache or the facade.
#pragma once

#include "archives/ArchiveFile.h"
#include "select/TVMFiles.h"

#include <functional>
#include <string>

namespace selection {

// Fills the list with the archive's members. With useCache and a readable cache file the cache
// is used as it is and true is returned. A cache file that is present while useCache is false
// is deleted; one that cannot be read is deleted and reported through log (a run-log line).
// Otherwise the archive is listed through the facade (false is returned); a missing archive
// gives an empty list, a listing failure the members read so far.
bool ListArchive(TVMFiles& list, const std::string& archive, bool useCache,
                 archives::TArchiveFile& af, archives::TArchiverType type,
                 const std::function<void(const std::string&)>& log);

// A member record as a file record: the name after the last "/", the 64-bit size, the
// attribute letters and the MS-DOS time. Raises platform::EConvertError for an invalid time.
TVMFileInfo MemberToFileInfo(const archives::TMemberInfo& member);

} // namespace selection
