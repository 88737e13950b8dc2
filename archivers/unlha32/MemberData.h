// Reading a member's data back: decoding (or copying a stored member) with its CRC-16 checked.
#pragma once

#include <cstdint>

#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/MemberHeader.h"
#include "archivers/unlha32/Progress.h"

namespace unlha {

// Decodes the current member of reader into out (nullptr: only checked). Progress, when given,
// hears the bytes written. Raises ArchiveError for an unsupported method, broken data
// (ARC_ERROR_HUFFMAN_CODE) and a CRC mismatch (ARC_ERROR_FILE_CRC).
void ReadMemberData(ArchiveReader& reader, const MemberHeader& header, ByteSink* out,
                    Progress* progress);

} // namespace unlha
