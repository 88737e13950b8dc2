// The listing, checking and memory entries of the contract.
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/DosTime.h"
#include "archivers/unlha32/MemberHeader.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

constexpr int64_t kT = 1700000000;

std::string MakeArchive(const TempDir& dir) {
    ::mkdir((dir / "src").c_str(), 0755);
    ::mkdir((dir / "src/sub").c_str(), 0755);
    WriteFile(dir / "src/.hidden", "h");
    WriteFile(dir / "src/readonly.txt", TextData(50000));
    WriteFile(dir / "src/sub/x.bin", RandomData(1000));
    ::chmod((dir / "src/readonly.txt").c_str(), 0444);
    for (const char* n : {".hidden", "readonly.txt", "sub/x.bin"})
        SetTime(dir / (std::string("src/") + n), kT);
    EXPECT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir / "src/") +
                  " .hidden readonly.txt sub/x.bin sub"),
              0);
    return dir / "a.lzh";
}

} // namespace

TEST(Entries, FindFirstAndFindNextFillMemberRecords) {
    TempDir dir;
    const std::string archive = MakeArchive(dir);
    ArcHandle h = UnlhaOpenArchive(nullptr, archive.c_str(), ARC_OPEN_LIST);
    ASSERT_NE(h, nullptr);
    ArcMemberRecord r{};
    std::vector<std::string> names;
    std::vector<std::string> attributes;
    for (int32_t found = UnlhaFindFirst(h, "*.*", &r); found == 0; found = UnlhaFindNext(h, &r)) {
        names.push_back(r.fileName);
        attributes.push_back(r.attribute);
        if (names.back() == "readonly.txt") {
            EXPECT_EQ(r.originalSize, 50000u);
            EXPECT_LT(r.compressedSize, 50000u);
            EXPECT_EQ(std::string(r.method), "-lh7-");
            const unlha::DosStamp local = unlha::ToDosStamp(kT);
            EXPECT_EQ(r.dosDate, local.date);
            EXPECT_EQ(r.dosTime, local.time);
            EXPECT_EQ(r.ratio, r.compressedSize * 1000 / 50000);
            ArcFileTime t = 0;
            ASSERT_NE(UnlhaGetWriteTimeEx(h, &t), 0);
            EXPECT_EQ(t, unlha::ToFileTime(kT));
            uint64_t size = 0;
            ASSERT_NE(UnlhaGetOriginalSizeEx(h, &size), 0);
            EXPECT_EQ(size, 50000u);
            ASSERT_NE(UnlhaGetCompressedSizeEx(h, &size), 0);
            EXPECT_EQ(size, r.compressedSize);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "readonly.txt", "sub/x.bin", "sub"}));
    // Letters the program reads: a archive, h hidden, o read-only; d marks directories.
    EXPECT_EQ(attributes, (std::vector<std::string>{"-a--h-", "-a-o--", "-a----", "d-----"}));
    EXPECT_NE(UnlhaFindNext(h, &r), 0);

    // A wildcard restarts the search.
    ASSERT_EQ(UnlhaFindFirst(h, "sub/*", &r), 0);
    EXPECT_EQ(std::string(r.fileName), "sub/x.bin");
    EXPECT_EQ(UnlhaFindNext(h, &r), -1);

    EXPECT_EQ(UnlhaCloseArchive(h), 0);
    EXPECT_EQ(UnlhaFindFirst(h, "*", &r), ARC_ERROR_HARC_ISNOT_OPENED);
    EXPECT_EQ(UnlhaCloseArchive(h), ARC_ERROR_HARC_ISNOT_OPENED);
}

TEST(Entries, CheckArchiveAndArchiveTypeTellLzhArchivesFromOtherFiles) {
    TempDir dir;
    const std::string archive = MakeArchive(dir);
    EXPECT_EQ(UnlhaCheckArchive(archive.c_str(), ARC_CHECK_ALL), 1);
    EXPECT_EQ(UnlhaCheckArchive(archive.c_str(), ARC_CHECK_FULLCRC), 1);
    EXPECT_EQ(UnlhaGetArchiveType(archive.c_str()), 1);
    WriteFile(dir / "text", "plain text, no archive");
    EXPECT_EQ(UnlhaCheckArchive((dir / "text").c_str(), ARC_CHECK_ALL), 0);
    EXPECT_EQ(UnlhaGetArchiveType((dir / "text").c_str()), 0);
    EXPECT_EQ(
        UnlhaOpenArchive(nullptr, (dir / "text").c_str(), ARC_OPEN_CHECK_ONLY | ARC_OPEN_LIST),
        nullptr);
    EXPECT_EQ(UnlhaGetArchiveType((dir / "missing").c_str()), -1);
    EXPECT_EQ(UnlhaCheckArchive(dir.Path().c_str(), ARC_CHECK_ALL), 0);

    // An archive cut off right after a member (its end mark missing) is damaged.
    const std::string whole = ReadFile(archive);
    WriteFile(dir / "cut.lzh", whole.substr(0, whole.size() - 1));
    EXPECT_EQ(UnlhaCheckArchive((dir / "cut.lzh").c_str(), ARC_CHECK_ALL), 0);
    EXPECT_EQ(Lha("t " + Q(dir / "cut.lzh")), ARC_ERROR_HEADER_BROKEN);

    // Flipped data bytes pass the header check but not the full check.
    std::string bytes = ReadFile(archive);
    const std::size_t at = bytes.find("readonly.txt") + 100;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
    WriteFile(dir / "damaged.lzh", bytes);
    EXPECT_EQ(UnlhaCheckArchive((dir / "damaged.lzh").c_str(), ARC_CHECK_ALL), 1);
    EXPECT_EQ(UnlhaCheckArchive((dir / "damaged.lzh").c_str(), ARC_CHECK_FULLCRC), 0);
}

TEST(Entries, ExtractMemFillsTheBufferAndReportsWhatDidNotFit) {
    TempDir dir;
    const std::string archive = MakeArchive(dir);
    const std::string expected = TextData(50000);
    std::vector<unsigned char> buffer(60000);
    int64_t time = 0;
    uint16_t attributes = 0;
    uint32_t written = 0;
    const std::string command = "-+ -jso1 -- " + Q(archive) + " readonly.txt";
    ASSERT_EQ(UnlhaExtractMem(nullptr, command.c_str(), buffer.data(), 60000, &time, &attributes,
                              &written),
              0);
    EXPECT_EQ(written, 50000u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 50000), expected);
    EXPECT_EQ(time, kT);
    EXPECT_EQ(attributes, ARC_ATTR_ARCHIVE | ARC_ATTR_READONLY);
    EXPECT_EQ(
        UnlhaExtractMem(nullptr, command.c_str(), buffer.data(), 100, nullptr, nullptr, &written),
        ARC_ERROR_ENOUGH_MEMORY);
    EXPECT_EQ(written, 100u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 100), expected.substr(0, 100));
    const std::string missing = "-- " + Q(archive) + " nothing";
    EXPECT_EQ(
        UnlhaExtractMem(nullptr, missing.c_str(), buffer.data(), 100, nullptr, nullptr, &written),
        ARC_ERROR_NOT_EXIST);
}

TEST(Entries, MembersOver4GiBAreListedWithTheir64BitSizes) {
    // A stored 5 GiB member in a sparse file: only the header and the end mark take space.
    TempDir dir;
    unlha::MemberHeader h;
    h.method = "-lh0-";
    h.path = "huge.bin";
    h.originalSize = h.compressedSize = 5ull << 30;
    h.unixMode = 0100644;
    const std::string header = unlha::BuildLevel2Header(h, true);
    const std::string path = dir / "huge.lzh";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_EQ(::write(fd, header.data(), header.size()), static_cast<ssize_t>(header.size()));
    ASSERT_EQ(::pwrite(fd, "", 1, static_cast<off_t>(header.size() + h.compressedSize)), 1);
    ::close(fd);
    ArcHandle a = UnlhaOpenArchive(nullptr, path.c_str(), ARC_OPEN_LIST);
    ASSERT_NE(a, nullptr);
    ArcMemberRecord r{};
    ASSERT_EQ(UnlhaFindFirst(a, "*.*", &r), 0);
    EXPECT_EQ(r.originalSize, 0xFFFFFFFFu);
    uint64_t size = 0;
    ASSERT_NE(UnlhaGetOriginalSizeEx(a, &size), 0);
    EXPECT_EQ(size, 5ull << 30);
    EXPECT_EQ(r.originalSize64, 5ull << 30);
    UnlhaCloseArchive(a);
    if (HaveTool("bsdtar")) {
        std::string out;
        EXPECT_EQ(Shell(dir.Path(), "bsdtar tvf huge.lzh", &out), 0);
        EXPECT_NE(out.find("5368709120"), std::string::npos) << out;
    }
}
