// The entries of libunrar32.so (prefix Unrar).
#include "LibraryEntries.h"

VMLA_LIBRARY_ENTRIES(Unrar, vmla::Kind::Rar)
