// The data of a member whose compression libzip (as built here) cannot decode: LZMA, xz and
// PPMd. libarchive reads them from the same archive, found by their place in the
// central directory, and the CRC and size of the central directory are checked here too.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "MemberCatalog.h"

namespace vmzip {

// True when libzip cannot decode the method itself.
bool NeedsForeignDecoder(int32_t method);

// Opens member index (of the central directory) of the archive at path. Throws ArcError:
// ARC_ERROR_METHOD for a method libarchive cannot decode either (Deflate64, zstd here).
std::unique_ptr<MemberData> OpenForeignMember(const std::string& path, uint64_t index,
                                              const MemberInfo& member);

} // namespace vmzip
