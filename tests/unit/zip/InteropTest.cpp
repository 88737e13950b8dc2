// Archives written by our libraries open byte-exact in unzip, bsdtar and 7zz; archives that
// zip (also with ZIP64 records), 7zz and bsdtar write open in ours.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sys/stat.h>

#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

struct Item {
    std::string name;
    std::string data;
};

std::vector<Item> Items() {
    return {
        {"empty.txt", ""},
        {"one.bin", "x"},
        {"text.txt", TextBytes(300000)},
        {"random.bin", RandomBytes(1 << 20, 1)},
        {"mixed.bin", TextBytes(2 << 20) + RandomBytes(1 << 20, 2)},
        {"with blank.txt", "blank"},
        {"日本語のファイル名.txt", "にほんご"},
        {"quote\"d.txt", "q"},
        {"single'q.txt", "s"},
        {"bracket[1].txt", "b"},
        {"-x.txt", "dash"},
        {"sub dir/inner [2].txt", "inner"},
    };
}

// Names that are not valid UTF-8: "ete" with Latin-1 accents, and "日本" in Shift_JIS.
std::vector<Item> RawItems() {
    return {{"\xe9t\xe9.bin", "raw"}, {"\x93\xfa\x96\x7b.txt", "sjis"}};
}

// unzip drops a 0xFF byte from any name (also in archives that zip writes), so this one is
// checked with bsdtar, 7zz and ours only.
const Item kFfItem{"\xff\xfe-raw.bin", "ff"};

void MakeTree(const std::string& dir, const std::vector<Item>& items) {
    for (const Item& it : items)
        WriteFile(dir + "/" + it.name, it.data);
}

void ExpectTree(const std::string& dir, const std::vector<Item>& items, const std::string& who) {
    for (const Item& it : items) {
        const std::string got = ReadFile(dir + "/" + it.name);
        EXPECT_TRUE(got == it.data) << who << ": " << it.name << " differs (" << got.size()
                                    << " bytes, expected " << it.data.size() << ")";
    }
}

std::vector<std::string> NamesOf(const std::vector<Item>& items) {
    std::vector<std::string> names;
    for (const Item& it : items)
        names.push_back(it.name);
    return names;
}

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            out.insert(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

const char* kUtf8 = "LC_ALL=C.UTF-8 ";

int32_t Pack(const std::string& archive, const std::string& base,
             const std::vector<std::string>& names) {
    const std::string cmd = PackCommand(archive, base, names);
    return Libraries::Get().Zip(nullptr, cmd.c_str(), nullptr, 0);
}

} // namespace

TEST(ZipInterop, OurArchivesListAndExtractExactlyInPeers) {
    TempDir t;
    const std::vector<Item> items = Items();
    MakeTree(t / "src", items);
    const std::string arc = t / "ours.zip";
    ASSERT_EQ(Pack(arc, t / "src", NamesOf(items)), 0);

    const std::vector<std::string> names = NamesOf(items);
    const std::set<std::string> expected(names.begin(), names.end());
    std::string out;
    ASSERT_EQ(Shell(kUtf8 + std::string("unzip -Z1 ") + Sh(arc), &out), 0) << out;
    EXPECT_EQ(Lines(out), expected);
    ASSERT_EQ(Shell(kUtf8 + std::string("unzip -tq ") + Sh(arc), &out), 0) << out;
    ASSERT_EQ(Shell(kUtf8 + std::string("unzip -q -o ") + Sh(arc) + " -d " + Sh(t / "unzip"), &out),
              0)
        << out;
    ExpectTree(t / "unzip", items, "unzip");

    ASSERT_EQ(Shell(kUtf8 + std::string("bsdtar -tf ") + Sh(arc), &out), 0) << out;
    EXPECT_EQ(Lines(out), expected);
    Shell("mkdir -p " + Sh(t / "bsdtar"));
    ASSERT_EQ(Shell(kUtf8 + std::string("bsdtar -xf ") + Sh(arc) + " -C " + Sh(t / "bsdtar"), &out),
              0)
        << out;
    ExpectTree(t / "bsdtar", items, "bsdtar");

    ASSERT_EQ(Shell(kUtf8 + std::string("7zz l -slt -ba ") + Sh(arc), &out), 0) << out;
    std::set<std::string> listed7zz;
    for (const std::string& line : Lines(out)) {
        if (line.rfind("Path = ", 0) == 0)
            listed7zz.insert(line.substr(7));
    }
    EXPECT_EQ(listed7zz, expected);
    ASSERT_EQ(Shell(kUtf8 + std::string("7zz t ") + Sh(arc), &out), 0) << out;
    ASSERT_EQ(Shell(kUtf8 + std::string("7zz x -y -o") + Sh(t / "7zz") + " " + Sh(arc), &out), 0)
        << out;
    ExpectTree(t / "7zz", items, "7zz");
}

TEST(ZipInterop, NamesThatAreNotUtf8KeepTheirBytes) {
    TempDir t;
    const std::vector<Item> items = RawItems();
    std::vector<Item> all = items;
    all.push_back(kFfItem);
    MakeTree(t / "src", all);
    const std::string arc = t / "raw.zip";
    ASSERT_EQ(Pack(arc, t / "src", NamesOf(all)), 0);

    std::vector<std::string> listed = ListNames(arc);
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> names = NamesOf(all);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(listed, names);

    std::string out;
    ASSERT_EQ(Shell(std::string("unzip -q -o ") + Sh(arc) + " -d " + Sh(t / "unzip"), &out), 0)
        << out;
    ExpectTree(t / "unzip", items, "unzip");
    Shell("mkdir -p " + Sh(t / "bsdtar"));
    ASSERT_EQ(Shell(std::string("bsdtar -xf ") + Sh(arc) + " -C " + Sh(t / "bsdtar"), &out), 0)
        << out;
    ExpectTree(t / "bsdtar", all, "bsdtar");
    ASSERT_EQ(Shell(kUtf8 + std::string("7zz x -y -o") + Sh(t / "7zz") + " " + Sh(arc), &out), 0)
        << out;
    ExpectTree(t / "7zz", all, "7zz");

    // And back through our own extraction.
    const std::string cmd = "-x -o " + Quoted(arc) + " " + Quoted(t / "ours" + "/");
    ASSERT_EQ(Libraries::Get().UnZip(nullptr, cmd.c_str(), nullptr, 0), 0);
    ExpectTree(t / "ours", all, "ours");
}

TEST(ZipInterop, TimesAndPermissionsSurvivePeersAndOurs) {
    TempDir t;
    WriteFile(t / "src/script.sh", "#!/bin/sh\n");
    WriteFile(t / "src/private.txt", "secret");
    WriteFile(t / "src/readonly.txt", "ro");
    chmod((t / "src/script.sh").c_str(), 0751);
    chmod((t / "src/private.txt").c_str(), 0640);
    chmod((t / "src/readonly.txt").c_str(), 0444);
    SetMtime(t / "src/script.sh", 1500000001); // an odd second: only the extended field keeps it
    SetMtime(t / "src/private.txt", 1300000000);
    SetMtime(t / "src/readonly.txt", 1600000000);
    const std::string arc = t / "meta.zip";
    ASSERT_EQ(Pack(arc, t / "src", {"script.sh", "private.txt", "readonly.txt"}), 0);

    std::string out;
    ASSERT_EQ(Shell(std::string("unzip -q -o ") + Sh(arc) + " -d " + Sh(t / "unzip"), &out), 0)
        << out;
    const std::string cmd = "-x -o " + Quoted(arc) + " " + Quoted(t / "ours" + "/");
    ASSERT_EQ(Libraries::Get().UnZip(nullptr, cmd.c_str(), nullptr, 0), 0);
    for (const std::string dir : {"unzip", "ours"}) {
        struct stat st {};
        ASSERT_EQ(stat((t / dir + "/script.sh").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0751u) << dir;
        EXPECT_EQ(st.st_mtime, 1500000001) << dir;
        ASSERT_EQ(stat((t / dir + "/private.txt").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << dir;
        EXPECT_EQ(st.st_mtime, 1300000000) << dir;
        ASSERT_EQ(stat((t / dir + "/readonly.txt").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u) << dir;
    }
}

TEST(ZipInterop, ArchivesOfZipAnd7zzExtractWithOurs) {
    TempDir t;
    const std::vector<Item> items = Items();
    MakeTree(t / "src", items);
    std::string out;
    ASSERT_EQ(
        Shell(kUtf8 + std::string("cd ") + Sh(t / "src") + " && zip -q -r ../zip.zip .", &out), 0)
        << out;
    ASSERT_EQ(Shell(kUtf8 + std::string("cd ") + Sh(t / "src") + " && 7zz a -tzip -bd ../7zz.zip .",
                    &out),
              0)
        << out;
    // ZIP64 records throughout, and bsdtar's data descriptors and "./" names.
    ASSERT_EQ(Shell(kUtf8 + std::string("cd ") + Sh(t / "src") + " && zip -q -r -fz ../zip64.zip .",
                    &out),
              0)
        << out;
    ASSERT_EQ(
        Shell(kUtf8 + std::string("cd ") + Sh(t / "src") + " && bsdtar -a -cf ../bsd.zip -- *",
              &out),
        0)
        << out;
    for (const std::string arc : {"zip.zip", "7zz.zip", "zip64.zip", "bsd.zip"}) {
        EXPECT_NE(Libraries::Get().CheckArchive((t / arc).c_str(), 24), 0) << arc;
        EXPECT_EQ(ListAll(t / arc).end, -1) << arc << " does not list as intact";
        std::vector<std::string> listed = ListNames(t / arc);
        for (const Item& it : items)
            EXPECT_NE(std::find(listed.begin(), listed.end(), it.name), listed.end())
                << arc << " lists no " << it.name;
        const std::string cmd = "-x -o " + Quoted(t / arc) + " " + Quoted(t / ("out-" + arc) + "/");
        char output[4096] = "";
        ASSERT_EQ(Libraries::Get().UnZip(nullptr, cmd.c_str(), output, sizeof output), 0)
            << arc << ": " << output;
        ExpectTree(t / ("out-" + arc), items, arc);
    }
}
