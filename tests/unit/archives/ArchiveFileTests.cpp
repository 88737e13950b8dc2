// The archive facade: type detection, operations through the fake libraries, progress, the
// member callback and the component file scan in Pack.
#include "TestSupport.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiverErrors.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using namespace archives;

class ArchiveFile : public testing_support::WithFakeLibraries {
protected:
    // Every fake answers "not mine" to the content tests.
    void AllSayNo() {
        for (const char* file : {"libunlha32.so", "libunarj32j.so", "libcab32.so", "libtar32.so",
                                 "libunrar32.so", "libbga32.so", "libyz1.so", "libunzip32.so"}) {
            libs[file] = std::make_unique<fake::Library>("std", file);
            libs[file]->SetCheck(0, 0, 0);
        }
    }
    fake::Library& Lib(const std::string& file) { return *libs.at(file); }
    std::map<std::string, std::unique_ptr<fake::Library>> libs;
    testing_support::TempDir tmp;
};

TEST_F(ArchiveFile, DetectionByExtension) {
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b/x.lzh"), atLha);
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b/X.ZIP"), atZip);
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b/x.tar.gz"), atTgz);
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b/x.Deb"), atTar);
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b/x.gca"), atGCA);
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b/x.dat"), atNone);
    EXPECT_EQ(TArchiveFile::DetectByExtension("/b.lzh/noext"), atNone);
}

TEST_F(ArchiveFile, FileNameSetsTheTypeUnlessTheExtensionIsUnknown) {
    TArchiveFile af;
    EXPECT_TRUE(IsNulString(af.FileName()));
    EXPECT_EQ(af.ArchiverType(), atAutoDetect);
    af.SetFileName("/b/x.lzh");
    EXPECT_EQ(af.ArchiverType(), atLha);
    TArchiver* lha = af.Archiver();
    ASSERT_NE(dynamic_cast<TLha32*>(lha), nullptr);
    af.SetFileName("/b/x.dat");
    EXPECT_EQ(af.ArchiverType(), atLha);
    EXPECT_EQ(af.Archiver(), lha);
    EXPECT_EQ(af.FileName(), "/b/x.dat");
    af.SetArchiverType(atNone);
    EXPECT_EQ(af.ArchiverType(), atLha);
    EXPECT_EQ(af.Archiver(), lha);
    af.SetArchiverType(atAutoDetect);
    EXPECT_EQ(af.ArchiverType(), atAutoDetect);
    EXPECT_EQ(af.Archiver(), lha);
    try {
        af.SetArchiverType(atGCA);
        FAIL() << "accepted";
    } catch (const EArchiver& e) {
        EXPECT_STREQ(e.what(), "書庫の形式を特定できませんでした。");
    }
    af.SetFileName("/b/x.ZIP");
    EXPECT_NE(dynamic_cast<TZip32*>(af.Archiver()), nullptr);
}

TEST_F(ArchiveFile, DetectionByContentLaterAnswersWin) {
    const std::string file = tmp.Write("setup.exe", "MZ");
    AllSayNo();
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atNone);
    Lib("libtar32.so").SetCheck(0, 0, 6);
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atBZ2);
    Lib("libunrar32.so").SetCheck(0, 1, 0);
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atRar);
    Lib("libunzip32.so").SetCheck(1, 1, 0);
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atZip);
    EXPECT_EQ(Lib("libunzip32.so").LastMode(false), 24u);
    EXPECT_EQ(Lib("libunzip32.so").LastMode(true), 0x800002u);
    EXPECT_EQ(Lib("libunzip32.so").LastOpenPath(), file);
    Lib("libcab32.so").SetCheck(0, 1, 0);
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atCab);
    // LHA asks CheckArchive first: a no there is a no.
    Lib("libunlha32.so").SetCheck(0, 1, 0);
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atCab);
    Lib("libunlha32.so").SetCheck(1, 1, 0);
    TArchiveFile af;
    af.SetFileName(file);
    EXPECT_EQ(af.ArchiverType(), atLha);
    EXPECT_EQ(Lib("libunlha32.so").LastMode(false), 16u);
    // A missing library counts as a no.
    fake::UseLibraries({"none"});
    testing_support::FreeAllBindings();
    EXPECT_EQ(TArchiveFile::DetectByContent(file), atNone);
}

TEST_F(ArchiveFile, OperationsWithoutAFormatObject) {
    TArchiveFile af;
    EXPECT_EQ(af.ArchiverType(), atAutoDetect);
    try {
        af.Unpack(nullptr, nullptr, "/tmp", {"a"});
        FAIL() << "no error";
    } catch (const EArchiver& e) {
        EXPECT_STREQ(e.what(), "書庫の形式を判別できません。");
    }
    fake::UseLibraries({"none"});
    testing_support::FreeAllBindings();
    EXPECT_THROW(af.SetArchiverType(atLha), ENoArchiverDLL);
    EXPECT_EQ(af.Archiver(), nullptr);
    EXPECT_EQ(af.ArchiverType(), atAutoDetect);
}

TEST_F(ArchiveFile, UnpackRunsTheCommandAndFillsTheOutput) {
    fake::Library lha("std", "libunlha32.so");
    lha.SetResult(0x800D);
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    TArchiverOptions o;
    o.jso = 1;
    o.jse = 1;
    o.IncludeExtraStreams = false;
    EXPECT_EQ(af.Unpack(nullptr, &o, "/dest", {"a.txt"}), 0x800D);
    EXPECT_EQ(lha.LastCommand(),
              "x -+ -jse1 -jso1  \"" + tmp / "a.lzh" + "\" \"/dest/\" \"a.txt\" ");
    EXPECT_EQ(af.CommandLine(), lha.LastCommand());
    EXPECT_EQ(lha.LastOutputSize(), -1);
    af.SetOutputSize(32);
    EXPECT_EQ(af.OutputSize(), 32);
    EXPECT_STREQ(af.Output(), "");
    EXPECT_EQ(af.RemoveItems(nullptr, &o, "/tmp", {"a.txt"}), 0x800D);
    EXPECT_EQ(lha.LastOutputSize(), 32);
    EXPECT_STREQ(af.Output(), "fake output");
    // Without progress handlers and member callback nothing is attached.
    EXPECT_EQ(lha.OwnerCalls(false), 0);
    EXPECT_FALSE(lha.EnumInstalled());
}

TEST_F(ArchiveFile, ResponseFileForTheOperationsThatAskForIt) {
    fake::Library lha("std", "libunlha32.so");
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    TArchiverOptions o;
    o.jso = 1;
    o.jse = 1;
    o.PackFilter = pfArchiver;
    o.ResFileName = tmp / "resp.txt";
    o.ResFileUsage = TResFileUsage{ruOnUnpack};
    af.Unpack(nullptr, &o, "/d", {"x.txt", "y z.txt"});
    EXPECT_EQ(lha.ResponseFile(), "\"x.txt\"\r\n\"y z.txt\"\r\n");
    EXPECT_NE(lha.LastCommand().find("\"@" + o.ResFileName + "\""), std::string::npos);
    af.Pack(nullptr, &o, "/d", {"p.txt"});
    EXPECT_EQ(lha.ResponseFile(), "");
    EXPECT_NE(lha.LastCommand().find("\"p.txt\""), std::string::npos);
}

TEST_F(ArchiveFile, ProgressReachesOnProgressAndANonZeroReplyCancels) {
    fake::Library lha("std", "libunlha32.so");
    lha.SetProgress(5);
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    std::vector<std::string> seen;
    af.OnProgress = [&](TArchiveFile& sender, int state, TExtractingInfoEx* info, bool& abort) {
        EXPECT_EQ(&sender, &af);
        EXPECT_EQ(state, ARC_STATE_INPROCESS);
        ASSERT_NE(info, nullptr);
        seen.push_back(std::string(info->sourceName) + ">" + info->destName);
        if (seen.size() == 2)
            abort = true;
    };
    TArchiverOptions o;
    o.jso = 1;
    o.jse = 1;
    o.n = 0;
    EXPECT_EQ(af.Unpack(nullptr, &o, "/d", {"a"}), ARC_ERROR_USER_CANCEL);
    EXPECT_EQ(seen, (std::vector<std::string>{"src0>dst0", "src1>dst1"}));
    EXPECT_EQ(lha.ProgressSent(), 2);
    // The window was attached for the call (so -n1 went out) and detached afterwards.
    EXPECT_NE(lha.LastCommand().find(" -n1 "), std::string::npos);
    EXPECT_EQ(lha.OwnerCalls(false), 1);
    EXPECT_EQ(lha.OwnerCalls(true), 1);
    EXPECT_EQ(lha.Owner(), nullptr);
    EXPECT_EQ(af.Archiver()->OwnerWindow, nullptr);
    // Without cancelling, every message arrives and the library's code comes back.
    seen.clear();
    af.OnProgress = [&](TArchiveFile&, int, TExtractingInfoEx*, bool&) { seen.push_back("m"); };
    EXPECT_EQ(af.Unpack(nullptr, &o, "/d", {"a"}), 0);
    EXPECT_EQ(seen.size(), 5u);
}

TEST_F(ArchiveFile, MemberCallbackRunsOnEnumMemberAndStopsOnAbort) {
    fake::Library lha("std", "libunlha32.so");
    lha.AddMember("a", 1, 0, 0);
    lha.AddMember("b", 1, 0, 0);
    lha.AddMember("c", 1, 0, 0);
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    int calls = 0;
    af.OnEnumMember = [&](TArchiveFile&, const void* info, bool& abort) {
        EXPECT_NE(info, nullptr);
        if (++calls == 2)
            abort = true;
    };
    TArchiverOptions o;
    o.jso = 1;
    o.jse = 1;
    o.IncludeExtraStreams = false;
    af.Unpack(nullptr, &o, "/d", {});
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(lha.EnumCalls(), 2);
    EXPECT_FALSE(lha.EnumInstalled());
}

TEST_F(ArchiveFile, ListingMembers) {
    fake::Library lha("std", "libunlha32.so");
    lha.AddMember("a.txt", 1, 0, 0);
    lha.AddMember("sub/b.txt", 2, 0, 0);
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    TMemberInfo info{};
    EXPECT_EQ(af.FindFirst("*.*", info), -1);
    ASSERT_TRUE(af.OpenArchive(nullptr, 2));
    EXPECT_EQ(lha.LastMode(true), 2u);
    std::vector<std::string> names;
    for (int r = af.FindFirst("*.*", info); r == 0; r = af.FindNext(info))
        names.push_back(MemberName(info));
    af.CloseArchive();
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/b.txt"}));
    lha.SetCheck(1, 0, 0);
    EXPECT_FALSE(af.OpenArchive(nullptr, 2));
}

TEST_F(ArchiveFile, ComponentScanHandsTheLibraryAnExplicitList) {
    fake::Library lha("std", "libunlha32.so");
    tmp.Write("src/a.txt");
    tmp.Write("src/b.log");
    tmp.Write("src/.hidden");
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    af.SetOutputSize(16);
    TArchiverOptions o;
    o.jso = 1;
    o.r = 0;
    o.jx = {"*.log"};
    int reports = 0;
    af.OnProgress = [&](TArchiveFile&, int state, TExtractingInfoEx* info, bool&) {
        EXPECT_EQ(state, ARC_STATE_SELECT);
        EXPECT_STREQ(info->sourceName, "a.txt");
        ++reports;
    };
    EXPECT_EQ(af.Pack(nullptr, &o, tmp / "src", {}), 0);
    EXPECT_EQ(reports, 1);
    // The library selects nothing again: r -1 (absent), p 1; the caller's options are untouched.
    EXPECT_EQ(lha.LastCommand(), "u -+ -n1 -p1 -jso1 \"-jx*.log\"  \"" + tmp / "a.lzh" + "\" \"" +
                                     tmp / "src/" + "\" \"a.txt\" ");
    EXPECT_EQ(o.r, 0);
    EXPECT_EQ(o.p, -1);
}

TEST_F(ArchiveFile, ScanFindingNothingCallsNoLibrary) {
    fake::Library lha("std", "libunlha32.so");
    tmp.Write("src/a.txt");
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    af.SetOutputSize(8);
    TArchiverOptions o;
    o.jso = 1;
    EXPECT_EQ(af.Pack(nullptr, &o, tmp / "src", {"nothing.*"}), 0);
    EXPECT_EQ(lha.LastCommand(), "");
    EXPECT_EQ(af.CommandLine(), "");
    EXPECT_STREQ(af.Output(), "");
}

TEST_F(ArchiveFile, CancelledScanReturnsUserCancelWithoutCallingTheLibrary) {
    fake::Library lha("std", "libunlha32.so");
    tmp.Write("src/a.txt");
    tmp.Write("src/b.txt");
    tmp.Write("src/c.txt");
    TArchiveFile af;
    af.SetFileName(tmp / "a.lzh");
    int reports = 0;
    af.OnProgress = [&](TArchiveFile&, int, TExtractingInfoEx*, bool& abort) {
        abort = ++reports == 2;
    };
    TArchiverOptions o;
    o.jso = 1;
    EXPECT_EQ(af.Pack(nullptr, &o, tmp / "src", {}), ARC_ERROR_USER_CANCEL);
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(lha.LastCommand(), "");
}

TEST_F(ArchiveFile, ZipReadsThroughUnZipAndWritesThroughZip) {
    fake::Library unzip("std", "libunzip32.so");
    fake::Library zip("std", "libzip32j.so");
    TArchiveFile af;
    af.SetFileName(tmp / "a.zip");
    TArchiverOptions o;
    o.PackFilter = pfArchiver;
    o.IncludeExtraStreams = false;
    af.Pack(nullptr, &o, "/d", {"f"});
    EXPECT_EQ(zip.LastCommand(), " -D  \"" + tmp / "a.zip" + "\" \"/d/\" \"f\" ");
    af.Unpack(nullptr, &o, "/d", {"f"});
    EXPECT_EQ(unzip.LastCommand(), "-x  \"" + tmp / "a.zip" + "\" \"/d/\" \"f\" ");
    // Progress windows go to UNZIP32 alone.
    af.OnProgress = [](TArchiveFile&, int, TExtractingInfoEx*, bool&) {};
    af.Unpack(nullptr, &o, "/d", {"f"});
    EXPECT_EQ(unzip.OwnerCalls(false), 1);
    EXPECT_NE(unzip.LastCommand().find("--i"), std::string::npos);
}

TEST_F(ArchiveFile, OnlyLmzip32ServesBothDirections) {
    fake::UseLibraries({"lmzip"});
    testing_support::FreeAllBindings();
    fake::Library lm("lmzip", "liblmzip32.so");
    lm.AddMember("m.txt", 3, 0, 0);
    TArchiveFile af;
    af.SetFileName(tmp / "a.zip");
    TArchiverOptions o;
    o.PackFilter = pfArchiver;
    o.IncludeExtraStreams = false;
    af.Unpack(nullptr, &o, "/d", {"f"});
    EXPECT_EQ(lm.LastEntry(), "main"); // "Unzip"
    af.Pack(nullptr, &o, "/d", {"f"});
    EXPECT_EQ(lm.LastEntry(), "second"); // "Zip"
    EXPECT_EQ(lm.LastCommand(), "-ru  \"" + tmp / "a.zip" + "\" \"f\" ");
    ASSERT_TRUE(af.OpenArchive(nullptr, 2));
    TMemberInfo info{};
    ASSERT_EQ(af.FindFirst("*.*", info), 0);
    EXPECT_EQ(MemberName(info), "m.txt");
    af.CloseArchive();
    // Attaching a window needs UNZIP32 itself; without it the call still runs.
    af.OnProgress = [](TArchiveFile&, int, TExtractingInfoEx*, bool&) {};
    EXPECT_EQ(af.Unpack(nullptr, &o, "/d", {"f"}), 0);
}

TEST_F(ArchiveFile, ZipEntryMissingEverywhere) {
    fake::UseLibraries({"none"});
    testing_support::FreeAllBindings();
    TArchiveFile af;
    af.SetFileName(tmp / "a.zip");
    try {
        af.OpenArchive(nullptr, 2);
        FAIL() << "no error";
    } catch (const EEntryNotFound& e) {
        EXPECT_STREQ(e.what(), "UnZipOpenArchive のエントリが DLL に見つかりませんでした。");
    }
    TArchiverOptions o;
    EXPECT_THROW(af.RemoveItems(nullptr, &o, "/d", {"f"}), EEntryNotFound);
}
