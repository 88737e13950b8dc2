// Member records, the time and size entries, the archive check and extraction into memory.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include <zlib.h>

#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

struct Record {
    ArcMemberRecord rec;
    ArcFileTime writeTime;
    uint64_t size64;
};

std::vector<Record> Records(const std::string& arc, const char* wildcard = "*.*") {
    const Libraries& lib = Libraries::Get();
    std::vector<Record> out;
    ArcHandle h = lib.OpenArchive(nullptr, arc.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return out;
    ArcMemberRecord rec{};
    for (int32_t r = lib.FindFirst(h, wildcard, &rec); r == 0; r = lib.FindNext(h, &rec)) {
        Record one{rec, 0, 0};
        EXPECT_NE(lib.GetWriteTimeEx(h, &one.writeTime), 0);
        EXPECT_NE(lib.GetOriginalSizeEx(h, &one.size64), 0);
        out.push_back(one);
    }
    EXPECT_NE(lib.FindNext(h, &rec), 0); // stays at the end
    EXPECT_EQ(lib.CloseArchive(h), 0);
    return out;
}

const Record* Find(const std::vector<Record>& records, const std::string& name) {
    for (const Record& r : records) {
        if (name == r.rec.fileName)
            return &r;
    }
    return nullptr;
}

uint16_t LocalDosDate(time_t t) {
    struct tm tmv {};
    localtime_r(&t, &tmv);
    return static_cast<uint16_t>(((tmv.tm_year - 80) << 9) | ((tmv.tm_mon + 1) << 5) | tmv.tm_mday);
}

uint16_t LocalDosTime(time_t t) {
    struct tm tmv {};
    localtime_r(&t, &tmv);
    return static_cast<uint16_t>((tmv.tm_hour << 11) | (tmv.tm_min << 5) | (tmv.tm_sec / 2));
}

int32_t Pack(const std::string& cmd) {
    return Libraries::Get().Zip(nullptr, cmd.c_str(), nullptr, 0);
}

} // namespace

TEST(ZipListing, RecordsCarrySizesTimesAttributesAndMethod) {
    TempDir t;
    const std::string text = TextBytes(50000);
    WriteFile(t / "src/text.txt", text);
    WriteFile(t / "src/readonly.txt", "ro");
    WriteFile(t / "src/.hidden", "h");
    WriteFile(t / "src/sub/inner.txt", "inner");
    chmod((t / "src/readonly.txt").c_str(), 0444);
    const time_t when = 1700000123;
    SetMtime(t / "src/text.txt", when);
    // Without -D the directory given with -r gets its own member.
    ASSERT_EQ(Pack(" -S -r -q  " + Quoted(t / "a.zip") + " " + Quoted(t / "src" + "/") +
                   " \"text.txt\" \"readonly.txt\" \".hidden\" \"sub\""),
              0);
    const std::vector<Record> records = Records(t / "a.zip");
    ASSERT_EQ(records.size(), 5u);

    const Record* r = Find(records, "text.txt");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->rec.originalSize, text.size());
    EXPECT_LT(r->rec.compressedSize, text.size());
    EXPECT_EQ(r->rec.crc, crc32(0, reinterpret_cast<const Bytef*>(text.data()),
                                static_cast<uInt>(text.size())));
    EXPECT_EQ(r->rec.ratio, r->rec.compressedSize * 1000 / text.size());
    EXPECT_EQ(r->rec.dosDate, LocalDosDate(when));
    EXPECT_EQ(r->rec.dosTime, LocalDosTime(when));
    EXPECT_EQ(r->rec.osType, 3u);
    EXPECT_STREQ(r->rec.method, "deflate");
    EXPECT_STREQ(r->rec.attribute, "-a----");
    EXPECT_EQ(r->writeTime, (static_cast<ArcFileTime>(when) + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(r->size64, text.size());

    ASSERT_NE(Find(records, "readonly.txt"), nullptr);
    EXPECT_STREQ(Find(records, "readonly.txt")->rec.attribute, "-a-o--");
    ASSERT_NE(Find(records, ".hidden"), nullptr);
    EXPECT_STREQ(Find(records, ".hidden")->rec.attribute, "-a--h-");
    ASSERT_NE(Find(records, "sub/"), nullptr);
    EXPECT_STREQ(Find(records, "sub/")->rec.attribute, "d-----");
    EXPECT_NE(Find(records, "sub/inner.txt"), nullptr);

    // A wildcard selects; one that matches nothing ends at once.
    EXPECT_EQ(Records(t / "a.zip", "*.txt").size(), 3u);
    EXPECT_TRUE(Records(t / "a.zip", "*.none").empty());
}

TEST(ZipListing, LongNamesAreCutInsideTheRecord) {
    TempDir t;
    std::string rel;
    for (int i = 0; i < 13; ++i)
        rel += std::string(48, static_cast<char>('a' + i)) + "/";
    rel += "file.txt";
    ASSERT_GT(rel.size(), 600u);
    WriteFile(t / "src/" + rel, "deep");
    ASSERT_EQ(Pack(PackCommand(t / "a.zip", t / "src", {rel})), 0);
    const std::vector<Record> records = Records(t / "a.zip");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::string(records[0].rec.fileName), rel.substr(0, ARC_NAME_MAX));
    EXPECT_EQ(records[0].rec.originalSize, 4u);
}

TEST(ZipListing, BadHandlesAndArchivesAreRefused) {
    TempDir t;
    const Libraries& lib = Libraries::Get();
    WriteFile(t / "text.zip", "plain text, no archive");
    WriteFile(t / "empty.zip", "");
    EXPECT_EQ(lib.OpenArchive(nullptr, (t / "missing.zip").c_str(), ARC_OPEN_LIST), nullptr);
    EXPECT_EQ(lib.OpenArchive(nullptr, (t / "text.zip").c_str(), ARC_OPEN_LIST), nullptr);
    EXPECT_EQ(lib.OpenArchive(nullptr, t.path().c_str(), ARC_OPEN_LIST), nullptr);
    EXPECT_EQ(lib.CheckArchive((t / "text.zip").c_str(), 24), 0);
    EXPECT_EQ(lib.CheckArchive((t / "empty.zip").c_str(), 24), 0);
    EXPECT_EQ(lib.CheckArchive((t / "missing.zip").c_str(), 24), 0);
    ArcMemberRecord rec{};
    int dummy = 0;
    EXPECT_NE(lib.FindFirst(&dummy, "*.*", &rec), 0);
    EXPECT_NE(lib.FindNext(&dummy, &rec), 0);
    EXPECT_NE(lib.CloseArchive(&dummy), 0);
    ArcFileTime ft = 0;
    EXPECT_EQ(lib.GetWriteTimeEx(&dummy, &ft), 0);
}

TEST(ZipListing, ExtractMemFillsTheBufferAndReportsTooSmallOnes) {
    TempDir t;
    WriteFile(t / "src/a[1].txt", "hello memory");
    SetMtime(t / "src/a[1].txt", 1650000000);
    ASSERT_EQ(Pack(PackCommand(t / "a.zip", t / "src", {"a[1].txt"})), 0);
    const Libraries& lib = Libraries::Get();
    const std::string cmd = Quoted(t / "a.zip") + " " + Escaped("a[1].txt");
    unsigned char buf[64] = {};
    int64_t time = 0;
    uint16_t attr = 0;
    uint32_t written = 0;
    ASSERT_EQ(lib.ExtractMem(nullptr, cmd.c_str(), buf, sizeof buf, &time, &attr, &written), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), written), "hello memory");
    EXPECT_EQ(time, 1650000000);
    EXPECT_EQ(attr, ARC_ATTR_ARCHIVE);
    EXPECT_EQ(lib.ExtractMem(nullptr, cmd.c_str(), buf, 5, &time, &attr, &written),
              ARC_ERROR_MORE_HEAP_MEMORY);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(lib.ExtractMem(nullptr, (Quoted(t / "a.zip") + " \"none\"").c_str(), buf, sizeof buf,
                             nullptr, nullptr, &written),
              ARC_ERROR_NOT_EXIST);
}
