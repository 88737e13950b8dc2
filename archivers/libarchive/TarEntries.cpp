// The entries of libtar32.so (prefix Tar).
#include "LibraryEntries.h"

VMLA_LIBRARY_ENTRIES(Tar, vmla::Kind::Tar)
