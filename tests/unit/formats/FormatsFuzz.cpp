// Fuzz loop over damaged tar, tar.gz, tar.bz2, 7z, CAB and RAR archives, built with
// AddressSanitizer and UndefinedBehaviorSanitizer over the libraries' own sources (libarchive
// itself is not instrumented): every entry must answer with a code, never crash, and nothing
// may appear outside the destination.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ArchiveBytes.h"
#include "ArchiverContract.h"

ARC_DECLARE_ENTRIES(Tar)
ARC_DECLARE_ENTRIES(SevenZip)
ARC_DECLARE_ENTRIES(Cab)
ARC_DECLARE_ENTRIES(Unrar)

using namespace formats_test;

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    }
}

struct Library {
    const char* name;
    ArcMainFn main;
    ArcOpenArchiveFn open;
    ArcCloseArchiveFn close;
    ArcFindFirstFn first;
    ArcFindNextFn next;
    ArcCheckArchiveFn check;
    ArcExtractMemFn memory;
    ArcGetArchiveTypeFn type;
    std::string (*extract)(const std::string& archive, const std::string& dest);
    std::string (*memoryCommand)(const std::string& archive);
};

std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

const Library kTar{"tar",
                   Tar,
                   TarOpenArchive,
                   TarCloseArchive,
                   TarFindFirst,
                   TarFindNext,
                   TarCheckArchive,
                   TarExtractMem,
                   TarGetArchiveType,
                   [](const std::string& a, const std::string& d) {
                       return "x " + Q("-f" + a) + " " + Q("-o" + d + "/");
                   },
                   [](const std::string& a) { return " " + Q("-f" + a) + " \"readme.txt\""; }};
const Library kSevenZip{"7z",
                        SevenZip,
                        SevenZipOpenArchive,
                        SevenZipCloseArchive,
                        SevenZipFindFirst,
                        SevenZipFindNext,
                        SevenZipCheckArchive,
                        nullptr,
                        SevenZipGetArchiveType,
                        [](const std::string& a, const std::string& d) {
                            return "x -aoa -ms=off " + Q("-o" + d + "/") + " " + Q(a);
                        },
                        nullptr};
const Library kCab{
    "cab",
    Cab,
    CabOpenArchive,
    CabCloseArchive,
    CabFindFirst,
    CabFindNext,
    CabCheckArchive,
    CabExtractMem,
    CabGetArchiveType,
    [](const std::string& a, const std::string& d) { return "-x -o " + Q(a) + " " + Q(d + "/"); },
    [](const std::string& a) { return " " + Q(a) + " \"readme.txt\""; }};
const Library kRar{
    "rar",
    Unrar,
    UnrarOpenArchive,
    UnrarCloseArchive,
    UnrarFindFirst,
    UnrarFindNext,
    UnrarCheckArchive,
    UnrarExtractMem,
    UnrarGetArchiveType,
    [](const std::string& a, const std::string& d) { return "-x " + Q(a) + " " + Q(d + "/"); },
    [](const std::string& a) { return " " + Q(a) + " \"readme.txt\""; }};

void Exercise(const Library& lib, const std::string& root, const std::string& path) {
    lib.check(path.c_str(), ARC_CHECK_FULLCRC);
    lib.type(path.c_str());
    if (ArcHandle h = lib.open(nullptr, path.c_str(), ARC_OPEN_LIST)) {
        ArcMemberRecord r{};
        int guard = 0;
        for (int32_t found = lib.first(h, "*", &r); found == 0 && guard < 10000;
             found = lib.next(h, &r), ++guard) {
        }
        lib.close(h);
    }
    if (lib.memory != nullptr) {
        std::vector<unsigned char> buffer(1 << 16);
        uint32_t written = 0;
        lib.memory(nullptr, lib.memoryCommand(path).c_str(), buffer.data(),
                   static_cast<uint32_t>(buffer.size()), nullptr, nullptr, &written);
    }
    const std::string dest = root + "/dest/out";
    char output[2048];
    lib.main(nullptr, lib.extract(path, dest).c_str(), output, sizeof output);
    std::error_code ec;
    std::filesystem::remove_all(root + "/dest", ec);
    for (const auto& e : std::filesystem::directory_iterator(root)) {
        const std::string name = e.path().filename().string();
        Expect(name == "fuzz.bin" || name == "seed", std::string(lib.name) +
                                                         ": something appeared beside the "
                                                         "destination: " +
                                                         name);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 120;
    testing_support::TempDir tmp;
    const std::string seedDir = tmp / "seed";
    WriteTree(seedDir + "/src", {{"readme.txt", "hello\n"},
                                 {"data.bin", Bytes(20000, 1)},
                                 {"sub/text.txt", std::string(3000, 't')}});
    const std::string src = ShellQuote(seedDir + "/src");
    struct Seed {
        const Library* lib;
        std::string file;
    };
    std::vector<Seed> seeds;
    auto make = [&](const Library& lib, const std::string& name, const std::string& command) {
        const std::string file = seedDir + "/" + name;
        Expect(Shell("cd " + src + " && " + command + " " + ShellQuote(file) +
                     (command.rfind("gcab", 0) == 0 ? " readme.txt data.bin sub/text.txt"
                                                    : " readme.txt data.bin sub")) == 0,
               "seed " + name);
        seeds.push_back({&lib, ReadFile(file)});
    };
    make(kTar, "a.tar", "bsdtar -cf");
    make(kTar, "a.tgz", "bsdtar -czf");
    make(kTar, "a.tbz", "bsdtar -cjf");
    make(kSevenZip, "a.7z", "7zz a -bd");
    make(kCab, "a.cab", "gcab -cz");
    Rar5Writer rar;
    rar.Directory("sub");
    rar.File("readme.txt", "hello\n");
    rar.File("data.bin", Bytes(20000, 1));
    rar.File("sub/text.txt", std::string(3000, 't'));
    seeds.push_back({&kRar, rar.Bytes()});

    const std::string root = tmp / "run";
    std::filesystem::create_directories(root);
    const std::string target = root + "/fuzz.bin";
    std::mt19937 rng(4242);
    for (const Seed& seed : seeds) {
        // Cut at many places, then random flips with a bias towards the start.
        for (int k = 1; k < 24; ++k) {
            WriteFile(target, seed.file.substr(0, seed.file.size() * k / 24));
            Exercise(*seed.lib, root, target);
        }
        for (int round = 0; round < rounds; ++round) {
            std::string data = seed.file;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < flips; ++i) {
                const std::size_t at = rng() % 3 == 0
                                           ? rng() % std::min<std::size_t>(data.size(), 600)
                                           : rng() % data.size();
                data[at] = static_cast<char>(data[at] ^ (1u << (rng() % 8)));
            }
            WriteFile(target, data);
            Exercise(*seed.lib, root, target);
        }
    }
    std::printf("formats fuzz: %zu seeds, %d flip rounds each, %d failures\n", seeds.size(), rounds,
                failures);
    return failures == 0 ? 0 : 1;
}
