#include "WorkerCount.h"

#include <cstdlib>
#include <thread>

namespace vmarc {

namespace {

constexpr unsigned kMostThreads = 64;

unsigned FromEnvironment() {
    const char* text = std::getenv("VELMORAN_ARCHIVER_THREADS");
    if (text == nullptr || *text == '\0')
        return 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || text[0] == '-')
        return 0;
    return value > kMostThreads ? kMostThreads : static_cast<unsigned>(value);
}

} // namespace

unsigned WorkerCount(int switchValue) {
    unsigned count = switchValue > 0 ? static_cast<unsigned>(switchValue) : 0;
    if (count == 0)
        count = FromEnvironment();
    if (count == 0)
        count = std::thread::hardware_concurrency();
    if (count == 0)
        count = 1;
    return count > kMostThreads ? kMostThreads : count;
}

} // namespace vmarc
