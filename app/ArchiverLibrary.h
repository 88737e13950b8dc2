// Loading the library of the configured archiver type at start-up.
#pragma once

#include "archives/ArchiveFile.h"
#include "engine/RunState.h"

namespace app {

// Sets the facade's archiver type, which loads its library; raises archives::ENoArchiverDLL
// when it cannot be loaded. The ZIP binding leaves a missing library absent without an error
// (any one of its three libraries may stand in for another), so for ZIP the check is made here:
// a reader (UNZIP32 or LMZIP32) and a writer (ZIP32J or LMZIP32) must both be there, as every
// backup needs both.
void LoadArchiverLibrary(archives::TArchiveFile& af, engine::TVMArchiverType type);

} // namespace app
