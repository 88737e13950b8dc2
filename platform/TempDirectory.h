// The user's private temporary directory, the stand-in for the system temporary directory.
#pragma once

#include <string>

namespace platform {

// $XDG_CACHE_HOME/Tarn/Velmoran/tmp without a trailing delimiter, created with mode 0700 when
// missing (and narrowed to 0700 when it exists). Never the shared /tmp: files are extracted
// there by their bare names.
std::string SystemTempDir();

} // namespace platform
