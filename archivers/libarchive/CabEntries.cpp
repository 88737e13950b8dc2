// The entries of libcab32.so (prefix Cab).
#include "LibraryEntries.h"

VMLA_LIBRARY_ENTRIES(Cab, vmla::Kind::Cab)
