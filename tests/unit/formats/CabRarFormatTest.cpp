// The CAB and RAR libraries through the facade: CAB archives of gcab and RAR 5 archives of
// stored members written here byte by byte are listed and extracted byte for byte; what the
// libraries do not offer is refused, and hostile or damaged members are named.
#include "FormatTestSupport.h"

#include "archives/ArchiverErrors.h"

namespace formats_test {
namespace {

using archives::TArchiveFile;

const std::map<std::string, std::string> kCabTree = {{"readme.txt", "hello, cabinet\n"},
                                                     {"data.bin", Bytes(200000, 11)},
                                                     {"sub/notes.txt", std::string(3000, 'c')}};

class CabFormat : public FormatTest {
protected:
    std::string MakeCab(const std::string& name, bool compress) {
        WriteTree(tmp / "src", kCabTree);
        const std::string archive = tmp / name;
        std::string names;
        for (const auto& entry : kCabTree)
            names += " " + ShellQuote(entry.first);
        EXPECT_EQ(Shell("cd " + ShellQuote(tmp / "src") + " && gcab -c" +
                        (compress ? std::string(" -z") : std::string()) + " " +
                        ShellQuote(archive) + names),
                  0);
        return archive;
    }
    TArchiveFile af;
};

TEST_F(CabFormat, CabinetsOfGcabAreDetectedListedAndExtractedByteExact) {
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        const std::string archive = MakeCab(compress ? "mszip.cab" : "stored.cab", compress);
        const std::string renamed = archive + ".bin";
        std::filesystem::copy_file(archive, renamed);
        EXPECT_EQ(TArchiveFile::DetectByContent(renamed), archives::atCab);
        af.SetFileName(archive);
        ASSERT_EQ(af.ArchiverType(), archives::atCab);
        const std::map<std::string, uint64_t> members = ListThroughFacade(af);
        for (const auto& [name, data] : kCabTree) {
            ASSERT_TRUE(members.count(name)) << name;
            EXPECT_EQ(members.at(name), data.size());
        }
        af.SetOutputSize(65536);
        const std::string out = tmp / (compress ? "out-z" : "out");
        ASSERT_EQ(af.Unpack(nullptr, nullptr, out, {}), 0) << af.Output();
        EXPECT_SAME_TREE(ReadTree(out), kCabTree);
        std::filesystem::remove_all(tmp / "src");
    }
}

TEST_F(CabFormat, ExistingFilesAreKeptUnlessOverwriteIsAsked) {
    const std::string archive = MakeCab("a.cab", true);
    af.SetFileName(archive);
    af.SetOutputSize(65536);
    WriteFile(tmp / "out/readme.txt", "mine\n");
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {"readme.txt"}), 0);
    EXPECT_EQ(ReadFile(tmp / "out/readme.txt"), "mine\n");
    af.Options().c = 1;
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {"readme.txt"}), 0);
    EXPECT_EQ(ReadFile(tmp / "out/readme.txt"), "hello, cabinet\n");
}

TEST_F(CabFormat, CreatingAndRemovingAreRefused) {
    const std::string archive = MakeCab("b.cab", false);
    const std::string before = ReadFile(archive);
    af.SetFileName(archive);
    af.SetOutputSize(65536);
    EXPECT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {"readme.txt"}), ARC_ERROR_NOT_SUPPORT);
    EXPECT_EQ(ReadFile(archive), before);
    try {
        af.RemoveItems(nullptr, nullptr, tmp / "src", {"readme.txt"});
        FAIL() << "removal was not refused";
    } catch (const archives::EArchiver& e) {
        EXPECT_STREQ(e.what(), "この形式の書庫ではファイルの削除をサポートしておりません。");
    }
}

const std::map<std::string, std::string> kRarTree = {{"readme.txt", "hello, rar\n"},
                                                     {"data.bin", Bytes(100000, 13)},
                                                     {"empty", ""},
                                                     {"dir/日本語.txt", "にほんご\n"}};

std::string SampleRar() {
    Rar5Writer w;
    w.Directory("dir");
    for (const auto& [name, data] : kRarTree)
        w.File(name, data);
    return w.Bytes();
}

class RarFormat : public FormatTest {
protected:
    TArchiveFile af;
};

TEST_F(RarFormat, StoredRar5ArchivesAreDetectedListedAndExtractedByteExact) {
    WriteFile(tmp / "s.rar", SampleRar());
    WriteFile(tmp / "s.rar.bin", SampleRar());
    EXPECT_EQ(TArchiveFile::DetectByContent(tmp / "s.rar.bin"), archives::atRar);
    af.SetFileName(tmp / "s.rar");
    ASSERT_EQ(af.ArchiverType(), archives::atRar);
    const std::map<std::string, uint64_t> members = ListThroughFacade(af);
    EXPECT_EQ(members.size(), kRarTree.size() + 1);
    for (const auto& [name, data] : kRarTree) {
        ASSERT_TRUE(members.count(name)) << name;
        EXPECT_EQ(members.at(name), data.size());
    }
    af.SetOutputSize(65536);
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0) << af.Output();
    EXPECT_SAME_TREE(ReadTree(tmp / "out"), kRarTree);
    EXPECT_EQ(af.CommandLine().rfind("-x ", 0), 0u) << af.CommandLine();

    af.Options().x = 0; // -e: bare names
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "bare", {"dir/日本語.txt"}), 0) << af.Output();
    EXPECT_EQ(af.CommandLine().rfind("-e ", 0), 0u) << af.CommandLine();
    EXPECT_EQ(ReadTree(tmp / "bare"),
              (std::map<std::string, std::string>{{"日本語.txt", "にほんご\n"}}));
}

TEST_F(RarFormat, EscapingAndDamagedMembersAreNamedAndLeaveNothing) {
    Rar5Writer w;
    w.File("../evil.txt", "evil\n");
    w.File("good.txt", "good\n");
    WriteFile(tmp / "hostile.rar", w.Bytes());
    std::filesystem::create_directories(tmp / "dest");
    af.SetFileName(tmp / "hostile.rar");
    af.SetOutputSize(65536);
    EXPECT_EQ(af.Unpack(nullptr, nullptr, tmp / "dest", {}), ARC_ERROR_FILE_STYLE);
    EXPECT_NE(std::string(af.Output()).find("../evil.txt"), std::string::npos) << af.Output();
    EXPECT_FALSE(std::filesystem::exists(tmp / "evil.txt"));
    EXPECT_EQ(ReadFile(tmp / "dest/good.txt"), "good\n");

    // A header whose CRC disagrees: the members before it are extracted, the rest is not
    // trusted, and the command fails. (libarchive does not check the data CRC of stored
    // RAR 5 members, so damage inside the data is not caught.)
    Rar5Writer d;
    d.File("first.txt", "first\n");
    d.File("second.txt", "second\n");
    std::string bytes = d.Bytes();
    const std::size_t at = bytes.find("second.txt");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'S';
    WriteFile(tmp / "damaged.rar", bytes);
    af.SetFileName(tmp / "damaged.rar");
    EXPECT_EQ(af.Unpack(nullptr, nullptr, tmp / "dmg", {}), ARC_ERROR_HEADER_BROKEN);
    EXPECT_NE(std::string(af.Output()).find("broken header after first.txt"), std::string::npos)
        << af.Output();
    EXPECT_EQ(ReadFile(tmp / "dmg/first.txt"), "first\n");
    EXPECT_FALSE(std::filesystem::exists(tmp / "dmg/second.txt"));
    EXPECT_FALSE(std::filesystem::exists(tmp / "dmg/Second.txt"));
}

} // namespace
} // namespace formats_test
