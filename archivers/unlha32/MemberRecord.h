// What the program sees of a member: the contract's member record, its attribute letters and
// attribute bits.
#pragma once

#include <cstdint>
#include <string>

#include "ArchiverContract.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha {

// ARC_ATTR_* bits of a member: read-only (no owner write permission, or the MS-DOS bit),
// hidden (a name starting with '.'), system (MS-DOS bit), directory, archive (every file).
uint16_t MemberAttributes(const MemberHeader& header);

// Six letters, one position each: 'd' directory, 'a' archive, 's' system, 'o' read-only,
// 'h' hidden, and a reserved '-'; an attribute not set is '-' (a hidden file: "-a--h-").
std::string AttributeLetters(uint16_t attributes);

// Copies name into a record field of ARC_NAME_MAX + 1 bytes, NUL-terminated, cut at a
// character boundary when too long.
void CopyName(char* field, const std::string& name);

// Fills the library's part of a member record and its time and size extension.
void FillMemberRecord(const MemberHeader& header, ArcMemberRecord& record);

} // namespace unlha
