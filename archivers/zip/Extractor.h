// The reading commands: extract, list, test, and extraction of one member into memory.
#pragma once

#include <cstdint>

#include "Commands.h"
#include "OutputText.h"
#include "Progress.h"

namespace vmzip {

// Runs an extract, list or test command; returns 0 or throws ArcError. A member that fails
// (CRC, unsafe name, unsupported method) is left out and the command goes on with the others;
// a full disk, a cancel or lack of memory stop it at once.
int32_t RunReadCommand(const ReadCommand& cmd, Progress& progress, OutputText& out);

struct MemoryTarget {
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    int64_t* time = nullptr;
    uint16_t* attributes = nullptr;
    uint32_t* written = nullptr;
};

// Extracts the one member named by the command into the buffer. A member larger than the
// buffer fills it and gives ARC_ERROR_MORE_HEAP_MEMORY.
int32_t RunMemoryCommand(const ReadCommand& cmd, Progress& progress, const MemoryTarget& target);

} // namespace vmzip
