// How many worker threads a command of our archiver libraries uses.
#pragma once

namespace vmarc {

// The number of threads that compress members: the value of the command's thread switch when
// it is above 0, else VELMORAN_ARCHIVER_THREADS when that holds a number above 0, else one per
// core. Never below 1; values above 64 count as 64. One thread means no worker threads at
// all: the calling thread does the work itself.
unsigned WorkerCount(int switchValue);

} // namespace vmarc
