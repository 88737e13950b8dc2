// Runs one library command in a fresh process under a resource limit, for the tests of a full
// disk, of memory running out and of another user's rights:
// unlha32_run_limited fsize|memory|none <bytes> '<command text>'. fsize limits the size of
// written files (writes then fail as on a full disk); memory allows that many bytes of address
// space more than the process holds at start; none sets no limit (run under setpriv as another
// user). Prints the result code, then the output buffer.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "archivers/unlha32/Unlha32.h"

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    const std::string kind = argv[1];
    const rlim_t bytes = std::strtoull(argv[2], nullptr, 10);
    static char output[1 << 16];
    struct rlimit limit {};
    if (kind == "fsize") {
        std::signal(SIGXFSZ, SIG_IGN);
        limit = {bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    } else if (kind == "memory") {
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        const rlim_t now =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        limit = {now + bytes, now + bytes};
        ::setrlimit(RLIMIT_AS, &limit);
    } else if (kind != "none") {
        return 2;
    }
    const int32_t result = Unlha(nullptr, argv[3], output, sizeof output);
    std::printf("%d\n%s", result, output);
    return 0;
}
