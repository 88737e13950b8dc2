// Names are bytes: names that are not UTF-8 (bytes 0xFF, 0xFE, Latin-1 letters) are packed,
// listed, extracted, updated and deleted exactly, with the command lines the program sends, and
// the peer archivers open such archives. One member that fails never stops the others.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

// The switches the program sends (an update or an extraction), ending the switches with "--".
const std::string kSwitches = " -+ -a1 -c1 -jso1 -jss1 -jst1 -- ";

// Every kind of name that is not UTF-8, and two that are; paths relative to the base directory.
const std::vector<std::pair<std::string, std::string>>& Files() {
    static const std::vector<std::pair<std::string, std::string>> files = {
        {"\xFF\xFE", "ff fe"},
        {"caf\xE9.txt", TextData(5000, 21)},
        {"d\xFFir/in\xFEner", "below a directory whose name holds 0xFF"},
        {"plain.txt", "plain"},
        {"\x81\x8D", "bytes Windows-1252 leaves undefined"},
        {"日本語.txt", TextData(3000, 22)},
    };
    return files;
}

std::vector<std::string> Listed(const std::string& archive) {
    std::vector<std::string> names;
    ArcHandle h = UnlhaOpenArchive(nullptr, archive.c_str(), ARC_OPEN_LIST);
    EXPECT_NE(h, nullptr) << archive;
    if (h == nullptr)
        return names;
    ArcMemberRecord r{};
    int32_t code = UnlhaFindFirst(h, "*.*", &r);
    for (; code == 0; code = UnlhaFindNext(h, &r))
        names.emplace_back(r.fileName);
    EXPECT_EQ(code, -1);
    UnlhaCloseArchive(h);
    return names;
}

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& [name, data] : Files())
        names.push_back(name);
    return names;
}

// Packs Files() below dir/src into dir/a.lzh as the program does.
void PackAll(const TempDir& dir) {
    ::mkdir((dir / "src").c_str(), 0755);
    ::mkdir((dir / "src/d\xFFir").c_str(), 0755);
    std::string names;
    for (const auto& [name, data] : Files()) {
        WriteFile(dir / ("src/" + name), data);
        names += " " + Q(name);
    }
    std::string out;
    ASSERT_EQ(Lha("u" + kSwitches + Q(dir / "a.lzh") + " " + Q(dir / "src/") + names, &out), 0)
        << out;
}

} // namespace

TEST(Names, NotUtf8NamesAreListedExtractedUpdatedAndDeletedByteExact) {
    TempDir dir;
    PackAll(dir);
    const std::string archive = dir / "a.lzh";
    EXPECT_EQ(Listed(archive), Names());
    std::string out;
    ASSERT_EQ(Lha("l " + Q(archive), &out), 0);
    for (const auto& [name, data] : Files())
        EXPECT_NE(out.find(" " + name + "\n"), std::string::npos) << name << "\n" << out;

    // Each member asked for by its name, as a restore asks, and all of them at once.
    for (const auto& [name, data] : Files()) {
        TempDir dest;
        ASSERT_EQ(
            Lha("x" + kSwitches + Q(archive) + " " + Q(dest.Path() + "/") + " " + Q(name), &out), 0)
            << name << "\n"
            << out;
        EXPECT_EQ(ReadFile(dest / name), data) << name;
    }
    ASSERT_EQ(Lha("x" + kSwitches + Q(archive) + " " + Q(dir / "all/"), &out), 0) << out;
    for (const auto& [name, data] : Files())
        EXPECT_EQ(ReadFile(dir / ("all/" + name)), data) << name;
    EXPECT_EQ(ListDir(dir / "all/d\xFFir"), std::vector<std::string>{"in\xFEner"});
    ASSERT_EQ(
        Lha("e" + kSwitches + Q(archive) + " " + Q(dir / "flat/") + " " + Q("d\xFFir/in\xFEner")),
        0);
    EXPECT_EQ(ListDir(dir / "flat"), std::vector<std::string>{"in\xFEner"});

    // Update and freshen replace the member of that name, never add a second one.
    WriteFile(dir / "src/\xFF\xFE", "updated");
    WriteFile(dir / "src/d\xFFir/in\xFEner", "freshened");
    ASSERT_EQ(Lha("u" + kSwitches + Q(archive) + " " + Q(dir / "src/") + " " + Q("\xFF\xFE")), 0);
    ASSERT_EQ(
        Lha("f" + kSwitches + Q(archive) + " " + Q(dir / "src/") + " " + Q("d\xFFir/in\xFEner")),
        0);
    EXPECT_EQ(Listed(archive), Names());
    ASSERT_EQ(Lha("x" + kSwitches + Q(archive) + " " + Q(dir / "again/")), 0);
    EXPECT_EQ(ReadFile(dir / "again/\xFF\xFE"), "updated");
    EXPECT_EQ(ReadFile(dir / "again/d\xFFir/in\xFEner"), "freshened");

    // Delete, as the program removes members (no "--").
    ASSERT_EQ(Lha("d -+ -jso1 -jss1 -jst1 " + Q(archive) + " " + Q(dir / "src/") + " " +
                  Q("\xFF\xFE") + " " + Q("\x81\x8D")),
              0);
    std::vector<std::string> left = Names();
    std::erase(left, std::string("\xFF\xFE"));
    std::erase(left, std::string("\x81\x8D"));
    EXPECT_EQ(Listed(archive), left);
}

TEST(Names, PeerArchiversOpenArchivesWithNamesThatAreNotUtf8) {
    TempDir dir;
    PackAll(dir);
    std::string out;
    if (HaveTool("lha")) {
        EXPECT_EQ(Shell(dir.Path(), "lha l a.lzh", &out), 0) << out;
        EXPECT_NE(out.find(" 6 files"), std::string::npos) << out;
        EXPECT_EQ(Shell(dir.Path(), "lha t a.lzh", &out), 0) << out;
    }
    if (HaveTool("bsdtar")) {
        // bsdtar shows such names in the code page the header names, and reads on past them.
        EXPECT_EQ(Shell(dir.Path(), "bsdtar -tf a.lzh | wc -l", &out), 0);
        EXPECT_EQ(std::stoi(out), 6) << out;
        EXPECT_EQ(Shell(dir.Path(), "bsdtar -tf a.lzh >/dev/null", &out), 0) << out;
        EXPECT_EQ(Shell(dir.Path(), "bsdtar -tf a.lzh | grep -c 'caf\xC3\xA9.txt'", &out), 0)
            << out;
        ::mkdir((dir / "bsdtar").c_str(), 0755);
        EXPECT_EQ(Shell(dir / "bsdtar", "bsdtar -xf ../a.lzh", &out), 0) << out;
        EXPECT_EQ(ReadFile(dir / "bsdtar/plain.txt"), "plain");
        EXPECT_EQ(ReadFile(dir / "bsdtar/日本語.txt"), TextData(3000, 22));
    }
    if (HaveTool("7zz")) {
        // 7-Zip keeps the bytes.
        ::mkdir((dir / "7zz").c_str(), 0755);
        EXPECT_EQ(Shell(dir / "7zz", "7zz x -y -bd ../a.lzh", &out), 0) << out;
        for (const auto& [name, data] : Files())
            EXPECT_EQ(ReadFile(dir / ("7zz/" + name)), data) << name;
    }
}

TEST(Names, OneFailingMemberNeverStopsTheOthers) {
    TempDir dir;
    PackAll(dir);
    ::mkdir((dir / "dest").c_str(), 0755);
    // A directory stands where one file goes: that member cannot be written.
    ::mkdir((dir / "dest/plain.txt").c_str(), 0755);
    std::string out;
    EXPECT_EQ(Lha("x" + kSwitches + Q(dir / "a.lzh") + " " + Q(dir / "dest/") + " " +
                      Q("\xFF\xFE") + " plain.txt " + Q("no such member") + " " + Q("caf\xE9.txt"),
                  &out),
              ARC_ERROR_CANNOT_WRITE);
    EXPECT_NE(out.find("plain.txt"), std::string::npos) << out;
    EXPECT_NE(out.find("no such member"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir / "dest/\xFF\xFE"), "ff fe");
    EXPECT_EQ(ReadFile(dir / "dest/caf\xE9.txt"), TextData(5000, 21));
    // Nothing else was written: no work file is left beside the targets.
    EXPECT_EQ(ListDir(dir / "dest"),
              (std::vector<std::string>{"caf\xE9.txt", "plain.txt", "\xFF\xFE"}));
    EXPECT_TRUE(ListDir(dir / "dest/plain.txt").empty());
}
