// A file to be packed as a libzip source: opened only when libzip writes the member, read
// up to the size it had when it was selected, with progress per member and cancel. The
// source deflates the data itself (zlib, raw deflate) and hands libzip the finished member
// data: a file of up to 1 MiB is compressed whole and stored instead when deflating does not
// make it smaller; larger files are deflated as a stream. Level 0 passes the bytes through.
// The pack state owns every source's data and must outlive the archive's libzip handle.
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

// A file that could not be read while libzip wrote its member.
struct SourceFailure {
    std::string member;
    std::string text; // "cannot open PATH: reason"
};

// What all file sources of one command share: the progress and the files that failed.
struct PackState {
    explicit PackState(Progress& p);
    ~PackState();
    PackState(const PackState&) = delete;
    PackState& operator=(const PackState&) = delete;

    Progress& progress;
    std::vector<SourceFailure> failures; // in the order they happened
    std::vector<std::unique_ptr<FileSource>> sources;
};

// Creates the source; nullptr on failure (out of memory). The entry must use
// ZIP_CM_DEFAULT (level > 0) or ZIP_CM_STORE (level 0) so that libzip takes the data as it is.
zip_source_t* MakeFileSource(PackState& state, std::string path, std::string memberName,
                             uint64_t size, time_t mtime, int level, zip_error_t* error);

} // namespace vmzip
