// The 7z library through the facade: archives made by 7zz are listed and extracted byte for
// byte; archives packed, updated and reduced through the facade pass 7zz's test and hold
// exactly the expected files.
#include "FormatTestSupport.h"

namespace formats_test {
namespace {

using archives::TArchiveFile;

std::string WithoutDot(const std::string& name) {
    return name.rfind("./", 0) == 0 ? name.substr(2) : name;
}

// The files 7zz extracts from an archive.
std::map<std::string, std::string> ExtractWith7zz(const std::string& archive,
                                                  const std::string& out) {
    EXPECT_EQ(Shell("7zz x -y -o" + ShellQuote(out) + " " + ShellQuote(archive)), 0);
    return ReadTree(out);
}

class SevenZipFormat : public FormatTest {
protected:
    TArchiveFile af;
};

TEST_F(SevenZipFormat, ArchivesOf7zzAreListedAndExtractedByteExact) {
    WriteTree(tmp / "src", SampleTree());
    const std::string archive = tmp / "made.7z";
    ASSERT_EQ(
        Shell("cd " + ShellQuote(tmp / "src") + " && 7zz a -mx=5 " + ShellQuote(archive) + " ."),
        0);
    af.SetFileName(archive);
    ASSERT_EQ(af.ArchiverType(), archives::at7z);
    std::map<std::string, uint64_t> members;
    for (const auto& [name, size] : ListThroughFacade(af))
        members[WithoutDot(name)] = size;
    for (const auto& [name, data] : SampleTree()) {
        ASSERT_TRUE(members.count(name)) << name;
        EXPECT_EQ(members.at(name), data.size()) << name;
    }
    af.SetOutputSize(65536);
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0) << af.Output();
    EXPECT_SAME_TREE(ReadTree(tmp / "out"), SampleTree());

    // "e": every member under its bare name.
    af.Options().x = 0;
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "bare", {"sub/deeper/notes.txt"}), 0)
        << af.Output();
    EXPECT_EQ(af.CommandLine().rfind("e ", 0), 0u) << af.CommandLine();
    EXPECT_EQ(ReadTree(tmp / "bare"),
              (std::map<std::string, std::string>{{"notes.txt", std::string(5000, 'n')}}));
}

TEST_F(SevenZipFormat, ExistingFilesAreKeptOverwrittenOrRenamedAsAsked) {
    WriteFile(tmp / "src/a.txt", "from the archive\n");
    const std::string archive = tmp / "a.7z";
    ASSERT_EQ(
        Shell("cd " + ShellQuote(tmp / "src") + " && 7zz a " + ShellQuote(archive) + " a.txt"), 0);
    af.SetFileName(archive);
    af.SetOutputSize(65536);
    WriteFile(tmp / "out/a.txt", "already there\n");
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0);
    EXPECT_EQ(ReadFile(tmp / "out/a.txt"), "already there\n");
    af.Options().m = 2; // -aou: a new name beside the old file
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0);
    EXPECT_EQ(ReadFile(tmp / "out/a_1.txt"), "from the archive\n");
    af.Options().m = -1;
    af.Options().c = 1; // -aoa: overwrite
    ASSERT_EQ(af.Unpack(nullptr, nullptr, tmp / "out", {}), 0);
    EXPECT_EQ(ReadFile(tmp / "out/a.txt"), "from the archive\n");
}

TEST_F(SevenZipFormat, PackUpdateAndRemoveThroughTheFacadePass7zz) {
    WriteTree(tmp / "src", SampleTree());
    const std::string archive = tmp / "new.7z";
    af.SetFileName(archive);
    af.Options().r = 1;
    af.SetOutputSize(65536);
    ASSERT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {}), 0) << af.Output();
    EXPECT_EQ(Shell("7zz t " + ShellQuote(archive)), 0);
    EXPECT_SAME_TREE(ExtractWith7zz(archive, tmp / "x1"), SampleTree());

    // Update: a changed file replaces its member, a new one is added, the rest stays.
    WriteFile(tmp / "src/readme.txt", "changed\n");
    WriteFile(tmp / "src/added.txt", "added\n");
    ASSERT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {"readme.txt", "added.txt"}), 0)
        << af.Output();
    std::map<std::string, std::string> expected = SampleTree();
    expected["readme.txt"] = "changed\n";
    expected["added.txt"] = "added\n";
    EXPECT_EQ(Shell("7zz t " + ShellQuote(archive)), 0);
    EXPECT_SAME_TREE(ExtractWith7zz(archive, tmp / "x2"), expected);

    // Removal rewrites the archive without the named members.
    ASSERT_EQ(af.RemoveItems(nullptr, nullptr, tmp / "src", {"data.bin", "sub/deeper/notes.txt"}),
              0)
        << af.Output();
    expected.erase("data.bin");
    expected.erase("sub/deeper/notes.txt");
    EXPECT_EQ(Shell("7zz t " + ShellQuote(archive)), 0);
    EXPECT_SAME_TREE(ExtractWith7zz(archive, tmp / "x3"), expected);
    // No work file is left beside the archive.
    std::size_t beside = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path()))
        beside += e.path().filename().string().rfind("new.7z", 0) == 0 ? 1 : 0;
    EXPECT_EQ(beside, 1u);
}

TEST_F(SevenZipFormat, AFileThatCannotBeReadIsNamedAndTheOldArchiveKept) {
    WriteTree(tmp / "src", SampleTree());
    const std::string archive = tmp / "keep.7z";
    af.SetFileName(archive);
    af.Options().r = 1;
    ASSERT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {}), 0);
    const std::string before = ReadFile(archive);
    af.SetOutputSize(65536);
    af.Options().PackFilter = archives::pfArchiver; // the library's own selection
    EXPECT_EQ(af.Pack(nullptr, nullptr, tmp / "src", {"no-such-file.txt"}), ARC_ERROR_NOT_EXIST);
    EXPECT_NE(std::string(af.Output()).find("no-such-file.txt"), std::string::npos) << af.Output();
    EXPECT_EQ(ReadFile(archive), before);
}

} // namespace
} // namespace formats_test
