// Where the running program lives.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable.
std::string ProgramPath();
// Its directory, without a trailing delimiter.
std::string ProgramDir();

} // namespace platform
