// Runs one command text through our ZIP libraries, for manual checks:
//     zip_cmd zip '<writing command>'     zip_cmd unzip '<reading command>'
// Prints the output buffer and exits with 0, or 1 after printing the result code.
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <vector>

#include "ArchiverContract.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "zip") != 0 && std::strcmp(argv[1], "unzip") != 0)) {
        std::fprintf(stderr, "usage: zip_cmd zip|unzip COMMAND\n");
        return 2;
    }
    const bool writing = std::strcmp(argv[1], "zip") == 0;
    void* lib = dlopen(writing ? VELMORAN_ZIP32J_PATH : VELMORAN_UNZIP32_PATH, RTLD_NOW);
    if (lib == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto entry = reinterpret_cast<ArcMainFn>(dlsym(lib, writing ? "Zip" : "UnZip"));
    std::vector<char> out(1 << 20);
    const int32_t r = entry(nullptr, argv[2], out.data(), static_cast<uint32_t>(out.size()));
    std::fputs(out.data(), stdout);
    if (r != 0) {
        std::printf("result code 0x%x\n", r);
        return 1;
    }
    return 0;
}
