// Named data streams carried as extra archive members. This platform offers no volume with named
// streams yet, so files contribute no stream members and no stream is restored.
#pragma once

#include "archives/ArchiverTypes.h"

#include <string>
#include <vector>

namespace archives {

// Exports the named streams of the file at path (archive name `name`) into temporary files
// beside it; their names go into tempFiles and their archive names into result.
void ExportNamedStreams(const std::string& path, const std::string& name,
                        const std::string& separator, TFileItems& result,
                        std::vector<std::string>& tempFiles);

// Writes an extracted stream member back into its stream and deletes it; false (the file is
// kept) when that cannot be done.
bool RestoreNamedStream(const std::string& extractedFile, const std::string& separator);

} // namespace archives
