#include "definition/TVMTask.h"

#include "platform/DateTime.h"
#include "tests/unit/definition/Bytes.h"

#include <gtest/gtest.h>

using namespace definition;
using testing_support::Bytes;

namespace {

const char* kDefaultNoCompress = "*.lzh;*.zip;*.jpg;*.tif;*.mp3;*.wav;*.wma;*.avi";

// The fields shared by the forms 0.04 and 0.05, with values unlike the defaults.
Bytes Form04Body(const std::string& signature) {
    Bytes b;
    b.Sig(signature).Str("/src/a\r\n/src/b").Str("/dst").Str("*.txt").Str("*.bak");
    b.Bool(false).Bool(true).Bool(true).Bool(false).Bool(false); // SubDir..DirNameAsLzhName
    b.Str("insert disk").Bool(true);                             // message text, flag
    b.Bool(true).Bool(true).Bool(false).Bool(false);             // Hidden System SaveMod Cache
    return b;
}

// The older layout of the forms 0.01 to 0.03, up to MsgBeforeExecution.
Bytes LegacyBody(const std::string& signature) {
    Bytes b;
    b.Sig(signature).Str("/src").Str("/dst").Str("*.doc").Str("legacy-target").Str("*.tmp");
    b.Str("legacy-skip").Bool(false).Bool(true).Bool(true).Bool(false).Bool(false);
    b.Str("msg").Bool(true);
    return b;
}

TVMTask Read(const std::string& bytes) {
    TVMTask task;
    TMemoryStream s(bytes);
    task.ReadFromStream(s);
    EXPECT_EQ(s.Position(), s.Size());
    return task;
}

TEST(TVMTaskTest, Defaults) {
    const double before = platform::Now();
    const TVMTask t;
    EXPECT_EQ(t.TargetFiles, "*.*");
    EXPECT_TRUE(t.SubDir);
    EXPECT_TRUE(t.SaveDeletedFiles);
    EXPECT_TRUE(t.SaveModifiedFiles);
    EXPECT_TRUE(t.DirNameAsLzhName);
    EXPECT_TRUE(t.EnableLzhCache);
    EXPECT_FALSE(t.RegExp || t.NoDeleteFiles || t.MsgBeforeExecution || t.IncludeHidden ||
                 t.IncludeSystem || t.NoCompressFiles);
    EXPECT_EQ(t.TSMode, 0);
    EXPECT_EQ(t.TSModeDays, 1);
    EXPECT_GE(t.TSModeDate, before);
    EXPECT_EQ(t.NoCompress, kDefaultNoCompress);
    EXPECT_EQ(t.LegacyTargetFiles, "*");
}

TEST(TVMTaskTest, Form05ReadsEveryField) {
    Bytes b = Form04Body("TVMTask 0.05___");
    b.Int(2).ExtendedOne().Int(30).Bool(true).Str("*.iso");
    const TVMTask t = Read(b.Data());
    EXPECT_EQ(t.SrcDirs, "/src/a\r\n/src/b");
    EXPECT_EQ(t.DstDir, "/dst");
    EXPECT_EQ(t.TargetFiles, "*.txt");
    EXPECT_EQ(t.SkipFiles, "*.bak");
    EXPECT_FALSE(t.SubDir);
    EXPECT_TRUE(t.RegExp);
    EXPECT_TRUE(t.NoDeleteFiles);
    EXPECT_FALSE(t.SaveDeletedFiles);
    EXPECT_FALSE(t.DirNameAsLzhName);
    EXPECT_EQ(t.MsgBeforeExecutionText, "insert disk");
    EXPECT_TRUE(t.MsgBeforeExecution);
    EXPECT_TRUE(t.IncludeHidden);
    EXPECT_TRUE(t.IncludeSystem);
    EXPECT_FALSE(t.SaveModifiedFiles);
    EXPECT_FALSE(t.EnableLzhCache);
    EXPECT_EQ(t.TSMode, 2);
    EXPECT_EQ(t.TSModeDate, 1.0);
    EXPECT_EQ(t.TSModeDays, 30);
    EXPECT_TRUE(t.NoCompressFiles);
    EXPECT_EQ(t.NoCompress, "*.iso");
}

TEST(TVMTaskTest, Form04KeepsTheDefaultsOfTheNewerFields) {
    const TVMTask t = Read(Form04Body("TVMTask 0.04___").Data());
    EXPECT_EQ(t.SrcDirs, "/src/a\r\n/src/b");
    EXPECT_TRUE(t.IncludeHidden);
    EXPECT_EQ(t.TSMode, 0);
    EXPECT_EQ(t.TSModeDays, 1);
    EXPECT_FALSE(t.NoCompressFiles);
    EXPECT_EQ(t.NoCompress, kDefaultNoCompress);
}

TEST(TVMTaskTest, LegacyForms) {
    Bytes v03 = LegacyBody("TVMTask 0.03___");
    v03.Bool(true).Bool(false).Bool(true);
    const TVMTask t3 = Read(v03.Data());
    EXPECT_EQ(t3.TargetFiles, "*.doc");
    EXPECT_EQ(t3.LegacyTargetFiles, "legacy-target");
    EXPECT_EQ(t3.SkipFiles, "*.tmp");
    EXPECT_EQ(t3.LegacySkipFiles, "legacy-skip");
    EXPECT_TRUE(t3.IncludeHidden);
    EXPECT_FALSE(t3.IncludeSystem);
    EXPECT_TRUE(t3.SaveModifiedFiles);
    EXPECT_TRUE(t3.EnableLzhCache);
    EXPECT_EQ(t3.MsgBeforeExecutionText, "msg");

    Bytes v02 = LegacyBody("TVMTask 0.02___");
    v02.Bool(true).Bool(true);
    const TVMTask t2 = Read(v02.Data());
    EXPECT_TRUE(t2.IncludeSystem);
    EXPECT_FALSE(t2.SaveModifiedFiles); // not the default

    const TVMTask t1 = Read(LegacyBody("TVMTask 0.01___").Data());
    EXPECT_FALSE(t1.IncludeHidden);
    EXPECT_FALSE(t1.IncludeSystem);
    EXPECT_FALSE(t1.SaveModifiedFiles);
    EXPECT_TRUE(t1.EnableLzhCache);
    EXPECT_EQ(t1.NoCompress, kDefaultNoCompress);
}

TEST(TVMTaskTest, UnknownSignatureIsRejected) {
    for (const char* sig : {"TVMTask 0.06___", "tvmtask 0.05___", "", "TVMTask 0.05__"}) {
        TVMTask t;
        TMemoryStream s(Bytes().Sig(sig).Int(0).Data());
        try {
            t.ReadFromStream(s);
            FAIL() << sig;
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), "TVMTask.ReadFromStream: This object is not TVMTask 0.01.");
        }
    }
}

TEST(TVMTaskTest, WrittenItemReadsBackEqualAndIsForm05) {
    TVMTask t;
    t.SrcDirs = "/home/ann\r\n/srv/\xE6\x97\xA5";
    t.DstDir = "/backup";
    t.SkipFiles = std::string("a\0b", 3);
    t.RegExp = true;
    t.TSMode = 1;
    t.TSModeDate = platform::EncodeDateTime(2024, 1, 31, 2, 0, 0, 123);
    t.NoCompress = "*.7z";
    TMemoryStream s;
    t.WriteToStream(s);
    EXPECT_EQ(s.Data().substr(0, 16), std::string("TVMTask 0.05___\0", 16));
    TVMTask back;
    TMemoryStream r(s.Data());
    back.ReadFromStream(r);
    t.LegacyTargetFiles = back.LegacyTargetFiles; // never written
    EXPECT_EQ(back, t);
}

TEST(TVMTaskTest, AssignCopiesEveryFieldAndLeavesTheSourceAlone) {
    TVMTask source;
    source.SrcDirs = "/a";
    source.TSMode = 2;
    source.NoCompressFiles = true;
    source.LegacySkipFiles.assign(1, 'x');
    TVMTask copy;
    copy.Assign(source);
    EXPECT_EQ(copy, source);
    copy.SrcDirs.assign("/changed");
    copy.TSModeDays = 99;
    EXPECT_EQ(source.SrcDirs, "/a");
    EXPECT_EQ(source.TSModeDays, 1);
}

TEST(TVMTaskTest, TruncationKeepsWhatWasRead) {
    const std::string full = Form04Body("TVMTask 0.04___").Data();
    TVMTask t;
    TMemoryStream s(full.substr(0, 16 + 4 + 14 + 4 + 4 + 2)); // inside TargetFiles
    EXPECT_THROW(t.ReadFromStream(s), EReadError);
    EXPECT_EQ(t.SrcDirs, "/src/a\r\n/src/b");
    EXPECT_EQ(t.DstDir, "/dst");
    EXPECT_EQ(t.TargetFiles, "*.*");
}

} // namespace
