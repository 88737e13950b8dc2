#include "platform/ElfSection.h"

#include "tests/support/ElfImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

using namespace platform;
using testing_support::MakeElf64;
using testing_support::TempDir;

TEST(ElfSectionTest, FindsTheNamedSectionOfAnImage) {
    const std::string image = MakeElf64({{".text", "code"}, {".velmoran_version", "block\n"}});
    EXPECT_EQ(FindElfSection(image, ".velmoran_version"), std::optional<std::string>("block\n"));
    EXPECT_EQ(FindElfSection(image, ".text"), std::optional<std::string>("code"));
    EXPECT_FALSE(FindElfSection(image, ".velmoran"));          // a prefix is not the name
    EXPECT_FALSE(FindElfSection(image, ".velmoran_version2")); // nor a longer name
    EXPECT_FALSE(FindElfSection("#!/bin/sh\necho hi\n", ".text"));
    EXPECT_FALSE(FindElfSection("", ".text"));

    TempDir dir;
    EXPECT_EQ(ReadElfSection(dir.Write("prog", image), ".text"),
              std::optional<std::string>("code"));
    EXPECT_FALSE(ReadElfSection(dir / "missing", ".text"));
    EXPECT_FALSE(ReadElfSection(dir.Write("big", image), ".text", 16)); // over the size limit
    // Neither a FIFO nor a directory is read (the FIFO would block).
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(ReadElfSection(dir / "fifo", ".text"));
    EXPECT_FALSE(ReadElfSection(dir.Path(), ".text"));
}

TEST(ElfSectionTest, DamagedImagesGiveNothingAndNeverReadOutsideThem) {
    const std::string image = MakeElf64({{".a", std::string(100, 'x')}, {".b", "yy"}});
    // Every truncation.
    for (std::size_t size = 0; size < image.size(); ++size) {
        const auto found = FindElfSection(std::string_view(image).substr(0, size), ".b");
        if (found) {
            EXPECT_EQ(*found, "yy");
        }
    }
    // Section headers that point past the end: offsets and sizes of every kind.
    std::string bad = image;
    const std::size_t shoff = image.size() - 4 * 64;
    for (std::size_t field : {0x18u, 0x20u}) {
        bad = image;
        for (int i = 0; i < 8; ++i)
            bad[shoff + 64 * 2 + field + static_cast<unsigned>(i)] = '\xff';
        EXPECT_FALSE(FindElfSection(bad, ".b"));
    }
    bad = image;
    bad[0x3E] = 9; // the name table index beyond the headers
    EXPECT_FALSE(FindElfSection(bad, ".b"));
    bad = image;
    bad[4] = 3; // neither 32- nor 64-bit
    EXPECT_FALSE(FindElfSection(bad, ".b"));
    bad = image;
    bad[5] = 2; // big-endian
    EXPECT_FALSE(FindElfSection(bad, ".b"));

    // Random damage: whatever comes back lies within the image.
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string damaged = image;
        for (int n = 0; n < 4; ++n)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        if (const auto found = FindElfSection(damaged, ".b")) {
            EXPECT_LE(found->size(), damaged.size());
        }
    }
}
