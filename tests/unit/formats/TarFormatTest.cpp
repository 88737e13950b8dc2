// The TAR library through the facade: archives made by bsdtar are detected, listed and
// extracted byte for byte; tar.gz made through the facade opens in bsdtar; hostile members
// are refused by name and nothing lands outside the destination.
#include "FormatTestSupport.h"

#include "archives/ArchiverErrors.h"
#include "archives/Tar32.h"

#include <algorithm>
#include <sys/stat.h>

namespace formats_test {
namespace {

using archives::TArchiveFile;

class TarFormat : public FormatTest {
protected:
    // A tree packed by bsdtar with the given compression switch ("" for none).
    std::string MakeWithBsdtar(const std::string& name, const std::string& flag) {
        WriteTree(tmp / "src", SampleTree());
        const std::string archive = tmp / name;
        EXPECT_EQ(Shell("cd " + ShellQuote(tmp / "src") + " && bsdtar -c" + flag + "f " +
                        ShellQuote(archive) + " ."),
                  0);
        return archive;
    }
};

TEST_F(TarFormat, ArchivesOfBsdtarAreDetectedListedAndExtractedByteExact) {
    struct Case {
        const char* name;
        const char* flag;
        archives::TArchiverType type;
    };
    for (const Case& c :
         {Case{"plain.tar", "", archives::atTar}, Case{"packed.tar.gz", "z", archives::atTgz},
          Case{"packed.tgz", "z", archives::atTgz}, Case{"packed.tar.bz2", "j", archives::atBZ2}}) {
        SCOPED_TRACE(c.name);
        const std::string archive = MakeWithBsdtar(c.name, c.flag);
        // By content too: the same bytes under a name that tells nothing.
        const std::string renamed = tmp / (std::string(c.name) + ".dat");
        std::filesystem::copy_file(archive, renamed);
        EXPECT_EQ(TArchiveFile::DetectByContent(renamed), c.type);

        TArchiveFile af;
        af.SetFileName(archive);
        ASSERT_EQ(af.ArchiverType(), c.type);
        const std::map<std::string, uint64_t> members = ListThroughFacade(af);
        for (const auto& [name, data] : SampleTree()) {
            ASSERT_TRUE(members.count("./" + name)) << name;
            EXPECT_EQ(members.at("./" + name), data.size()) << name;
        }

        af.SetOutputSize(65536);
        const std::string dest = tmp / (std::string("out-") + c.name);
        ASSERT_EQ(af.Unpack(nullptr, nullptr, dest, {}), 0) << af.Output();
        EXPECT_SAME_TREE(ReadTree(dest), SampleTree());
        std::filesystem::remove_all(tmp / "src");
    }
}

TEST_F(TarFormat, NamedMembersAndBareNamesAreExtractedAlone) {
    const std::string archive = MakeWithBsdtar("some.tar.gz", "z");
    TArchiveFile af;
    af.SetFileName(archive);
    af.SetOutputSize(65536);
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "one", {"sub/deeper/notes.txt"}), 0) << af.Output();
    EXPECT_EQ(ReadTree(tmp / "one"), (std::map<std::string, std::string>{
                                         {"sub/deeper/notes.txt", std::string(5000, 'n')}}));

    af.Options().x = 0; // bare names
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "bare", {"日本語/ファイル.txt", "readme.txt"}), 0)
        << af.Output();
    EXPECT_EQ(ReadTree(tmp / "bare"),
              (std::map<std::string, std::string>{{"ファイル.txt", "にほんご\n"},
                                                  {"readme.txt", "hello, archive\n"}}));
    EXPECT_NE(af.CommandLine().find("--use-directory=0"), std::string::npos) << af.CommandLine();

    // A name that matches no member is an error and names it.
    EXPECT_EQ(af.Unpack(nullptr, nullptr, tmp / "none", {"missing.txt"}), ARC_ERROR_NOT_EXIST);
    EXPECT_NE(std::string(af.Output()).find("missing.txt"), std::string::npos) << af.Output();
}

TEST_F(TarFormat, ALoneGzipFileIsOneMember) {
    const std::string data = Bytes(70000, 3);
    WriteFile(tmp / "single.bin", data);
    ASSERT_EQ(Shell("gzip -k " + ShellQuote(tmp / "single.bin")), 0);
    EXPECT_EQ(TArchiveFile::DetectByContent(tmp / "single.bin.gz"), archives::atTgz);
    TArchiveFile af;
    af.SetFileName(tmp / "single.bin.gz");
    EXPECT_EQ(ListThroughFacade(af).count("single.bin"), 1u);
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0);
    EXPECT_EQ(ReadFile(tmp / "out/single.bin"), data);
}

TEST_F(TarFormat, FilesThatAreNoTarAreNotTakenForOne) {
    WriteFile(tmp / "text.dat", "just some text, no archive at all\n");
    EXPECT_EQ(TArchiveFile::DetectByContent(tmp / "text.dat"), archives::atNone);
    TArchiveFile af;
    af.SetFileName(tmp / "broken.tar");
    WriteFile(tmp / "broken.tar", "just some text, no archive at all\n");
    EXPECT_FALSE(af.OpenArchive(nullptr, ARC_OPEN_LIST));
    EXPECT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), ARC_ERROR_NOT_ARC_FILE);
    // A FIFO is never opened (reading it would wait for a writer forever).
    ASSERT_EQ(mkfifo((tmp / "pipe.tar").c_str(), 0600), 0);
    EXPECT_EQ(archives::TTar32::DetectType(tmp / "pipe.tar"), archives::atNone);
    af.SetFileName(tmp / "pipe.tar");
    EXPECT_FALSE(af.OpenArchive(nullptr, ARC_OPEN_LIST));
    EXPECT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), ARC_ERROR_ARC_FILE_OPEN);
}

TEST_F(TarFormat, TarGzPackedThroughTheFacadeOpensInBsdtar) {
    WriteTree(tmp / "src", SampleTree());
    for (const int level : {-1, 9}) {
        SCOPED_TRACE(level);
        const std::string archive = tmp / ("new" + std::to_string(level) + ".tar.gz");
        TArchiveFile af;
        af.SetFileName(archive);
        ASSERT_EQ(af.ArchiverType(), archives::atTgz);
        af.Options().r = 1;
        af.Options().jm = level;
        af.SetOutputSize(65536);
        ASSERT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {}), 0) << af.Output();
        EXPECT_NE(af.CommandLine().find(level == 9 ? " -z9 " : " -z "), std::string::npos)
            << af.CommandLine();
        EXPECT_EQ(Shell("gzip -t " + ShellQuote(archive)), 0);
        const std::string out = tmp / ("bsdtar" + std::to_string(level));
        std::filesystem::create_directories(out);
        ASSERT_EQ(Shell("bsdtar -xf " + ShellQuote(archive) + " -C " + ShellQuote(out)), 0);
        EXPECT_SAME_TREE(ReadTree(out), SampleTree());
    }
}

TEST_F(TarFormat, PlainTarAndTarBz2PackedThroughTheFacadeOpenInBsdtar) {
    WriteTree(tmp / "src", SampleTree());
    for (const char* name : {"new.tar", "new.tar.bz2"}) {
        SCOPED_TRACE(name);
        const std::string archive = tmp / name;
        TArchiveFile af;
        af.SetFileName(archive);
        af.Options().r = 1;
        ASSERT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {}), 0);
        const std::string out = tmp / (std::string("x-") + name);
        std::filesystem::create_directories(out);
        ASSERT_EQ(Shell("bsdtar -xf " + ShellQuote(archive) + " -C " + ShellQuote(out)), 0);
        EXPECT_SAME_TREE(ReadTree(out), SampleTree());
        EXPECT_EQ(TArchiveFile::DetectByContent(archive),
                  std::string(name) == "new.tar" ? archives::atTar : archives::atBZ2);
    }
}

TEST_F(TarFormat, OperationsTarDoesNotOfferAreRefusedBeforeTheLibrary) {
    WriteTree(tmp / "src", SampleTree());
    TArchiveFile af;
    af.SetFileName(tmp / "x.tar");
    try {
        af.RemoveItems(nullptr, nullptr, tmp / "src", {"readme.txt"});
        FAIL() << "removal was not refused";
    } catch (const archives::EArchiver& e) {
        EXPECT_STREQ(e.what(), "この形式の書庫ではファイルの削除をサポートしておりません。");
    }
}

TEST_F(TarFormat, HardLinksOfBsdtarBecomeCopiesOfTheirFile) {
    WriteFile(tmp / "src/first.txt", "shared contents\n");
    std::filesystem::create_hard_link(tmp / "src/first.txt", tmp / "src/second.txt");
    ASSERT_EQ(Shell("cd " + ShellQuote(tmp / "src") + " && bsdtar -cf " +
                    ShellQuote(tmp / "links.tar") + " first.txt second.txt"),
              0);
    TArchiveFile af;
    af.SetFileName(tmp / "links.tar");
    af.SetOutputSize(65536);
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0) << af.Output();
    EXPECT_SAME_TREE(ReadTree(tmp / "out"),
                     (std::map<std::string, std::string>{{"first.txt", "shared contents\n"},
                                                         {"second.txt", "shared contents\n"}}));
}

TEST_F(TarFormat, ProgressReachesTheFacadeAndItsCancelStopsTheExtraction) {
    const std::string archive = MakeWithBsdtar("progress.tar", "");
    TArchiveFile af;
    af.SetFileName(archive);
    std::vector<std::string> begun;
    af.OnProgress = [&](TArchiveFile&, int state, archives::TExtractingInfoEx* info, bool&) {
        if (state == ARC_STATE_BEGIN && info != nullptr)
            begun.push_back(info->destName);
    };
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "all", {}), 0);
    EXPECT_GE(begun.size(), SampleTree().size());
    EXPECT_NE(std::find(begun.begin(), begun.end(), tmp / "all/data.bin"), begun.end());

    int seen = 0;
    af.OnProgress = [&](TArchiveFile&, int state, archives::TExtractingInfoEx*, bool& abort) {
        if (state == ARC_STATE_BEGIN && ++seen == 2)
            abort = true;
    };
    EXPECT_EQ(af.Unpack(nullptr, nullptr, tmp / "cut", {}), ARC_ERROR_USER_CANCEL);
    EXPECT_LT(ReadTree(tmp / "cut").size(), SampleTree().size());
}

TEST_F(TarFormat, AMemberIsExtractedIntoMemory) {
    const std::string archive = MakeWithBsdtar("mem.tar.gz", "z");
    TArchiveFile af;
    af.SetFileName(archive);
    std::vector<unsigned char> buffer(400000);
    std::int64_t time = 0;
    std::uint16_t attributes = 0;
    std::uint32_t written = 0;
    std::string cmd;
    ASSERT_EQ(af.Archiver()->ExtractMem(nullptr, archive, af.Options(), "data.bin", buffer.data(),
                                        static_cast<int>(buffer.size()), &time, &attributes,
                                        &written, cmd),
              0)
        << cmd;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), written),
              SampleTree().at("data.bin"));
    struct stat st {};
    ASSERT_EQ(stat((tmp / "src/data.bin").c_str(), &st), 0);
    EXPECT_EQ(time, static_cast<std::int64_t>(st.st_mtime));
    EXPECT_NE(attributes & ARC_ATTR_ARCHIVE, 0);
    // A buffer too small: filled, and the code says so.
    EXPECT_EQ(af.Archiver()->ExtractMem(nullptr, archive, af.Options(), "data.bin", buffer.data(),
                                        1000, nullptr, nullptr, &written, cmd),
              ARC_ERROR_MORE_HEAP_MEMORY);
    EXPECT_EQ(written, 1000u);
}

class TarHostile : public FormatTest {
protected:
    TarHostile() {
        std::filesystem::create_directories(tmp / "dest");
        std::filesystem::create_directories(tmp / "outside");
    }
    int Unpack(const std::string& archive) {
        af.SetFileName(archive);
        af.SetOutputSize(65536);
        return af.Unpack(nullptr, nullptr, tmp / "dest", {});
    }
    std::string Output() const { return af.Output(); }
    TArchiveFile af;
};

TEST_F(TarHostile, EscapingNamesLinksAndDevicesAreRefusedByNameTheRestExtracted) {
    TarWriter w;
    w.File("good.txt", "fine\n");
    w.File("../escape.txt", "out\n");
    const std::string absolute = tmp / "outside/absolute.txt";
    w.File(absolute, "abs\n");
    w.Symlink("link", tmp / "outside");
    w.File("link/through.txt", "through\n");
    w.Hardlink("hard", "/etc/passwd");
    w.CharDevice("device");
    w.Fifo("pipe");
    w.File("after.txt", "after\n");
    WriteFile(tmp / "hostile.tar", w.Bytes());

    EXPECT_EQ(Unpack(tmp / "hostile.tar"), ARC_ERROR_FILE_STYLE);
    const std::string out = Output();
    for (const std::string& name :
         {std::string("../escape.txt"), absolute, std::string("link"), std::string("hard"),
          std::string("device"), std::string("pipe")})
        EXPECT_NE(out.find(name + "\n"), std::string::npos) << name << " in:\n" << out;
    EXPECT_EQ(ReadFile(tmp / "dest/good.txt"), "fine\n");
    EXPECT_EQ(ReadFile(tmp / "dest/after.txt"), "after\n");
    EXPECT_FALSE(std::filesystem::exists(tmp / "escape.txt"));
    EXPECT_FALSE(std::filesystem::exists(absolute));
    EXPECT_FALSE(std::filesystem::exists(tmp / "outside/through.txt"));
    // The refused link left no link behind: the member below it went into a real directory.
    EXPECT_FALSE(std::filesystem::is_symlink(tmp / "dest/link"));
    EXPECT_FALSE(std::filesystem::exists(tmp / "dest/hard"));
    EXPECT_FALSE(std::filesystem::exists(tmp / "dest/device"));
    EXPECT_FALSE(std::filesystem::exists(tmp / "dest/pipe"));
}

TEST_F(TarHostile, LinksAlreadyInTheDestinationAreNeverFollowed) {
    std::filesystem::create_directory_symlink(tmp / "outside", tmp / "dest/sub");
    WriteFile(tmp / "outside/target.txt", "keep\n");
    std::filesystem::create_symlink(tmp / "outside/target.txt", tmp / "dest/file.txt");
    TarWriter w;
    w.File("sub/x.txt", "x\n");
    w.File("file.txt", "new\n");
    WriteFile(tmp / "links.tar", w.Bytes());

    EXPECT_EQ(Unpack(tmp / "links.tar"), ARC_ERROR_CANNOT_WRITE);
    EXPECT_NE(Output().find("sub/x.txt"), std::string::npos) << Output();
    EXPECT_FALSE(std::filesystem::exists(tmp / "outside/x.txt"));
    // The file replaced the link standing in its place instead of writing through it.
    EXPECT_EQ(ReadFile(tmp / "outside/target.txt"), "keep\n");
    EXPECT_FALSE(std::filesystem::is_symlink(tmp / "dest/file.txt"));
    EXPECT_EQ(ReadFile(tmp / "dest/file.txt"), "new\n");
}

TEST_F(TarHostile, AMemberCutShortLeavesNoFileAndIsNamed) {
    TarWriter w;
    w.File("whole.txt", "whole\n");
    w.File("cut.bin", Bytes(20000, 5));
    std::string bytes = w.Bytes();
    bytes.resize(512 + 512 + 512 + 8000); // into the data of the second member
    WriteFile(tmp / "cut.tar", bytes);

    EXPECT_NE(Unpack(tmp / "cut.tar"), 0);
    EXPECT_NE(Output().find("cut.bin"), std::string::npos) << Output();
    EXPECT_EQ(ReadFile(tmp / "dest/whole.txt"), "whole\n");
    EXPECT_FALSE(std::filesystem::exists(tmp / "dest/cut.bin"));
    // No work file stays behind either.
    EXPECT_EQ(ReadTree(tmp / "dest").size(), 1u);
}

} // namespace
} // namespace formats_test
