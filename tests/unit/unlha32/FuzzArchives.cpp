// Fuzz loop over damaged archives, built with AddressSanitizer and UndefinedBehaviorSanitizer:
// every entry that reads an archive must answer a damaged one with an error code, never crash,
// hang or touch memory it does not own.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/LzhEncoder.h"
#include "archivers/unlha32/MemberHeader.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    }
}

// Runs every reading entry over the archive file; returns the test command's result.
int32_t Exercise(const TempDir& dir, const std::string& path) {
    UnlhaCheckArchive(path.c_str(), ARC_CHECK_FULLCRC);
    UnlhaGetArchiveType(path.c_str());
    if (ArcHandle h = UnlhaOpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST)) {
        ArcMemberRecord r{};
        int guard = 0;
        for (int32_t found = UnlhaFindFirst(h, "*.*", &r); found == 0 && guard < 1000;
             found = UnlhaFindNext(h, &r), ++guard) {
            uint64_t size;
            ArcFileTime t;
            UnlhaGetOriginalSizeEx(h, &size);
            UnlhaGetWriteTimeEx(h, &t);
        }
        UnlhaCloseArchive(h);
    }
    std::vector<unsigned char> buffer(1 << 16);
    uint32_t written;
    const std::string mem = "-- " + Q(path) + " \"*\"";
    UnlhaExtractMem(nullptr, mem.c_str(), buffer.data(), static_cast<uint32_t>(buffer.size()),
                    nullptr, nullptr, &written);
    Lha("l " + Q(path));
    Lha("x -c1 -- " + Q(path) + " " + Q(dir / "out/"));
    return Lha("t " + Q(path));
}

struct StringSink : unlha::ByteSink {
    std::string data;
    void Write(const uint8_t* d, std::size_t n) override {
        data.append(reinterpret_cast<const char*>(d), n);
    }
};

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

// A -lh5- member with a level-0 or level-1 header as MS-DOS programs write them; level 1 gets
// a file-name and a Unix-time extension.
std::string OldMember(int level, const std::string& name, const std::string& data) {
    StringSink packed;
    {
        unlha::LzhEncoder encoder(unlha::Method::Lh5, packed);
        encoder.Write(reinterpret_cast<const uint8_t*>(data.data()), data.size());
        encoder.Finish();
    }
    std::string ext;
    if (level == 1) {
        ext += '\x01';
        ext += "long " + name;
        Put16(ext, 7);
        ext += '\x54';
        Put16(ext, 0xF100);
        Put16(ext, 0x6553);
        Put16(ext, 0);
    }
    std::string h(2, '\0');
    h += "-lh5-";
    const std::size_t size = packed.data.size() + ext.size();
    Put16(h, size & 0xFFFF);
    Put16(h, static_cast<unsigned>(size >> 16));
    Put16(h, data.size() & 0xFFFF);
    Put16(h, static_cast<unsigned>(data.size() >> 16));
    Put16(h, 0x6000);
    Put16(h, 0x5880);
    h += '\x20';
    h += static_cast<char>(level);
    h += static_cast<char>(name.size());
    h += name;
    Put16(h, unlha::Crc16(data.data(), data.size()));
    if (level == 1) {
        h += 'M';
        Put16(h, static_cast<unsigned>(name.size() + 8));
    }
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i)
        sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum);
    return h + ext + packed.data;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 150;
    TempDir dir;
    ::mkdir((dir / "src").c_str(), 0755);
    WriteFile(dir / "src/text.txt", TextData(30000));
    WriteFile(dir / "src/mixed.dat", MixedData(90000));
    WriteFile(dir / "src/one", "1");
    WriteFile(dir / "src/random", RandomData(3000));
    std::vector<std::string> seeds;
    for (const char* m : {"-jm5", "-jm6", "-jm7", "-jm0"}) {
        const std::string path = dir / "seed.lzh";
        std::remove(path.c_str());
        Expect(Lha(std::string("a ") + m + " -- " + Q(path) + " " + Q(dir / "src/") +
                   " text.txt mixed.dat one random") == 0,
               "seed archive");
        seeds.push_back(ReadFile(path));
    }
    // A level-0/1 style member by hand is covered by the unit tests; here the headers come
    // from the writer, and a hand-made archive with a directory member.
    seeds.push_back(StoredMember("d", "", 040755) + StoredMember("d/f", "data") +
                    std::string(1, '\0'));
    // Members with level-0 and level-1 headers.
    seeds.push_back(OldMember(0, "dir\\old0.txt", TextData(20000, 4)) +
                    OldMember(1, "old1.txt", MixedData(40000, 5)) + std::string(1, '\0'));

    const std::string target = dir / "fuzz.lzh";
    for (const std::string& seed : seeds) {
        WriteFile(target, seed);
        Expect(Lha("t " + Q(target)) == 0, "a seed archive does not pass the test");
    }
    // Truncation at every byte of every member header (each field cut in every place), at a
    // few places inside each member's data, and just before the end mark.
    for (const std::string& seed : seeds) {
        WriteFile(target, seed);
        std::vector<std::size_t> cuts;
        unlha::ArchiveReader reader(target);
        unlha::MemberHeader h;
        while (reader.Next(h)) {
            for (std::size_t i = 0; i < h.raw.size(); ++i)
                cuts.push_back(h.offset + i);
            const std::size_t data = h.offset + h.raw.size();
            for (std::size_t k = 1; k <= 4; ++k)
                if (h.compressedSize > 0)
                    cuts.push_back(data + h.compressedSize * k / 5);
        }
        cuts.push_back(seed.size() - 1);
        for (std::size_t cut : cuts) {
            WriteFile(target, seed.substr(0, cut));
            Expect(Exercise(dir, target) != 0,
                   "archive cut at " + std::to_string(cut) + " passed the test");
        }
    }
    // Random byte flips anywhere, with a bias towards the headers.
    std::mt19937 rng(12345);
    for (int round = 0; round < rounds; ++round) {
        std::string data = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = rng() % 3 == 0 ? rng() % std::min<std::size_t>(data.size(), 64)
                                                  : rng() % data.size();
            data[at] = static_cast<char>(data[at] ^ (1u << (rng() % 8)));
        }
        WriteFile(target, data);
        Exercise(dir, target);
    }
    // The decoders of the older methods on data that is no valid stream at all: random bytes
    // of random lengths that claim random original sizes (the CRC then fails, if nothing else).
    for (int round = 0; round < rounds; ++round) {
        static const char* const kOld[] = {"-lh1-", "-lh4-", "-lzs-", "-lz5-"};
        unlha::MemberHeader h;
        h.method = kOld[round % 4];
        h.path = "old.bin";
        const std::string packed = RandomData(1 + rng() % 5000, static_cast<uint32_t>(round));
        h.compressedSize = packed.size();
        h.originalSize = 1 + rng() % 20000;
        h.crc = 0x1234;
        h.mtime = 1700000000;
        WriteFile(target, unlha::BuildLevel2Header(h, false) + packed + std::string(1, '\0'));
        Expect(Exercise(dir, target) != 0, std::string("random ") + h.method + " data passed");
    }
    std::printf("fuzz: %zu seeds, %d flip rounds, %d failures\n", seeds.size(), rounds, failures);
    return failures == 0 ? 0 : 1;
}
