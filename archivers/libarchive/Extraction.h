// Extraction commands: members to files below a destination, or one member into memory.
#pragma once

#include <cstdint>

#include "OutputText.h"
#include "Progress.h"
#include "Request.h"

namespace vmla {

// Extracts the selected members (see Request.h for the safety rules). A member that fails is
// named in the output and the others go on; a full disk, a cancel or lack of memory stop the
// command at once. Returns 0 or throws ArcError with the first failure's code.
int32_t RunExtraction(Kind kind, const Request& request, vmzip::Progress& progress,
                      vmzip::OutputText& out);

struct MemoryTarget {
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    int64_t* time = nullptr;
    uint16_t* attributes = nullptr;
    uint32_t* written = nullptr;
};

// The first member the request's one name takes, into the buffer. A member larger than the
// buffer fills it and gives ARC_ERROR_MORE_HEAP_MEMORY.
int32_t RunMemoryExtraction(Kind kind, const Request& request, vmzip::Progress& progress,
                            const MemoryTarget& target);

} // namespace vmla
