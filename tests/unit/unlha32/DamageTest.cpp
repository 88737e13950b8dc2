// Damaged and truncated archives: listing tells damage from the regular end, files that are no
// LZH archives are not opened, extraction restores every intact member and reports the damage,
// and updates refuse a damaged archive without touching it.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/ArchiveReader.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

struct Member {
    std::string name;
    std::string data;
    uint64_t offset = 0;     // of its header
    uint64_t headerSize = 0; // bytes of the header
    uint64_t dataSize = 0;   // compressed bytes after it
};

// An archive of four members (compressed, stored, compressed, compressed) and where each lies.
struct Sample {
    std::string bytes;
    std::vector<Member> members;
};

Sample MakeSample(const TempDir& dir) {
    Sample s;
    s.members = {{"one.txt", TextData(20000, 31)},
                 {"two.bin", RandomData(3000, 32)},
                 {"three.txt", TextData(8000, 33)},
                 {"four.txt", TextData(6000, 34)}};
    ::mkdir((dir / "src").c_str(), 0755);
    std::string names;
    for (const Member& m : s.members) {
        WriteFile(dir / ("src/" + m.name), m.data);
        names += " " + Q(m.name);
    }
    EXPECT_EQ(Lha("u -- " + Q(dir / "sample.lzh") + " " + Q(dir / "src/") + names), 0);
    unlha::ArchiveReader reader(dir / "sample.lzh");
    unlha::MemberHeader h;
    for (Member& m : s.members) {
        EXPECT_TRUE(reader.Next(h));
        EXPECT_EQ(h.path, m.name);
        m.offset = h.offset;
        m.headerSize = h.raw.size();
        m.dataSize = h.compressedSize;
    }
    s.bytes = ReadFile(dir / "sample.lzh");
    return s;
}

// Lists the archive through the entries: the names found and the code that ended the search
// (the code of FindNext is asked twice: it must not change). 1 when the archive did not open.
struct Listing {
    std::vector<std::string> names;
    int32_t end = 1;
};

Listing List(const std::string& path) {
    Listing l;
    ArcHandle h = UnlhaOpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return l;
    ArcMemberRecord r{};
    int32_t code = UnlhaFindFirst(h, "*.*", &r);
    for (; code == 0 && l.names.size() < 100; code = UnlhaFindNext(h, &r))
        l.names.emplace_back(r.fileName);
    l.end = code;
    EXPECT_EQ(UnlhaFindNext(h, &r), code) << path;
    UnlhaCloseArchive(h);
    return l;
}

std::vector<std::string> Prefix(const Sample& s, std::size_t n) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < n; ++i)
        names.push_back(s.members[i].name);
    return names;
}

// Flips a byte of the member's file name: its header no longer matches its CRC.
std::string WithHeaderCrcMismatch(const Sample& s, std::size_t member) {
    std::string bytes = s.bytes;
    const std::size_t at = bytes.find(s.members[member].name, s.members[member].offset);
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
}

} // namespace

TEST(DamagedListing, FindNextTellsDamageFromTheRegularEnd) {
    TempDir dir;
    const Sample s = MakeSample(dir);
    const std::string path = dir / "damaged.lzh";

    const Listing whole = List(dir / "sample.lzh");
    EXPECT_EQ(whole.names, Prefix(s, 4));
    EXPECT_EQ(whole.end, -1);

    // Cut anywhere, the archive either does not open or its listing ends with an error code:
    // every cut near the start and the end of each header, a sample of those in member data.
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 1; cut < s.bytes.size(); ++cut) {
        bool near = cut % 61 == 0 || cut + 40 > s.bytes.size();
        for (const Member& member : s.members)
            near =
                near || (cut + 40 > member.offset && cut < member.offset + member.headerSize + 40);
        if (near)
            cuts.push_back(cut);
    }
    int opened = 0;
    for (const std::size_t cut : cuts) {
        WriteFile(path, s.bytes.substr(0, cut));
        const Listing l = List(path);
        if (l.end == 1)
            continue;
        ++opened;
        EXPECT_NE(l.end, -1) << "cut at " << cut;
        EXPECT_NE(l.end, 0) << "cut at " << cut;
        EXPECT_GE(l.end, 0x8000) << "cut at " << cut;
    }
    EXPECT_GT(opened, 0);

    const auto& m = s.members;
    struct Case {
        std::string what;
        std::string bytes;
        std::size_t listed;
        int32_t end;
    };
    const std::vector<Case> cases = {
        {"header of the second member cut", s.bytes.substr(0, m[1].offset + 10), 1,
         ARC_ERROR_HEADER_BROKEN},
        {"end of the archive within the second header's extensions",
         s.bytes.substr(0, m[1].offset + m[1].headerSize - 3), 1, ARC_ERROR_HEADER_BROKEN},
        {"data of the last member cut",
         s.bytes.substr(0, m[3].offset + m[3].headerSize + m[3].dataSize / 2), 3,
         ARC_ERROR_HEADER_BROKEN},
        {"data of the last member short by one byte",
         s.bytes.substr(0, m[3].offset + m[3].headerSize + m[3].dataSize - 1), 3,
         ARC_ERROR_HEADER_BROKEN},
        {"end mark missing", s.bytes.substr(0, s.bytes.size() - 1), 4, ARC_ERROR_HEADER_BROKEN},
        {"header CRC of the third member", WithHeaderCrcMismatch(s, 2), 2, ARC_ERROR_HEADER_CRC},
    };
    for (const Case& c : cases) {
        WriteFile(path, c.bytes);
        const Listing l = List(path);
        EXPECT_EQ(l.names, Prefix(s, c.listed)) << c.what;
        EXPECT_EQ(l.end, c.end) << c.what;
    }
    // A damaged first member: the archive cannot be listed at all.
    WriteFile(path, WithHeaderCrcMismatch(s, 0));
    EXPECT_EQ(UnlhaOpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST), nullptr);
}

TEST(DamagedListing, FilesThatAreNoLzhArchivesAreNotOpened) {
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"text", "plain text that is no archive\n"},
        {"zeros", std::string(4096, '\0')},
        {"empty zip", std::string("PK\x05\x06", 4) + std::string(18, '\0')},
    };
    for (uint32_t seed = 1; seed <= 20; ++seed)
        files.emplace_back("garbage " + std::to_string(seed), RandomData(5000 + seed, seed));
    for (const auto& [name, bytes] : files)
        WriteFile(dir / name, bytes);
    ::mkdir((dir / "zipped").c_str(), 0755);
    WriteFile(dir / "zipped/file.txt", TextData(5000));
    if (HaveTool("bsdtar")) {
        std::string out;
        ASSERT_EQ(Shell(dir / "zipped", "bsdtar --format zip -cf ../real.zip file.txt", &out), 0)
            << out;
        files.emplace_back("real.zip", ReadFile(dir / "real.zip"));
    }
    for (const auto& [name, bytes] : files) {
        const std::string path = dir / name;
        EXPECT_EQ(UnlhaOpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST), nullptr) << name;
        EXPECT_EQ(UnlhaOpenArchive(nullptr, path.c_str(), ARC_OPEN_CHECK_ONLY | ARC_OPEN_LIST),
                  nullptr)
            << name;
        EXPECT_EQ(UnlhaCheckArchive(path.c_str(), ARC_CHECK_ALL), 0) << name;
        EXPECT_EQ(UnlhaGetArchiveType(path.c_str()), 0) << name;
    }
    EXPECT_EQ(UnlhaOpenArchive(nullptr, (dir / "missing").c_str(), ARC_OPEN_LIST), nullptr);
    EXPECT_EQ(UnlhaOpenArchive(nullptr, dir.Path().c_str(), ARC_OPEN_LIST), nullptr);

    // The end mark alone is an archive without members: its listing ends regularly.
    WriteFile(dir / "no members.lzh", std::string(1, '\0'));
    const Listing l = List(dir / "no members.lzh");
    EXPECT_TRUE(l.names.empty());
    EXPECT_EQ(l.end, -1);
}

TEST(DamagedExtraction, EveryIntactMemberIsRestoredAndTheDamageReported) {
    TempDir dir;
    const Sample s = MakeSample(dir);
    const auto& m = s.members;

    std::string brokenMethod = s.bytes;
    brokenMethod.replace(m[1].offset + 2, 5, "#####");
    std::string wrongSize = s.bytes;
    wrongSize[m[1].offset] = static_cast<char>(wrongSize[m[1].offset] + 7); // header size
    std::string brokenData = s.bytes;
    for (uint64_t i = 0; i < 40; ++i) {
        const uint64_t at = m[0].offset + m[0].headerSize + m[0].dataSize / 2 + i;
        brokenData[at] = static_cast<char>(brokenData[at] ^ 0xA5);
    }
    struct Case {
        std::string what;
        std::string bytes;
        std::vector<std::size_t> intact; // members that must be restored
        std::vector<int32_t> codes;      // one of them is the result
        std::string named;               // the output names this
    };
    const std::vector<Case> cases = {
        {"header CRC of the second member",
         WithHeaderCrcMismatch(s, 1),
         {0, 2, 3},
         {ARC_ERROR_HEADER_CRC},
         "at byte " + std::to_string(m[1].offset)},
        {"method of the second member overwritten",
         brokenMethod,
         {0, 2, 3},
         {ARC_ERROR_HEADER_BROKEN},
         "at byte " + std::to_string(m[1].offset)},
        {"header size of the second member wrong",
         wrongSize,
         {0, 2, 3},
         {ARC_ERROR_HEADER_CRC, ARC_ERROR_HEADER_BROKEN},
         "at byte " + std::to_string(m[1].offset)},
        {"data of the last member cut",
         s.bytes.substr(0, m[3].offset + m[3].headerSize + m[3].dataSize / 2),
         {0, 1, 2},
         {ARC_ERROR_HEADER_BROKEN},
         "four.txt"},
        {"end mark missing",
         s.bytes.substr(0, s.bytes.size() - 1),
         {0, 1, 2, 3},
         {ARC_ERROR_HEADER_BROKEN},
         "end mark"},
        {"compressed data of the first member broken",
         brokenData,
         {1, 2, 3},
         {ARC_ERROR_FILE_CRC, ARC_ERROR_HUFFMAN_CODE},
         "one.txt"},
    };
    int run = 0;
    for (const Case& c : cases) {
        const std::string archive = dir / ("case" + std::to_string(run) + ".lzh");
        WriteFile(archive, c.bytes);
        // Every member, by a wildcard and by their names (which are looked up first).
        std::string allNames;
        for (const Member& member : m)
            allNames += " " + Q(member.name);
        for (const std::string& names : {std::string(), std::string(" \"*\""), allNames}) {
            const std::string dest = dir / ("out" + std::to_string(run++));
            std::string out;
            const int32_t code =
                Lha("x -+ -a1 -c1 -jso1 -jss1 -jst1 -- " + Q(archive) + " " + Q(dest + "/") + names,
                    &out);
            EXPECT_NE(std::find(c.codes.begin(), c.codes.end(), code), c.codes.end())
                << c.what << ": " << std::hex << code << "\n"
                << out;
            EXPECT_NE(out.find(c.named), std::string::npos) << c.what << "\n" << out;
            std::vector<std::string> expected;
            for (std::size_t i : c.intact) {
                expected.push_back(m[i].name);
                EXPECT_TRUE(ReadFile(dest + "/" + m[i].name) == m[i].data)
                    << c.what << ": " << m[i].name;
            }
            std::sort(expected.begin(), expected.end());
            // The damaged member is not there, nor a work file.
            EXPECT_EQ(ListDir(dest), expected) << c.what;
        }
        std::string out;
        const int32_t tested = Lha("t " + Q(archive), &out);
        EXPECT_NE(std::find(c.codes.begin(), c.codes.end(), tested), c.codes.end())
            << c.what << "\n"
            << out;
        for (std::size_t i : c.intact)
            EXPECT_NE(out.find(m[i].name + " - OK"), std::string::npos) << c.what << "\n" << out;
    }
}

TEST(DamagedExtraction, AfterADamagedHeaderTheDataOfItsMemberAreSteppedOver) {
    // The damaged member holds an LZH archive, stored: its inner headers are sound, but they
    // are data and never taken as members.
    TempDir dir;
    ::mkdir((dir / "inner").c_str(), 0755);
    ::mkdir((dir / "src").c_str(), 0755);
    WriteFile(dir / "inner/inner member.txt", "inside");
    ASSERT_EQ(Lha("u -jm0 -- " + Q(dir / "src/inner.lzh") + " " + Q(dir / "inner/") +
                  " \"inner member.txt\""),
              0);
    WriteFile(dir / "src/first.txt", "first");
    WriteFile(dir / "src/after.txt", "after");
    ASSERT_EQ(Lha("u -jm0 -- " + Q(dir / "outer.lzh") + " " + Q(dir / "src/") +
                  " first.txt inner.lzh after.txt"),
              0);
    std::string bytes = ReadFile(dir / "outer.lzh");
    const std::size_t at = bytes.find("inner.lzh");
    bytes[at] = 'I';
    WriteFile(dir / "outer.lzh", bytes);
    std::string out;
    EXPECT_EQ(Lha("x -c1 -- " + Q(dir / "outer.lzh") + " " + Q(dir / "dest/"), &out),
              ARC_ERROR_HEADER_CRC);
    EXPECT_EQ(ListDir(dir / "dest"), (std::vector<std::string>{"after.txt", "first.txt"})) << out;
    EXPECT_EQ(ReadFile(dir / "dest/after.txt"), "after");
}

TEST(DamagedArchive, UpdateAndDeleteRefuseItAndLeaveItAsItWas) {
    TempDir dir;
    const Sample s = MakeSample(dir);
    const std::string archive = dir / "damaged.lzh";
    const std::string bytes = WithHeaderCrcMismatch(s, 2);
    WriteFile(archive, bytes);
    WriteFile(dir / "src/new.txt", "new");
    const auto entries = ListDir(dir.Path());
    std::string out;
    EXPECT_EQ(Lha("u -c1 -- " + Q(archive) + " " + Q(dir / "src/") + " new.txt one.txt", &out),
              ARC_ERROR_HEADER_CRC)
        << out;
    EXPECT_EQ(Lha("f -c1 -- " + Q(archive) + " " + Q(dir / "src/") + " one.txt"),
              ARC_ERROR_HEADER_CRC);
    EXPECT_EQ(Lha("d -- " + Q(archive) + " one.txt"), ARC_ERROR_HEADER_CRC);
    EXPECT_TRUE(ReadFile(archive) == bytes);
    EXPECT_EQ(ListDir(dir.Path()), entries);
}
