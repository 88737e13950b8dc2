// Damaged and hostile archives, read by a sanitized build of the library code: flipped bytes,
// random header fields and truncation at every length must give a result code, never a
// crash, never a write outside the destination, and never a change to the archive when a
// command fails. Iterations: VMZIP_FUZZ_ITERATIONS (default 600).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ArcError.h"
#include "ArchiverContract.h"
#include "Commands.h"
#include "Extractor.h"
#include "Listing.h"
#include "OutputText.h"
#include "Packer.h"
#include "Progress.h"
#include "ZipTestSupport.h"

using namespace vmzip;
using ziptest::Quoted;
using ziptest::ReadFile;
using ziptest::Sh;
using ziptest::Shell;
using ziptest::TempDir;
using ziptest::WriteFile;

namespace {

// 0, or a code that the program reports as an error (0x8012 and codes outside 0x8005 to
// 0x802D count as success there).
bool IsResultCode(int32_t r) {
    return r == 0 ||
           (r >= ARC_ERROR_DISK_SPACE && r <= ARC_ERROR_EOF && r != ARC_ERROR_MAKEDIRECTORY);
}

int32_t RunWrite(const std::string& text) {
    Progress progress(nullptr);
    OutputText out(nullptr, 0);
    try {
        return RunWriteCommand(ParseWriteCommand(text), progress, out);
    } catch (const ArcError& e) {
        return e.code();
    }
}

int32_t RunRead(const std::string& text) {
    Progress progress(nullptr);
    char buffer[2048];
    OutputText out(buffer, sizeof buffer);
    try {
        return RunReadCommand(ParseReadCommand(text, false), progress, out);
    } catch (const ArcError& e) {
        return e.code();
    }
}

// What a listing says of a member that must be right whenever the listing ends regularly
// (the attribute letters are not: nothing in an archive can tell a flipped one).
struct Listed {
    std::string name;
    uint32_t size;
    uint32_t compressedSize;
    uint32_t crc;
    uint16_t dosDate;
    uint16_t dosTime;
    bool operator==(const Listed&) const = default;
};

// Lists every member; complete: the listing ended regularly (-1). Returns how many records
// were filled, or -1 when the archive did not open.
int ListAll(const std::string& path, std::vector<Listed>* records = nullptr,
            bool* complete = nullptr) {
    try {
        Listing listing(path);
        ArcMemberRecord rec{};
        int n = 0;
        int32_t r = listing.First("*.*", &rec);
        for (; r == 0; r = listing.Next(&rec)) {
            EXPECT_NE(std::memchr(rec.fileName, 0, sizeof rec.fileName), nullptr);
            if (records != nullptr)
                records->push_back(Listed{rec.fileName, rec.originalSize, rec.compressedSize,
                                          rec.crc, rec.dosDate, rec.dosTime});
            ++n;
        }
        EXPECT_TRUE(r == -1 || IsResultCode(r)) << r;
        if (complete != nullptr)
            *complete = r == -1;
        return n;
    } catch (const ArcError& e) {
        EXPECT_TRUE(IsResultCode(e.code()));
        return -1;
    }
}

std::vector<std::pair<std::string, std::string>> SeedFiles() {
    return {{"text.txt", ziptest::TextBytes(20000)},
            {"random.bin", ziptest::RandomBytes(3000, 3)},
            {"empty.txt", ""},
            {"sub dir/日本語.txt", "にほんご"}};
}

std::string Seed(const TempDir& t) {
    for (const auto& [name, content] : SeedFiles())
        WriteFile(t / "src/" + name, content);
    const std::string arc = t / "seed.zip";
    EXPECT_EQ(RunWrite(ziptest::PackCommand(
                  arc, t / "src", {"text.txt", "random.bin", "empty.txt", "sub dir"}, " -r")),
              0);
    EXPECT_EQ(RunWrite(ziptest::PackCommand(arc, t / "src", {"empty.txt"}, " -0")), 0);
    return ReadFile(arc);
}

} // namespace

TEST(ZipFuzz, DamagedArchivesGiveCodesNeverCrashes) {
    TempDir t;
    const std::string seed = Seed(t);
    ASSERT_GT(seed.size(), 1000u);
    std::vector<Listed> seedListing;
    ASSERT_EQ(ListAll(t / "seed.zip", &seedListing), 4);
    const char* env = std::getenv("VMZIP_FUZZ_ITERATIONS");
    const int iterations = env != nullptr ? std::atoi(env) : 600;
    std::mt19937 gen(20240601);
    const std::string arc = t / "fuzz.zip";
    const std::string dest = t / "jail/dest";
    int failures = 0;

    for (int i = 0; i < iterations; ++i) {
        std::string data = seed;
        switch (i % 4) {
        case 0: // truncation, walking over every length in steps
            data.resize(static_cast<std::size_t>(i / 4) * 7 % seed.size());
            break;
        case 1: // a few flipped bytes anywhere
            for (int k = 0; k < 1 + static_cast<int>(gen() % 6); ++k)
                data[gen() % data.size()] ^= static_cast<char>(1 + gen() % 255);
            break;
        default: { // a random run of bytes near a header signature
            std::size_t pos = data.rfind("PK", gen() % data.size());
            if (pos == std::string::npos)
                pos = 0;
            pos += gen() % 46;
            for (std::size_t k = 0; k < 1 + gen() % 8 && pos + k < data.size(); ++k)
                data[pos + k] = static_cast<char>(gen());
        }
        }
        WriteFile(arc, data);
        // A listing that ends regularly tells the truth about every member.
        std::vector<Listed> listed;
        bool complete = false;
        ListAll(arc, &listed, &complete);
        if (complete) {
            EXPECT_EQ(listed, seedListing) << i;
        }
        const int32_t tested = RunRead("-t " + Quoted(arc));
        EXPECT_TRUE(IsResultCode(tested)) << i;
        const int32_t extracted = RunRead("-x -o " + Quoted(arc) + " " + Quoted(dest + "/"));
        EXPECT_TRUE(IsResultCode(extracted)) << i;
        if (tested != 0)
            ++failures;
        // Whatever was restored under a member's name holds that member's data: damaged
        // members leave nothing behind, recovered ones are whole; a clean result restores all.
        for (const auto& [name, content] : SeedFiles()) {
            const std::string path = dest + "/" + name;
            if (std::filesystem::exists(path)) {
                EXPECT_EQ(ReadFile(path), content) << i << ": " << name;
            } else {
                EXPECT_NE(extracted, 0) << i << ": " << name << " missing";
            }
        }
        std::filesystem::remove_all(dest);
        // A failed update must leave the damaged archive exactly as it was (one iteration in
        // five: a successful update waits for the disk).
        if (i % 5 != 1)
            continue;
        const int32_t updated =
            RunWrite(" -S -D -q -o  " + Quoted(arc) + " " + Quoted(t / "src/") + " \"empty.txt\"");
        EXPECT_TRUE(IsResultCode(updated)) << i;
        if (updated != 0) {
            EXPECT_EQ(ReadFile(arc), data) << i;
        }
    }
    // Nothing was ever written beside the destination.
    std::string listing;
    Shell("ls -A " + Sh(t / "jail"), &listing);
    EXPECT_EQ(listing, "");
    EXPECT_GT(failures, iterations / 4); // the damage was real
}
