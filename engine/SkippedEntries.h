// The run-log lines that name the source entries a backup leaves out for their kind: links to
// directories, dangling links, FIFOs, sockets and devices. Not an error: they are never backed up.
#pragma once

#include "engine/RunState.h"
#include "platform/FileFind.h"
#include "select/FileScan.h"

#include <string>

namespace engine {

// The Japanese name of a kind of skipped entry.
std::string SkippedKindText(platform::SkippedKind kind);

// A scan's skipped-entry handler that adds one run-log line per entry of dir: its full path and
// its kind.
selection::SkippedEntryHandler SkippedEntryLogger(engine::TRunState& state, const std::string& dir);

} // namespace engine
