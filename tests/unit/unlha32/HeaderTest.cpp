// Member headers: level 2 written and read back, levels 0 and 1 read, damaged headers refused.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/MemberHeader.h"

using namespace unlha;

namespace {

// Reads the first header of bytes; the error code, or 0 with header filled.
int32_t ReadFirst(const std::string& bytes, MemberHeader& header, bool* found = nullptr) {
    const int fd = ::memfd_create("header", MFD_CLOEXEC);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    FileReader reader(fd, "memory");
    int32_t code = 0;
    try {
        const bool f = ReadMemberHeader(reader, header);
        if (found != nullptr)
            *found = f;
    } catch (const ArchiveError& e) {
        code = e.code();
    }
    ::close(fd);
    return code;
}

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A level-0 or level-1 header with its checksum; extensions are appended for level 1.
std::string OldHeader(int level, const std::string& name, uint32_t packed, uint8_t os,
                      const std::string& extensions = std::string(), unsigned firstExt = 0) {
    std::string s;
    s += '\0';
    s += '\0';
    s += "-lh5-";
    Put32(s, packed + static_cast<uint32_t>(extensions.size()));
    Put32(s, 1000);
    Put16(s, (12 << 11) | (30 << 5) | 5); // 12:30:10
    Put16(s, (44 << 9) | (3 << 5) | 15);  // 2024-03-15
    s += level == 1 ? '\x20' : '\x01';
    s += static_cast<char>(level);
    s += static_cast<char>(name.size());
    s += name;
    Put16(s, 0x1234);
    if (level == 1) {
        s += static_cast<char>(os);
        Put16(s, firstExt);
    }
    s[0] = static_cast<char>(s.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < s.size(); ++i)
        sum += static_cast<unsigned char>(s[i]);
    s[1] = static_cast<char>(sum & 0xFF);
    return s + extensions;
}

} // namespace

TEST(MemberHeader, Level2RoundTripsPathsModesTimesAndLargeSizes) {
    MemberHeader h;
    h.method = "-lh7-";
    h.path = "dir/sub/日本語 \"q\" [b].txt";
    h.compressedSize = 5'000'000'000ull;
    h.originalSize = 6'000'000'000ull;
    h.mtime = 1700000000;
    h.crc = 0xBEEF;
    h.unixMode = 0100640;
    const std::string bytes = BuildLevel2Header(h, true);
    MemberHeader r;
    ASSERT_EQ(ReadFirst(bytes, r), 0);
    EXPECT_EQ(r.path, h.path);
    EXPECT_EQ(r.method, "-lh7-");
    EXPECT_EQ(r.compressedSize, h.compressedSize);
    EXPECT_EQ(r.originalSize, h.originalSize);
    EXPECT_EQ(r.mtime, h.mtime);
    EXPECT_EQ(r.crc, 0xBEEF);
    ASSERT_TRUE(r.unixMode.has_value());
    EXPECT_EQ(*r.unixMode, 0100640);
    EXPECT_EQ(r.level, 2);
    EXPECT_EQ(r.raw, bytes);

    MemberHeader dir;
    dir.method = "-lhd-";
    dir.path = "a/b";
    ASSERT_EQ(ReadFirst(BuildLevel2Header(dir, false), r), 0);
    EXPECT_TRUE(r.IsDirectory());
    EXPECT_EQ(r.path, "a/b");
}

TEST(MemberHeader, Level2HeaderOfSize256IsPaddedSoItIsNotReadAsTheEnd) {
    MemberHeader h;
    h.method = "-lh0-";
    h.unixMode = 0100644;
    // Base 24 + CRC ext 5 + name ext (3 + n) + mode ext 5 + end 2 = 39 + n.
    h.path = std::string(256 - 39, 'n');
    const std::string bytes = BuildLevel2Header(h, false);
    EXPECT_EQ(bytes.size(), 257u);
    EXPECT_NE(bytes[0], '\0');
    MemberHeader r;
    ASSERT_EQ(ReadFirst(bytes, r), 0);
    EXPECT_EQ(r.path, h.path);
}

TEST(MemberHeader, ReadsLevel0AndLevel1FromOtherSystems) {
    MemberHeader r;
    // MS-DOS: '\' separates parts, but not the second byte of a Shift_JIS character.
    const std::string sjis = "dir\\\x83\x5C.txt";
    ASSERT_EQ(ReadFirst(OldHeader(0, sjis, 10, 'M'), r), 0);
    EXPECT_EQ(r.path, "dir/\x83\x5C.txt");
    EXPECT_EQ(r.compressedSize, 10u);
    EXPECT_EQ(r.originalSize, 1000u);
    EXPECT_EQ(r.crc, 0x1234);
    EXPECT_EQ(r.dosStamp.date, (44 << 9) | (3 << 5) | 15);
    EXPECT_EQ(r.dosStamp.time, (12 << 11) | (30 << 5) | 5);
    EXPECT_EQ(r.dosAttributes, 1);

    // Level 1: the name, directory and time in extensions, whose bytes the packed size
    // includes. Each extension's size counts its type, data and the next size field.
    std::string time;
    Put32(time, 1700000000);
    const std::vector<std::string> parts = {std::string("\x01") + "long name.txt",
                                            std::string("\x02") + "x\xFFy\xFF",
                                            std::string("\x54") + time};
    std::string chained;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        chained += parts[i];
        Put16(chained, i + 1 < parts.size() ? static_cast<unsigned>(parts[i + 1].size() + 2) : 0);
    }
    ASSERT_EQ(
        ReadFirst(
            OldHeader(1, "short", 7, 'U', chained, static_cast<unsigned>(parts[0].size() + 2)), r),
        0);
    EXPECT_EQ(r.path, "x/y/long name.txt");
    EXPECT_EQ(r.compressedSize, 7u);
    EXPECT_EQ(r.mtime, 1700000000);
    EXPECT_EQ(r.osId, 'U');
}

TEST(MemberHeader, DamagedHeadersAreRefusedAndTheEndIsRecognised) {
    MemberHeader r;
    bool found = true;
    EXPECT_EQ(ReadFirst(std::string(1, '\0'), r, &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(ReadFirst(std::string(), r, &found), ARC_ERROR_NOT_ARC_FILE);

    std::string old = OldHeader(0, "a.txt", 5, 'M');
    old[1] = static_cast<char>(old[1] + 1);
    EXPECT_EQ(ReadFirst(old, r), ARC_ERROR_HEADER_CRC);

    MemberHeader h;
    h.method = "-lh5-";
    h.path = "file.txt";
    std::string level2 = BuildLevel2Header(h, false);
    std::string flipped = level2;
    flipped[11] ^= 0x40; // original size: the header CRC no longer matches
    EXPECT_EQ(ReadFirst(flipped, r), ARC_ERROR_HEADER_CRC);
    for (std::size_t cut = 1; cut < level2.size(); ++cut)
        EXPECT_EQ(ReadFirst(level2.substr(0, cut), r), ARC_ERROR_HEADER_BROKEN) << cut;
    std::string level3 = level2;
    level3[20] = 3;
    EXPECT_EQ(ReadFirst(level3, r), ARC_ERROR_VERSION);
}
