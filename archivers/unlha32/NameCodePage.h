// The code page a member header announces for its name. Names are stored as the bytes of the
// file system, whatever they are. A name that is not valid UTF-8 (a Latin-1 name, say) stops
// readers that decode names as UTF-8 or CP932: libarchive gives up on the rest of the archive
// there. Such a header names a single-byte code page under which every byte of the name decodes,
// so those readers go on; this library itself never converts a name.
#pragma once

#include <cstdint>
#include <string_view>

namespace unlha {

bool IsValidUtf8(std::string_view text);

// 0 for a name that is valid UTF-8 (nothing is announced); otherwise 1252 (Windows Latin-1),
// or 437 for a name holding one of the five bytes 1252 leaves undefined.
uint32_t AnnouncedCodePage(std::string_view name);

} // namespace unlha
