// Damaged, truncated and foreign files: the listing never ends as a complete one
// (FindFirst/FindNext give ARC_ERROR_HEADER_BROKEN, or OpenArchive no handle), extraction
// restores every intact member from the local headers and reports the rest by name, and an
// update refuses a damaged archive and leaves it as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>

#include "ZipRecords.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

std::string ExtractAll(const std::string& arc, const std::string& dest) {
    return "-x -o " + Quoted(arc) + " " + Quoted(dest + "/");
}

// A listing that ended as if it were complete although the archive is damaged.
bool ListsAsComplete(const ListResult& r) {
    return r.opened && r.end == -1;
}

// The members of the seed archive, in the order packed.
struct Seed {
    std::string text = TextBytes(120000);      // deflated
    std::string random = RandomBytes(4000, 7); // stored: deflate cannot shrink it
    std::string small = "small file in a directory";
    std::string data; // the archive
    uint64_t cdOffset = 0;
    std::vector<std::size_t> central; // file offset of each central entry
    std::vector<uint64_t> local;      // file offset of each local header
};

Seed MakeSeed(const TempDir& t) {
    Seed s;
    WriteFile(t / "src/a.txt", s.text);
    WriteFile(t / "src/b.bin", s.random);
    WriteFile(t / "src/sub/c.txt", s.small);
    const std::string arc = t / "seed.zip";
    // -r without -D: "sub/" gets a directory member of its own.
    EXPECT_EQ(Zip(" -S -q -o -r  " + Quoted(arc) + " " + Quoted(t / "src" + "/") +
                  " \"a.txt\" \"b.bin\" \"sub\""),
              0);
    s.data = ReadFile(arc);
    const vmzip::RawFile file(arc);
    const auto cd = vmzip::ReadCentralDirectory(file);
    EXPECT_TRUE(cd.has_value());
    if (!cd)
        return s;
    s.cdOffset = cd->offset;
    std::size_t pos = static_cast<std::size_t>(cd->offset);
    for (const vmzip::CentralEntry& e : cd->entries) {
        s.central.push_back(pos);
        s.local.push_back(e.offset);
        pos += 46 + e.name.size() + e.extra.size();
    }
    return s;
}

const std::vector<std::string> kSeedNames = {"a.txt", "b.bin", "sub/", "sub/c.txt"};

// A small LZH archive (level-0 header, stored).
std::string LzhArchive() {
    const std::string name = "hello.txt";
    const std::string data = "hello lzh\n";
    auto le16 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
    };
    auto le32 = [&](uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); };
    uint16_t crc = 0;
    for (const char ch : data) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
    }
    const std::string h = "-lh0-" + le32(static_cast<uint32_t>(data.size())) +
                          le32(static_cast<uint32_t>(data.size())) + le16(0) + le16(0x5821) +
                          std::string{'\x20', '\0', static_cast<char>(name.size())} + name +
                          le16(crc);
    unsigned sum = 0;
    for (const char ch : h)
        sum += static_cast<unsigned char>(ch);
    return std::string{static_cast<char>(h.size()), static_cast<char>(sum & 0xFF)} + h + data +
           std::string(1, '\0');
}

} // namespace

TEST(ZipDamage, ATruncatedArchiveNeverListsAsComplete) {
    TempDir t;
    const Seed s = MakeSeed(t);
    ASSERT_EQ(s.local.size(), 4u);
    const ListResult intact = ListAll(t / "seed.zip");
    ASSERT_TRUE(intact.opened);
    EXPECT_EQ(intact.names, kSeedNames);
    EXPECT_EQ(intact.end, -1);

    const std::size_t size = s.data.size();
    const std::vector<std::size_t> cuts = {1,
                                           29,
                                           static_cast<std::size_t>(s.local[1]) - 1000,
                                           static_cast<std::size_t>(s.local[3]) + 10,
                                           static_cast<std::size_t>(s.cdOffset),
                                           s.central[2] + 5,
                                           size - 22,
                                           size - 1};
    for (const std::size_t cut : cuts) {
        WriteFile(t / "cut.zip", s.data.substr(0, cut));
        const ListResult r = ListAll(t / "cut.zip");
        EXPECT_FALSE(ListsAsComplete(r)) << "cut at " << cut;
        EXPECT_FALSE(r.opened) << "cut at " << cut << ": libzip finds no end record";
    }

    // A stored archive inside an archive leaves an end record behind where the outer
    // archive was cut: whatever reads it, the listing is not taken for complete.
    WriteFile(t / "inner/x.txt", TextBytes(3000));
    std::string out;
    ASSERT_EQ(
        Shell("cd " + Sh(t / "inner") + " && zip -q " + Sh(t / "src/inner.zip") + " x.txt", &out),
        0)
        << out;
    WriteFile(t / "src/after.txt", TextBytes(5000));
    ASSERT_EQ(Zip(PackCommand(t / "outer.zip", t / "src", {"inner.zip", "after.txt"}, " -0")), 0);
    const std::string outer = ReadFile(t / "outer.zip");
    const std::string inner = ReadFile(t / "src/inner.zip");
    const std::size_t at = outer.find(inner);
    ASSERT_NE(at, std::string::npos);
    WriteFile(t / "cut.zip", outer.substr(0, at + inner.size()));
    EXPECT_FALSE(ListsAsComplete(ListAll(t / "cut.zip")));
}

TEST(ZipDamage, FlippedBytesInTheCentralDirectoryAreReported) {
    TempDir t;
    const Seed s = MakeSeed(t);
    ASSERT_EQ(s.central.size(), 4u);
    const std::string before = s.data;
    WriteFile(t / "src/new.txt", "new");

    // Fields of the third entry ("sub/"): its name, time, CRC, compressed size, local
    // header offset; and of the fourth its original size. libzip opens every one of these.
    struct Flip {
        const char* what;
        std::size_t entry;
        std::size_t field;
    };
    const Flip flips[] = {{"name", 2, 46},   {"time", 2, 12},
                          {"crc", 3, 16},    {"compressed size", 1, 20},
                          {"offset", 3, 42}, {"size", 3, 24}};
    for (const Flip& f : flips) {
        std::string data = before;
        data[s.central[f.entry] + f.field] ^= 0x21;
        WriteFile(t / "bad.zip", data);
        const ListResult r = ListAll(t / "bad.zip");
        ASSERT_TRUE(r.opened) << f.what;
        EXPECT_EQ(r.end, ARC_ERROR_HEADER_BROKEN) << f.what;
        // What was listed before the damage is right.
        ASSERT_LE(r.names.size(), f.entry) << f.what;
        EXPECT_TRUE(std::equal(r.names.begin(), r.names.end(), kSeedNames.begin())) << f.what;
        // FindNext stays at the damage.
        const Libraries& lib = Libraries::Get();
        ArcHandle h = lib.OpenArchive(nullptr, (t / "bad.zip").c_str(), ARC_OPEN_LIST);
        ASSERT_NE(h, nullptr);
        ArcMemberRecord rec{};
        int32_t code = lib.FindFirst(h, "*.*", &rec);
        while (code == 0)
            code = lib.FindNext(h, &rec);
        EXPECT_EQ(code, ARC_ERROR_HEADER_BROKEN) << f.what;
        EXPECT_EQ(lib.FindNext(h, &rec), ARC_ERROR_HEADER_BROKEN) << f.what;
        lib.CloseArchive(h);

        // An update would carry the damage over: refused, the archive left as it was.
        std::string out;
        EXPECT_EQ(Zip(PackCommand(t / "bad.zip", t / "src", {"new.txt"}), &out),
                  ARC_ERROR_HEADER_BROKEN)
            << f.what;
        EXPECT_NE(out.find("damaged"), std::string::npos) << out;
        EXPECT_EQ(ReadFile(t / "bad.zip"), data) << f.what;
        EXPECT_EQ(Zip("-d -q " + Quoted(t / "bad.zip") + " \"a.txt\""), ARC_ERROR_HEADER_BROKEN)
            << f.what;
        EXPECT_EQ(ReadFile(t / "bad.zip"), data) << f.what;
    }

    // A broken signature or member count: libzip does not open it at all.
    for (const std::size_t pos : {s.central[1], s.data.size() - 12}) {
        std::string data = before;
        data[pos] ^= 0x10;
        WriteFile(t / "bad.zip", data);
        EXPECT_FALSE(ListsAsComplete(ListAll(t / "bad.zip"))) << pos;
    }
}

TEST(ZipDamage, FilesThatAreNoZipGiveNoHandle) {
    TempDir t;
    const Libraries& lib = Libraries::Get();
    WriteFile(t / "a.lzh", LzhArchive());
    std::string out;
    ASSERT_EQ(Shell("lha t " + Sh(t / "a.lzh"), &out), 0) << out; // a real LZH archive
    WriteFile(t / "empty.zip", "");
    WriteFile(t / "garbage.zip", RandomBytes(70000, 3));
    WriteFile(t / "text.zip", TextBytes(1000));
    for (const std::string name : {"a.lzh", "empty.zip", "garbage.zip", "text.zip"}) {
        const std::string path = t / name;
        EXPECT_EQ(lib.OpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST), nullptr) << name;
        EXPECT_EQ(lib.OpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST | ARC_OPEN_CHECK_ONLY),
                  nullptr)
            << name;
        EXPECT_EQ(lib.CheckArchive(path.c_str(), 24), 0) << name;
        EXPECT_EQ(UnZip(ExtractAll(path, t / "out")), ARC_ERROR_NOT_ARC_FILE) << name;
        EXPECT_TRUE(DirEntries(t / "out").empty()) << name;
    }
    // An archive without members (only its end record) is one, and lists as complete.
    WriteFile(t / "nomembers.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    const ListResult none = ListAll(t / "nomembers.zip");
    EXPECT_TRUE(none.opened);
    EXPECT_TRUE(none.names.empty());
    EXPECT_EQ(none.end, -1);
    EXPECT_EQ(UnZip(ExtractAll(t / "nomembers.zip", t / "out")), 0);
}

TEST(ZipDamage, ExtractionOfATruncatedArchiveRestoresWhatIsIntact) {
    TempDir t;
    const Seed s = MakeSeed(t);
    ASSERT_EQ(s.local.size(), 4u);
    struct Case {
        const char* what;
        std::size_t cut;
        bool lastIntact; // sub/c.txt (the last member) is whole
    };
    const Case cases[] = {
        {"inside the last member", static_cast<std::size_t>(s.local[3]) + 60, false},
        {"at the central directory", static_cast<std::size_t>(s.cdOffset), true},
        {"inside the central directory", s.central[2] + 7, true},
        {"inside the end record", s.data.size() - 3, true},
    };
    for (const Case& c : cases) {
        WriteFile(t / "cut.zip", s.data.substr(0, c.cut));
        const std::string dest = t / "out";
        std::string out;
        EXPECT_EQ(UnZip(ExtractAll(t / "cut.zip", dest), &out), ARC_ERROR_HEADER_BROKEN) << c.what;
        EXPECT_NE(out.find("damaged archive"), std::string::npos) << c.what << ": " << out;
        EXPECT_EQ(ReadFile(dest + "/a.txt"), s.text) << c.what;
        EXPECT_EQ(ReadFile(dest + "/b.bin"), s.random) << c.what;
        EXPECT_EQ(DirEntries(dest), Sorted({"a.txt", "b.bin", "sub"})) << c.what;
        if (c.lastIntact) {
            EXPECT_EQ(ReadFile(dest + "/sub/c.txt"), s.small) << c.what;
        } else {
            // Cut off: named, and nothing of it left behind (no work file either).
            EXPECT_TRUE(DirEntries(dest + "/sub").empty()) << c.what;
            EXPECT_NE(out.find("sub/c.txt"), std::string::npos) << c.what << ": " << out;
        }
        // Testing says the same; the full check fails.
        EXPECT_EQ(UnZip("-t " + Quoted(t / "cut.zip")), ARC_ERROR_HEADER_BROKEN) << c.what;
        EXPECT_EQ(Libraries::Get().CheckArchive((t / "cut.zip").c_str(), ARC_CHECK_FULLCRC), 0);
        Shell("rm -rf " + Sh(dest));
    }
}

TEST(ZipDamage, ACorruptMemberOfARecoveredArchiveIsNamedAndTheOthersExtracted) {
    TempDir t;
    const Seed s = MakeSeed(t);
    ASSERT_EQ(s.local.size(), 4u);
    // One byte of the stored b.bin changed, and the central directory cut off.
    std::string data = s.data.substr(0, static_cast<std::size_t>(s.cdOffset) + 10);
    const std::size_t at = data.find(s.random.substr(100, 32));
    ASSERT_NE(at, std::string::npos);
    data[at] ^= 0x01;
    WriteFile(t / "bad.zip", data);
    WriteFile(t / "out/b.bin", "the old file stays");
    std::string out;
    EXPECT_EQ(UnZip(ExtractAll(t / "bad.zip", t / "out"), &out), ARC_ERROR_HEADER_BROKEN);
    EXPECT_NE(out.find("damaged member b.bin"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(t / "out/b.bin"), "the old file stays");
    EXPECT_EQ(ReadFile(t / "out/a.txt"), s.text);
    EXPECT_EQ(ReadFile(t / "out/sub/c.txt"), s.small);
    EXPECT_EQ(DirEntries(t / "out"), Sorted({"a.txt", "b.bin", "sub"}));

    // The same with the central directory intact: libzip's reading, the same outcome.
    std::string whole = s.data;
    whole[s.data.find(s.random.substr(100, 32))] ^= 0x01;
    WriteFile(t / "bad2.zip", whole);
    EXPECT_EQ(UnZip(ExtractAll(t / "bad2.zip", t / "out2"), &out), ARC_ERROR_FILE_CRC);
    EXPECT_NE(out.find("b.bin"), std::string::npos) << out;
    EXPECT_FALSE(Exists(t / "out2/b.bin"));
    EXPECT_EQ(ReadFile(t / "out2/a.txt"), s.text);
    EXPECT_EQ(ReadFile(t / "out2/sub/c.txt"), s.small);
}

TEST(ZipDamage, AFlippedCentralEntryIsRecoveredFromTheLocalHeaders) {
    TempDir t;
    const Seed s = MakeSeed(t);
    ASSERT_EQ(s.central.size(), 4u);
    std::string data = s.data;
    data[s.central[0] + 16] ^= 0x40; // the CRC of a.txt
    WriteFile(t / "bad.zip", data);
    std::string out;
    EXPECT_EQ(UnZip(ExtractAll(t / "bad.zip", t / "out"), &out), ARC_ERROR_HEADER_BROKEN);
    EXPECT_NE(out.find("a.txt"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(t / "out/a.txt"), s.text);
    EXPECT_EQ(ReadFile(t / "out/b.bin"), s.random);
    EXPECT_EQ(ReadFile(t / "out/sub/c.txt"), s.small);
    // One member into memory: filled from the local header, the damage still reported.
    unsigned char buf[64] = {};
    uint32_t written = 0;
    EXPECT_EQ(Libraries::Get().ExtractMem(nullptr,
                                          (Quoted(t / "bad.zip") + " \"sub/c.txt\"").c_str(), buf,
                                          sizeof buf, nullptr, nullptr, &written),
              ARC_ERROR_HEADER_BROKEN);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), written), s.small);
}

TEST(ZipDamage, StreamedArchivesWithDataDescriptorsAreRecovered) {
    TempDir t;
    const std::string text = TextBytes(70000);
    const std::string random = RandomBytes(5000, 4);
    WriteFile(t / "src/a.txt", text);
    WriteFile(t / "src/b.bin", random);
    std::string out;
    // bsdtar writes deflated members with data descriptors and no sizes in their headers;
    // zip writing into a pipe does the same, and stores with the sizes in the header.
    ASSERT_EQ(
        Shell("cd " + Sh(t / "src") + " && bsdtar --format zip -cf ../bsd.zip a.txt b.bin", &out),
        0)
        << out;
    ASSERT_EQ(Shell("cd " + Sh(t / "src") + " && zip -q - a.txt b.bin | cat > ../pipe.zip", &out),
              0)
        << out;
    ASSERT_EQ(
        Shell("cd " + Sh(t / "src") + " && zip -q -0 - a.txt b.bin | cat > ../pipe0.zip", &out), 0)
        << out;
    for (const std::string name : {"bsd.zip", "pipe.zip", "pipe0.zip"}) {
        const std::string whole = ReadFile(t / name);
        const vmzip::RawFile file(t / name);
        const auto cd = vmzip::ReadCentralDirectory(file);
        ASSERT_TRUE(cd.has_value()) << name;
        ASSERT_EQ(cd->entries.size(), 2u) << name;
        EXPECT_NE(cd->entries[0].flags & 8, 0) << name << " has no data descriptors";
        // Intact, they list and extract as they are.
        const ListResult listed = ListAll(t / name);
        EXPECT_EQ(listed.end, -1) << name;
        EXPECT_EQ(listed.names.size(), 2u) << name;
        // Without their central directory, every member comes back from its local header.
        WriteFile(t / "cut.zip", whole.substr(0, static_cast<std::size_t>(cd->offset) + 3));
        const std::string dest = t / ("out-" + name);
        EXPECT_EQ(UnZip(ExtractAll(t / "cut.zip", dest), &out), ARC_ERROR_HEADER_BROKEN) << name;
        EXPECT_EQ(ReadFile(dest + "/a.txt"), text) << name << ": " << out;
        EXPECT_EQ(ReadFile(dest + "/b.bin"), random) << name << ": " << out;
    }
}
