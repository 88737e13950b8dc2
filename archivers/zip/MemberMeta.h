// What a member carries besides its data: MS-DOS date and time (local), the extended
// time-stamp field with the Unix modification time, Unix permissions and MS-DOS attributes
// in the external attributes, and the texts of the member record.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include <zip.h>

#include "ArchiverContract.h"
#include "MemberStamp.h"

namespace vmzip {

// Writes the extended time-stamp field (0x5455, modification time) into the local header
// and the central directory of entry index; times outside its 32-bit range are left out.
void SetExtendedTime(zip_t* za, zip_uint64_t index, time_t mtime);
// The modification time of that field in the central directory, when present.
std::optional<time_t> ExtendedTime(zip_t* za, zip_uint64_t index);

// External attributes for a file or directory of this Unix mode.
uint32_t ExternalAttributes(mode_t mode);

// The Unix mode of a member: from the high half for Unix archives, else made from the
// MS-DOS attributes (read-only clears the write bits). isDir: the member is a directory.
mode_t MemberMode(uint8_t opsys, uint32_t external, bool isDir);

// Short method name for the member record ("stored", "deflate", ...).
std::string MethodName(int32_t method);

} // namespace vmzip
