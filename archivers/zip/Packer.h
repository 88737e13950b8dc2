// The writing commands: pack (add and replace), update, freshen and delete.
#pragma once

#include <cstdint>

#include "Commands.h"
#include "OutputText.h"
#include "Progress.h"

namespace vmzip {

// Runs the command; returns 0 or throws ArcError. Names that match no file make the
// command end with ARC_ERROR_NOT_EXIST after the other files were packed.
int32_t RunWriteCommand(const WriteCommand& cmd, Progress& progress, OutputText& out);

} // namespace vmzip
