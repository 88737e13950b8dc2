// Runs one command of libunlha32.so (loaded from this program's directory) and prints its
// result, the output buffer on failure, the wall time and the peak memory of the process.
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "ArchiverContract.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s 'command text'\n", argv[0]);
        return 2;
    }
    std::vector<char> self(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::string dir = n > 0 ? std::string(self.data(), static_cast<std::size_t>(n)) : ".";
    dir = dir.substr(0, dir.rfind('/'));
    void* lib = ::dlopen((dir + "/libunlha32.so").c_str(), RTLD_NOW);
    if (lib == nullptr) {
        std::fprintf(stderr, "%s\n", ::dlerror());
        return 2;
    }
    auto run = reinterpret_cast<ArcMainFn>(::dlsym(lib, "Unlha"));
    std::vector<char> output(1 << 16, '\0');
    const auto start = std::chrono::steady_clock::now();
    const int32_t result =
        run(nullptr, argv[1], output.data(), static_cast<uint32_t>(output.size()));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    if (result != 0)
        std::fprintf(stderr, "%s\n", output.data());
    std::printf("result=0x%x seconds=%.3f maxrss_kib=%ld\n", static_cast<unsigned>(result), seconds,
                usage.ru_maxrss);
    return result == 0 ? 0 : 1;
}
