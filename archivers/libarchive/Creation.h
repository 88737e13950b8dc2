// Writing commands: a new tar (plain, gzip, bzip2) archive from files, and the 7z library's
// update and delete, which rewrite the whole archive. The new archive is written as
// "ARCHIVE.XXXXXX" beside the archive and renamed over it only when complete, so a failure
// never damages the old one.
#pragma once

#include <cstdint>

#include "OutputText.h"
#include "Progress.h"
#include "Request.h"

namespace vmla {

// Names are relative to the request's directory. Directories are taken with everything below
// them (unless the request says otherwise); symbolic links to files are taken as the file,
// links to directories, dangling links and special files are left out by name. A file that
// cannot be read is named in the output, the others are packed, and the command ends with
// ARC_ERROR_FILE_OPEN; names that match no file give ARC_ERROR_NOT_EXIST. Returns 0 or throws
// ArcError.
int32_t RunCreation(Kind kind, const Request& request, vmzip::Progress& progress,
                    vmzip::OutputText& out);

} // namespace vmla
