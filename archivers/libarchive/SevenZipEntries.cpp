// The entries of lib7-zip32.so (prefix SevenZip).
#include "LibraryEntries.h"

VMLA_LIBRARY_ENTRIES(SevenZip, vmla::Kind::SevenZip)
