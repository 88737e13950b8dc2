// Names are bytes: names that are not UTF-8 pack, list, extract, freshen and delete
// byte-exact; valid UTF-8 names carry the UTF-8 flag; names stored without the flag (by
// libzip as CP437, or by zip under the C locale) are read back raw, never converted.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <zip.h>

#include "ZipRecords.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

constexpr uint16_t kUtf8Flag = 0x0800;

// The general-purpose flags of each central entry, by stored name.
std::vector<std::pair<std::string, uint16_t>> CentralFlags(const std::string& arc) {
    std::vector<std::pair<std::string, uint16_t>> out;
    const vmzip::RawFile file(arc);
    const auto cd = vmzip::ReadCentralDirectory(file);
    if (!cd)
        return out;
    for (const vmzip::CentralEntry& e : cd->entries)
        out.emplace_back(e.name, e.flags);
    return out;
}

uint16_t FlagsOf(const std::string& arc, const std::string& name) {
    for (const auto& [n, flags] : CentralFlags(arc)) {
        if (n == name)
            return flags;
    }
    ADD_FAILURE() << "no central entry " << name << " in " << arc;
    return 0;
}

const std::string kLatin1 = "caf\xe9.txt";           // "café" in Latin-1
const std::string kFfFe = "\xff\xfe-raw.bin";        // never valid in any UTF-8
const std::string kUtf8 = "日本語.txt";              // valid UTF-8
const std::string kLatin1Dir = "r\xe9sum\xe9";       // a directory in Latin-1
const std::string kInner = kLatin1Dir + "/\xfc.txt"; // and a file inside it

} // namespace

TEST(ZipNames, NamesThatAreNotUtf8PackListExtractFreshenAndDeleteByteExact) {
    TempDir t;
    const std::vector<std::string> names = {kLatin1, kFfFe, kUtf8, "plain.txt", kInner};
    for (const std::string& n : names)
        WriteFile(t / "src/" + n, "data of " + n);
    SetMtime(t / "src/" + kLatin1, 1600000000);
    const std::string arc = t / "a.zip";
    ASSERT_EQ(Zip(PackCommand(arc, t / "src", names)), 0);

    // Listed as the bytes they are.
    const ListResult listed = ListAll(arc);
    ASSERT_TRUE(listed.opened);
    EXPECT_EQ(listed.end, -1);
    EXPECT_EQ(Sorted(listed.names), Sorted(names));

    // Only the valid UTF-8 name carries the UTF-8 flag; the others are stored as they are.
    EXPECT_NE(FlagsOf(arc, kUtf8) & kUtf8Flag, 0);
    EXPECT_EQ(FlagsOf(arc, kLatin1) & kUtf8Flag, 0);
    EXPECT_EQ(FlagsOf(arc, kFfFe) & kUtf8Flag, 0);
    EXPECT_EQ(FlagsOf(arc, kInner) & kUtf8Flag, 0);

    // The peers see the same bytes.
    std::string out;
    ASSERT_EQ(Shell("LC_ALL=C.UTF-8 unzip -Z1 " + Sh(arc), &out), 0) << out;
    EXPECT_EQ(Sorted(SplitLines(out)), Sorted(names));
    ASSERT_EQ(Shell("LC_ALL=C.UTF-8 bsdtar -tf " + Sh(arc), &out), 0) << out;
    EXPECT_EQ(Sorted(SplitLines(UnescapeOctal(out))), Sorted(names));
    ASSERT_EQ(Shell("unzip -tq " + Sh(arc), &out), 0) << out;

    // Extracted under exactly those names.
    ASSERT_EQ(UnZip("-x -o " + Quoted(arc) + " " + Quoted(t / "out" + "/"), &out), 0) << out;
    for (const std::string& n : names)
        EXPECT_EQ(ReadFile(t / "out/" + n), "data of " + n) << n;

    // A freshen names the member by its bytes only.
    WriteFile(t / "src/" + kLatin1, "fresher");
    SetMtime(t / "src/" + kLatin1, 1700000000);
    ASSERT_EQ(Zip("-f -S -D -q -o  " + Quoted(arc) + " " + Quoted(t / "src" + "/") + " " +
                  Escaped(kLatin1)),
              0);
    ASSERT_EQ(
        UnZip("-x -o " + Quoted(arc) + " " + Quoted(t / "out2" + "/") + " " + Escaped(kLatin1)), 0);
    EXPECT_EQ(ReadFile(t / "out2/" + kLatin1), "fresher");
    EXPECT_EQ(FlagsOf(arc, kLatin1) & kUtf8Flag, 0);

    // So does a delete, by name and by a wildcard over raw bytes.
    ASSERT_EQ(Zip("-d -q " + Quoted(arc) + " " + Escaped(kFfFe) + " " + Quoted(kLatin1Dir + "/*")),
              0);
    EXPECT_EQ(Sorted(ListNames(arc)), Sorted({kLatin1, kUtf8, "plain.txt"}));
    // The members left keep their bytes and their flags through the rewrite.
    EXPECT_NE(FlagsOf(arc, kUtf8) & kUtf8Flag, 0);
    EXPECT_EQ(FlagsOf(arc, kLatin1) & kUtf8Flag, 0);
    // A name that differs in its bytes only (the UTF-8 spelling) is another name.
    EXPECT_EQ(Zip("-d -q " + Quoted(arc) + " " + Quoted("café.txt"), &out), 0);
    EXPECT_NE(out.find("no member café.txt"), std::string::npos) << out;
    EXPECT_EQ(ListNames(arc).size(), 3u);
}

TEST(ZipNames, NamesWithoutTheUtf8FlagAreReadRaw) {
    TempDir t;
    // Written by libzip as CP437 names: libzip's default reading would turn 0x82 into "é".
    const std::string cp437 = "caf\x82.txt";
    const std::string arc = t / "cp437.zip";
    {
        int err = 0;
        zip_t* za = zip_open(arc.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        ASSERT_NE(za, nullptr);
        static const char kData[] = "cp437 data";
        zip_source_t* src = zip_source_buffer(za, kData, sizeof kData - 1, 0);
        ASSERT_GE(zip_file_add(za, cp437.c_str(), src, ZIP_FL_ENC_CP437), 0);
        src = zip_source_buffer(za, kData, sizeof kData - 1, 0);
        ASSERT_GE(zip_file_add(za, "other.txt", src, 0), 0);
        ASSERT_EQ(zip_close(za), 0);
    }
    ASSERT_EQ(FlagsOf(arc, cp437) & kUtf8Flag, 0);
    EXPECT_EQ(Sorted(ListNames(arc)), Sorted({cp437, "other.txt"}));
    std::string out;
    ASSERT_EQ(
        UnZip("-x -o " + Quoted(arc) + " " + Quoted(t / "out" + "/") + " " + Escaped(cp437), &out),
        0)
        << out;
    EXPECT_EQ(ReadFile(t / "out/" + cp437), "cp437 data");
    EXPECT_FALSE(Exists(t / "out/café.txt"));
    unsigned char buf[32] = {};
    uint32_t written = 0;
    ASSERT_EQ(Libraries::Get().ExtractMem(nullptr, (Quoted(arc) + " " + Escaped(cp437)).c_str(),
                                          buf, sizeof buf, nullptr, nullptr, &written),
              0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), written), "cp437 data");

    // Written by zip under the C locale: the Latin-1 bytes as they are, without the flag.
    WriteFile(t / "src/" + kLatin1, "by zip");
    ASSERT_EQ(
        Shell("cd " + Sh(t / "src") + " && LC_ALL=C zip -q ../byzip.zip " + Sh(kLatin1), &out), 0)
        << out;
    ASSERT_EQ(FlagsOf(t / "byzip.zip", kLatin1) & kUtf8Flag, 0);
    EXPECT_EQ(ListNames(t / "byzip.zip"), std::vector<std::string>{kLatin1});
    ASSERT_EQ(UnZip("-x -o " + Quoted(t / "byzip.zip") + " " + Quoted(t / "out" + "/")), 0);
    EXPECT_EQ(ReadFile(t / "out/" + kLatin1), "by zip");

    // Updating such an archive keeps the old name's bytes and adds nothing to them.
    WriteFile(t / "src/new.txt", "new");
    ASSERT_EQ(Zip(PackCommand(t / "byzip.zip", t / "src", {"new.txt"})), 0);
    EXPECT_EQ(Sorted(ListNames(t / "byzip.zip")), Sorted({kLatin1, "new.txt"}));
    ASSERT_EQ(Shell("LC_ALL=C unzip -Z1 " + Sh(t / "byzip.zip"), &out), 0) << out;
    EXPECT_EQ(Sorted(SplitLines(out)), Sorted({kLatin1, "new.txt"}));
    EXPECT_EQ(Zip("-d -q " + Quoted(t / "byzip.zip") + " " + Escaped(kLatin1)), 0);
    EXPECT_EQ(ListNames(t / "byzip.zip"), std::vector<std::string>{"new.txt"});
}
