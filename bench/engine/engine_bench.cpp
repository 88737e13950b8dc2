// Engine benchmarks' helper (run by bench/engine/run.sh, never a test):
//   engine_bench tree ROOT FILES DIRS MINBYTES MAXBYTES SEED   generates a tree
//   engine_bench text FILE BYTES SEED                          one file of generated prose
//   engine_bench scan ROOT REPS                                our walk against find, interleaved
//   engine_bench run COMMAND ARGS...                           wall, CPU and peak RSS of one run
//                                                              (its standard output discarded)
//   engine_bench definition FILE SRC DST                       a definition with one item
#include "definition/TVMDefinition.h"
#include "platform/FileUtil.h"
#include "select/FileScan.h"
#include "tests/support/RecordingHost.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Pseudo-words that compress roughly like prose.
std::string Prose(std::mt19937& rng, std::size_t bytes) {
    static const char* const syllables[] = {"ka", "re",  "mo",  "tan", "vel", "ri",  "su", "on",
                                            "de", "ba",  "lo",  "mi",  "ter", "as",  "ul", "pe",
                                            "no", "ith", "gra", "ze",  "com", "pro", "ex", "in"};
    std::uniform_int_distribution<int> syl(0, 23), len(1, 4), punct(0, 15);
    std::string text;
    text.reserve(bytes + 16);
    std::size_t column = 0;
    while (text.size() < bytes) {
        const int n = len(rng);
        for (int i = 0; i < n; ++i)
            text += syllables[syl(rng)];
        const int p = punct(rng);
        text += p == 0 ? ". " : p == 1 ? ", " : " ";
        column += static_cast<std::size_t>(n) * 3 + 1;
        if (column > 70) {
            text += '\n';
            column = 0;
        }
    }
    text.resize(bytes);
    return text;
}

// Source-like text: declarations and calls with repeating identifiers.
std::string Source(std::mt19937& rng, std::size_t bytes) {
    static const char* const words[] = {"count", "index", "buffer", "length", "result",
                                        "value", "entry", "name",   "flags",  "offset"};
    std::uniform_int_distribution<int> w(0, 9), n(0, 999);
    std::string text = "#include <stdio.h>\n\n";
    while (text.size() < bytes) {
        text += "static int ";
        text += words[w(rng)];
        text += "_" + std::to_string(n(rng)) + "(int ";
        text += words[w(rng)];
        text += ") {\n    return ";
        text += words[w(rng)];
        text += " + " + std::to_string(n(rng)) + ";\n}\n\n";
    }
    text.resize(bytes);
    return text;
}

void WriteWhole(const std::string& path, const std::string& data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// FILES files spread evenly over DIRS directories below ROOT (eight subdirectories a level):
// plain, source-like, hidden and Japanese names, sizes in [min, max], modification times
// spread over four years.
int MakeTree(const std::string& root, int files, int dirs, int minBytes, int maxBytes,
             unsigned seed) {
    std::mt19937 rng(seed);
    constexpr int fanOut = 8;
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(dirs));
    ::mkdir(root.c_str(), 0755);
    for (int k = 0; k < dirs; ++k) {
        const int parent = k / fanOut - 1;
        const std::string base = parent < 0 ? root : paths[static_cast<std::size_t>(parent)];
        const std::string name = k % 97 == 5 ? "資料 " + std::to_string(k) // Japanese, a space
                                             : "dir" + std::to_string(k);
        paths.push_back(base + "/" + name);
        if (::mkdir(paths.back().c_str(), 0755) != 0) {
            std::perror(paths.back().c_str());
            return 1;
        }
    }
    std::uniform_int_distribution<int> size(minBytes, maxBytes);
    std::uniform_int_distribution<long> age(0, 4L * 365 * 86400);
    const long now = static_cast<long>(::time(nullptr));
    for (int i = 0; i < files; ++i) {
        const std::string& dir = paths[static_cast<std::size_t>(i % dirs)];
        std::string name;
        switch (i % 50) {
        case 7:
            name = ".rc" + std::to_string(i);
            break;
        case 13:
            name = "メモ" + std::to_string(i) + ".txt";
            break;
        default:
            name = "file" + std::to_string(i) + (i % 3 == 0 ? ".c" : i % 3 == 1 ? ".txt" : ".h");
        }
        const std::string path = dir + "/" + name;
        const auto bytes = static_cast<std::size_t>(size(rng));
        WriteWhole(path, i % 3 == 0 ? Source(rng, bytes) : Prose(rng, bytes));
        const timespec t[2] = {{now - age(rng), 0}, {now - age(rng), 0}};
        ::utimensat(AT_FDCWD, path.c_str(), t, 0);
    }
    return 0;
}

struct Usage {
    double Wall = 0, Cpu = 0;
    long MaxRssKib = 0;
    int Status = 0;
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs a command with standard output to /dev/null and measures it.
Usage RunChild(char* const argv[]) {
    const double start = Now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execvp(argv[0], argv);
        std::perror(argv[0]);
        ::_exit(127);
    }
    int status = 0;
    rusage ru{};
    ::wait4(pid, &status, 0, &ru);
    Usage u;
    u.Wall = Now() - start;
    u.Cpu = Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
    u.MaxRssKib = ru.ru_maxrss;
    u.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return u;
}

// The walk of a backup pass: per directory one ScanFiles and one ScanDirs, then each
// subdirectory.
void Walk(const std::string& dir, long& files, long& dirs) {
    selection::TVMFiles fileList, dirList;
    selection::ScanFiles(fileList, dir);
    selection::ScanDirs(dirList, dir, false);
    files += fileList.Count();
    dirs += dirList.Count();
    for (const auto& d : dirList)
        Walk(platform::IncludeTrailingPathDelimiter(dir) + d.Name, files, dirs);
}

Usage TimeWalk(const std::string& root, long& files, long& dirs) {
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    const double start = Now();
    files = dirs = 0;
    Walk(root, files, dirs);
    Usage u;
    u.Wall = Now() - start;
    ::getrusage(RUSAGE_SELF, &after);
    u.Cpu = Seconds(after.ru_utime) + Seconds(after.ru_stime) - Seconds(before.ru_utime) -
            Seconds(before.ru_stime);
    return u;
}

// Best wall and best CPU time of our walk, of plain find and of a find that reads every
// entry's size and time (as a listing with attributes must), taken in turns.
int Scan(const std::string& root, int reps) {
    std::string rootArg = root;
    char findName[] = "find";
    char printfArg[] = "-printf";
    char format[] = "%s %T@ %m\n";
    char* plain[] = {findName, rootArg.data(), nullptr};
    char* stating[] = {findName, rootArg.data(), printfArg, format, nullptr};
    long files = 0, dirs = 0;
    TimeWalk(root, files, dirs); // warm the caches
    RunChild(plain);
    Usage ours{1e9, 1e9}, find{1e9, 1e9}, findStat{1e9, 1e9};
    const auto best = [](Usage& b, const Usage& u) {
        b.Wall = std::min(b.Wall, u.Wall);
        b.Cpu = std::min(b.Cpu, u.Cpu);
    };
    for (int r = 0; r < reps; ++r) {
        best(ours, TimeWalk(root, files, dirs));
        best(find, RunChild(plain));
        best(findStat, RunChild(stating));
    }
    std::printf("scan_files %ld\nscan_dirs %ld\n", files, dirs);
    std::printf("scan_ours %.3f %.3f\n", ours.Wall, ours.Cpu);
    std::printf("scan_find %.3f %.3f\n", find.Wall, find.Cpu);
    std::printf("scan_find_stat %.3f %.3f\n", findStat.Wall, findStat.Cpu);
    return 0;
}

int Definition(const std::string& file, const std::string& src, const std::string& dst) {
    definition::TVMDefinition def;
    auto item = std::make_unique<definition::TVMTask>();
    item->SrcDirs = src;
    item->DstDir = dst;
    item->IncludeHidden = true; // every generated file is backed up
    def.Tasks.push_back(std::move(item));
    def.FileName = file;
    testing_support::RecordingHost quiet;
    def.SaveToFile(quiet);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "tree" && argc == 8)
        return MakeTree(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                        std::atoi(argv[6]), static_cast<unsigned>(std::atoi(argv[7])));
    if (what == "text" && argc == 5) {
        std::mt19937 rng(static_cast<unsigned>(std::atoi(argv[4])));
        WriteWhole(argv[2], Prose(rng, std::strtoull(argv[3], nullptr, 10)));
        return 0;
    }
    if (what == "scan" && argc == 4)
        return Scan(argv[2], std::atoi(argv[3]));
    if (what == "run" && argc > 2) {
        const Usage u = RunChild(argv + 2);
        std::printf("%.3f %.3f %ld %d\n", u.Wall, u.Cpu, u.MaxRssKib, u.Status);
        return 0;
    }
    if (what == "definition" && argc == 5)
        return Definition(argv[2], argv[3], argv[4]);
    std::cerr << "usage: engine_bench tree ROOT FILES DIRS MINBYTES MAXBYTES SEED | text FILE "
                 "BYTES SEED | scan ROOT REPS | run COMMAND... | definition FILE SRC DST\n";
    return 2;
}
