// Member headers: level 2 written and read back, levels 0 and 1 read, damaged headers refused.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"
#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/MemberHeader.h"
#include "archivers/unlha32/NameCodePage.h"

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

// The extended headers of a level-2 header by type (the last of a type wins).
std::map<int, std::string> Extensions(const std::string& raw) {
    std::map<int, std::string> out;
    std::size_t next =
        static_cast<unsigned char>(raw[24]) | (static_cast<unsigned char>(raw[25]) << 8);
    std::size_t at = 26;
    while (next != 0 && at + next <= raw.size()) {
        out[static_cast<unsigned char>(raw[at])] = raw.substr(at + 1, next - 3);
        at += next;
        next = static_cast<unsigned char>(raw[at - 2]) |
               (static_cast<unsigned char>(raw[at - 1]) << 8);
    }
    return out;
}

std::string CodePage(uint32_t page) {
    std::string s;
    Put32(s, page);
    return s;
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
    // A level-2 header marked level 3: level 3 starts with the size width 4, not a length.
    std::string level3 = level2;
    level3[20] = 3;
    EXPECT_EQ(ReadFirst(level3, r), ARC_ERROR_HEADER_BROKEN);
    std::string level4 = level2;
    level4[20] = 4;
    EXPECT_EQ(ReadFirst(level4, r), ARC_ERROR_HEADER_BROKEN);
}

TEST(MemberHeader, NamesAreBytesAndOtherReadersAreToldACodePageThatShowsThem) {
    struct Case {
        std::string path;
        std::string method;
        std::string nameExtension;
        std::optional<std::string> directoryExtension;
        uint32_t codePage; // 0: no code-page extension
    };
    const std::vector<Case> cases = {
        {"plain.txt", "-lh5-", "plain.txt", std::nullopt, 0},
        {"日本語/名前.txt", "-lh5-", "名前.txt", "日本語\xFF", 0},
        {"\xFF\xFE", "-lh5-", "\xFF\xFE", std::nullopt, 1252},
        {"dir/\xFF\xFE", "-lh0-", "\xFF\xFE", "dir\xFF", 1252},
        {"caf\xE9/menu", "-lh5-", "menu", "caf\xE9\xFF", 1252},
        // 0xFF in a directory part would split it: the whole path is the file name.
        {"d\xFFir/sub/f", "-lh5-", "d\xFFir/sub/f", std::nullopt, 1252},
        {"x\xFF/y", "-lhd-", "x\xFF/y", std::nullopt, 1252},
        {"a/b", "-lhd-", "",
         "a\xFF"
         "b\xFF",
         0},
        // A byte Windows-1252 leaves undefined: code page 437 decodes every byte.
        {"\x81\xFF", "-lh5-", "\x81\xFF", std::nullopt, 437},
    };
    for (const Case& c : cases) {
        MemberHeader h;
        h.method = c.method;
        h.path = c.path;
        h.unixMode = c.method == "-lhd-" ? 040755 : 0100644;
        const std::string bytes = BuildLevel2Header(h, false);
        MemberHeader r;
        ASSERT_EQ(ReadFirst(bytes, r), 0) << c.path;
        EXPECT_EQ(r.path, c.path);
        EXPECT_TRUE(r.checked);
        auto ext = Extensions(bytes);
        EXPECT_EQ(ext[0x01], c.nameExtension) << c.path;
        EXPECT_EQ(ext.count(0x02) != 0, c.directoryExtension.has_value()) << c.path;
        if (c.directoryExtension) {
            EXPECT_EQ(ext[0x02], *c.directoryExtension) << c.path;
        }
        EXPECT_EQ(ext.count(0x46) != 0, c.codePage != 0) << c.path;
        if (c.codePage != 0) {
            EXPECT_EQ(ext[0x46], CodePage(c.codePage)) << c.path;
        }
    }

    // 0xFF in a file-name extension of a level-1 header is a byte of the name too; in its
    // directory extension it separates parts.
    const std::vector<std::string> parts = {std::string("\x01") + "n\xFFme",
                                            std::string("\x02") + "d\xFF"};
    std::string chained;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        chained += parts[i];
        Put16(chained, i + 1 < parts.size() ? static_cast<unsigned>(parts[i + 1].size() + 2) : 0);
    }
    MemberHeader r;
    ASSERT_EQ(
        ReadFirst(
            OldHeader(1, "short", 7, 'U', chained, static_cast<unsigned>(parts[0].size() + 2)), r),
        0);
    EXPECT_EQ(r.path, "d/n\xFFme");
}

TEST(NameCodePage, TellsUtf8FromOtherBytes) {
    for (const char* valid :
         {"", "abc", "日本語", "\xF0\x9F\x98\x80", "\xC2\xA0", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(valid)) << valid;
    for (const char* invalid :
         {"\xFF", "\xFE", "\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80",
          "\xE6\x97", "a\xE6", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE6\x97\xA5\xFF"})
        EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
    EXPECT_EQ(AnnouncedCodePage("日本語.txt"), 0u);
    EXPECT_EQ(AnnouncedCodePage("caf\xE9"), 1252u);
    for (const char* undefined : {"\x81", "\x8D", "\x8F", "\x90", "\x9D"})
        EXPECT_EQ(AnnouncedCodePage(std::string("x") + undefined + "\xFF"), 437u);
}
