// A file to be packed as a libzip source: opened only when libzip writes the member, read
// up to the size it had when it was selected, with progress per member and cancel. The pack
// state owns every source's data and must outlive the archive's libzip handle.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <zip.h>

#include "Progress.h"

namespace vmzip {

class FileSource;

// What all file sources of one command share: the progress and the first failure.
struct PackState {
    explicit PackState(Progress& p);
    ~PackState();
    PackState(const PackState&) = delete;
    PackState& operator=(const PackState&) = delete;

    Progress& progress;
    std::string failure; // first file that could not be read, with the reason
    std::vector<std::unique_ptr<FileSource>> sources;
};

// Creates the source; nullptr on failure (out of memory).
zip_source_t* MakeFileSource(PackState& state, std::string path, std::string memberName,
                             uint64_t size, time_t mtime, zip_error_t* error);

} // namespace vmzip
