// A file to be packed as a libzip source. Its finished member data (see MemberDeflater) are
// made either by worker threads ahead of libzip, in the order libzip writes the members, or,
// when no worker has them (one thread; a member written a second time after a failed write),
// by the source itself as libzip reads. Progress per member and cancel are handled here, on
// the thread that writes the archive. The pack state owns every source's data and must
// outlive the archive's libzip handle.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <zip.h>

#include "MemberDeflater.h"
#include "OrderedWork.h"
#include "Progress.h"

namespace vmzip {

class FileSource;

// A file that could not be read while libzip wrote its member.
struct SourceFailure {
    std::string member;
    std::string text; // "cannot open PATH: reason"
};

// What all file sources of one command share: the progress, the files that failed and the
// worker threads.
struct PackState {
    explicit PackState(Progress& p);
    ~PackState();
    PackState(const PackState&) = delete;
    PackState& operator=(const PackState&) = delete;

    Progress& progress;
    std::vector<SourceFailure> failures; // in the order they happened
    std::vector<std::unique_ptr<FileSource>> sources;
    // Declared last, so it goes first: its threads read the sources.
    std::unique_ptr<vmarc::OrderedWork<DeflatedPiece>> work;
};

// Creates the source; nullptr on failure (out of memory). The entry must use
// ZIP_CM_DEFAULT (level > 0) or ZIP_CM_STORE (level 0) so that libzip takes the data as it is.
zip_source_t* MakeFileSource(PackState& state, std::string path, std::string memberName,
                             uint64_t size, time_t mtime, int level, zip_error_t* error);

// The source made last became the archive's entry index.
void NoteArchiveIndex(PackState& state, zip_uint64_t index);

// With more than one thread, starts that many workers that make the data of the sources with
// an entry index, in the order of the indexes (the order libzip writes them). Call it once,
// after the last source was made.
void StartWorkers(PackState& state, unsigned threads);

} // namespace vmzip
