// Packs and extracts the benchmark corpus with our ZIP libraries and with zip/unzip, in one
// run, and prints the times and sizes side by side. Usage: zip_bench CORPUS WORKDIR [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ArchiverContract.h"

namespace fs = std::filesystem;

namespace {

ArcMainFn g_zip = nullptr;
ArcMainFn g_unzip = nullptr;

void Load() {
    void* unzip = dlopen(VELMORAN_UNZIP32_PATH, RTLD_NOW);
    void* zip = dlopen(VELMORAN_ZIP32J_PATH, RTLD_NOW);
    if (unzip == nullptr || zip == nullptr) {
        std::fprintf(stderr, "cannot load the libraries: %s\n", dlerror());
        std::exit(2);
    }
    g_unzip = reinterpret_cast<ArcMainFn>(dlsym(unzip, "UnZip"));
    g_zip = reinterpret_cast<ArcMainFn>(dlsym(zip, "Zip"));
}

std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}
std::string Sh(const std::string& s) {
    return "'" + s + "'";
}

// Wall time and CPU time (user + system, of this process's threads and of the commands it
// ran) in seconds.
struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
};

double CpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        struct rusage ru {};
        getrusage(who, &ru);
        total += static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                 static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// The run with the best wall time of runs calls; prepare runs untimed before each.
Timing Best(int runs, const std::function<void()>& prepare, const std::function<bool()>& work) {
    Timing best;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const double cpu = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (!work()) {
            std::fprintf(stderr, "a step failed\n");
            std::exit(1);
        }
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        if (d.count() < best.wall)
            best = Timing{d.count(), CpuSeconds() - cpu};
    }
    return best;
}

Timing Faster(const Timing& a, const Timing& b) {
    return a.wall <= b.wall ? a : b;
}

bool Ours(ArcMainFn fn, const std::string& cmd) {
    char out[1024] = "";
    const int32_t r = fn(nullptr, cmd.c_str(), out, sizeof out);
    if (r != 0)
        std::fprintf(stderr, "code 0x%x: %s\n", r, out);
    return r == 0;
}

bool Run(const std::string& cmd) {
    return std::system(cmd.c_str()) == 0;
}

std::string Escape(const std::string& name) {
    std::string out = name[0] == '-' ? "[-]" : std::string(1, name[0]);
    for (std::size_t i = 1; i < name.size(); ++i)
        out += name[i] == '[' ? std::string("[[]") : std::string(1, name[i]);
    if (name[0] == '[')
        out = "[[]" + out.substr(1);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zip_bench CORPUS WORKDIR [RUNS]\n");
        return 2;
    }
    const std::string corpus = fs::absolute(argv[1]).string();
    const std::string work = fs::absolute(argv[2]).string();
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    Load();
    fs::create_directories(work);

    std::vector<std::string> names;
    uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus)) {
        if (e.is_regular_file() && e.path().filename() != ".complete") {
            names.push_back(fs::relative(e.path(), corpus).string());
            bytes += e.file_size();
        }
    }
    std::sort(names.begin(), names.end());
    const std::string resp = work + "/names.txt";
    {
        std::ofstream r(resp, std::ios::binary);
        for (const std::string& n : names)
            r << Q(Escape(n)) << "\r\n";
    }
    std::printf("corpus: %zu files, %.1f MiB\n", names.size(), bytes / 1048576.0);

    const std::string ours = work + "/ours.zip";
    const std::string theirs = work + "/zip.zip";
    const std::string out = work + "/out";
    // Before every timed step the previous output is removed and flushed, so that no step
    // pays for the write-back of another.
    auto removeArchive = [](const std::string& a) {
        return [a] {
            fs::remove(a);
            sync();
        };
    };
    auto removeDir = [&] {
        fs::remove_all(out);
        sync();
    };

    // The program sends no level for packing (the default, 6): " -S -D -q -o". Ours and zip
    // take turns.
    Timing packOurs, packOne, packZip;
    for (int i = 0; i < runs; ++i) {
        packOurs = Faster(packOurs, Best(1, removeArchive(ours), [&] {
                              return Ours(g_zip, " -S -D -q -o  " + Q(ours) + " " +
                                                     Q(corpus + "/") + " " + Q("@" + resp));
                          }));
        packOne = Faster(packOne, Best(1, removeArchive(ours), [&] {
                             return Ours(g_zip, " -S -D -q -o -jt1  " + Q(ours) + " " +
                                                    Q(corpus + "/") + " " + Q("@" + resp));
                         }));
        packZip = Faster(packZip, Best(1, removeArchive(theirs), [&] {
                             return Run("cd " + Sh(corpus) + " && zip -q -r -6 " + Sh(theirs) +
                                        " . -x .complete");
                         }));
    }
    const Timing batched = Best(1, removeArchive(work + "/batched.zip"), [&] {
        for (std::size_t i = 0; i < names.size(); i += 500) {
            std::string cmd = " -S -D -q -o  " + Q(work + "/batched.zip") + " " + Q(corpus + "/");
            for (std::size_t k = i; k < std::min(names.size(), i + 500); ++k)
                cmd += " " + Q(Escape(names[k]));
            if (!Ours(g_zip, cmd))
                return false;
        }
        return true;
    });
    const uint64_t sizeOurs = fs::file_size(ours);
    const uint64_t sizeZip = fs::file_size(theirs);

    // Ours and unzip take turns, so that both meet the same state of the page cache.
    Timing unOursOwn, unzipOwn, unOursZip, unzipZip;
    bool sameOurs = true, sameZip = true;
    for (int i = 0; i < runs; ++i) {
        unOursOwn = Faster(unOursOwn, Best(1, removeDir, [&] {
                               return Ours(g_unzip, "-x -o " + Q(ours) + " " + Q(out + "/"));
                           }));
        if (i == 0)
            sameOurs = Run("diff -r -q -x .complete " + Sh(corpus) + " " + Sh(out));
        unzipOwn = Faster(unzipOwn, Best(1, removeDir, [&] {
                              return Run("unzip -q -o " + Sh(ours) + " -d " + Sh(out));
                          }));
        unOursZip = Faster(unOursZip, Best(1, removeDir, [&] {
                               return Ours(g_unzip, "-x -o " + Q(theirs) + " " + Q(out + "/"));
                           }));
        if (i == 0)
            sameZip = Run("diff -r -q -x .complete " + Sh(corpus) + " " + Sh(out));
        unzipZip = Faster(unzipZip, Best(1, removeDir, [&] {
                              return Run("unzip -q -o " + Sh(theirs) + " -d " + Sh(out));
                          }));
    }
    removeDir();

    const char* env = std::getenv("VELMORAN_ARCHIVER_THREADS");
    std::printf("archiver threads: %s (cores: %u)\n",
                env != nullptr && *env != '\0' ? env : "one per core",
                std::thread::hardware_concurrency());
    std::printf("\n%-40s %9s %9s %9s %9s %7s %7s\n", "", "ours", "ours", "zip/unzip", "zip/unzip",
                "ratio", "ratio");
    std::printf("%-40s %9s %9s %9s %9s %7s %7s\n", "", "wall s", "CPU s", "wall s", "CPU s", "wall",
                "CPU");
    auto row = [](const char* what, const Timing& a, const Timing& b) {
        std::printf("%-40s %9.2f %9.2f %9.2f %9.2f %7.3f %7.3f\n", what, a.wall, a.cpu, b.wall,
                    b.cpu, a.wall / b.wall, a.cpu / b.cpu);
    };
    row("pack (default level 6), one call", packOurs, packZip);
    row("  the same on one thread (-jt1)", packOne, packZip);
    std::printf("%-40s %9.2f %9.2f\n", "pack in engine batches of 500 names", batched.wall,
                batched.cpu);
    std::printf("%-40s %10llu %10llu %8.4f\n", "archive size (bytes)",
                static_cast<unsigned long long>(sizeOurs), static_cast<unsigned long long>(sizeZip),
                static_cast<double>(sizeOurs) / static_cast<double>(sizeZip));
    row("extract our archive", unOursOwn, unzipOwn);
    row("extract zip's archive", unOursZip, unzipZip);
    std::printf("\nour extraction identical to the corpus: %s (our archive), %s (zip's)\n",
                sameOurs ? "yes" : "NO", sameZip ? "yes" : "NO");
    std::printf(
        "goals (wall time): pack <= 1.1 x zip: %s; size within 1%%: %s; extraction <= unzip: %s\n",
        packOurs.wall <= 1.1 * packZip.wall ? "met" : "MISSED",
        sizeOurs <= sizeZip * 1.01 ? "met" : "MISSED",
        unOursOwn.wall <= unzipOwn.wall && unOursZip.wall <= unzipZip.wall ? "met" : "MISSED");
    return 0;
}
