// The commands of the main entry and extraction into memory.
#pragma once

#include <cstdint>

#include "archivers/unlha32/CommandLine.h"
#include "archivers/unlha32/Progress.h"
#include "archivers/unlha32/Report.h"

namespace unlha {

// Runs a parsed command; errors of single members go into the report, failures that end the
// command raise ArchiveError.
void RunCommand(const Command& command, Progress& progress, Report& report);

// x, e: extraction into the directory; t: the same check without writing.
void ExtractMembers(const Command& command, Progress& progress, Report& report, bool test);
// l: the member list into the report.
void ListMembers(const Command& command, Report& report);
// a, u, f: packing files into the archive.
void PackFiles(const Command& command, Progress& progress, Report& report);
// d: removing members from the archive.
void DeleteMembers(const Command& command, Progress& progress, Report& report);

struct MemoryResult {
    uint32_t written = 0;
    int64_t time = 0;
    uint16_t attributes = 0;
    int32_t code = 0; // ARC_ERROR_ENOUGH_MEMORY when the member did not fit
};
// Extracts the first member matching the command's first name into buffer. A member larger
// than the buffer fills it and is answered with ARC_ERROR_ENOUGH_MEMORY (its CRC is still
// checked over the whole member).
MemoryResult ExtractToMemory(const Command& command, Progress& progress, uint8_t* buffer,
                             uint32_t size);

// The method -jm selects: 0 stores; 5, 6 and 7 the -lh5-, -lh6- and -lh7- methods; anything
// else (and no -jm) -lh7-.
const char* PackingMethod(const Switches& switches);

} // namespace unlha
