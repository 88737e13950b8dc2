#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace app;
using platform::EncodeDate;
using platform::EncodeDateTime;
using platform::EncodeTime;

namespace {

const platform::TDateTime kNow = EncodeDateTime(2024, 3, 15, 10, 20, 30, 456);

TCommandLine Parse(const std::vector<std::string>& args) {
    return ParseCommandLine(args, kNow);
}

TEST(CommandLineTest, FindSwitchComparesOnlyTheWordLengthWithoutCase) {
    const std::vector<std::string> list = {"a.vmp", "-BACKUP", "/backupxyz", "backup", "/back"};
    EXPECT_EQ(FindSwitch("backup", list), 1);
    EXPECT_EQ(FindSwitch("backup", {"/backupxyz"}), 0);
    EXPECT_EQ(FindSwitch("backup", {"backup", "/back", "+backup"}), -1);
    EXPECT_EQ(FindSwitch("restore", list), -1);
}

TEST(CommandLineTest, ArgumentsKeepTheirCase) {
    const TCommandLine cl = Parse({"/home/Ann/Daily.VMP", "/BACKUP"});
    EXPECT_EQ(cl.Mode, TOperationMode::Backup);
    ASSERT_EQ(cl.Entries.size(), 1u);
    EXPECT_EQ(cl.Entries[0], "/home/Ann/Daily.VMP");
}

TEST(CommandLineTest, LaterOperationsInTableOrderWin) {
    EXPECT_EQ(Parse({"/restore", "/backup", "a"}).Mode, TOperationMode::Restore);
    EXPECT_EQ(Parse({"/restore", "/Verify", "a"}).Mode, TOperationMode::Verify);
    EXPECT_EQ(Parse({"-verify", "/clearhistory", "a"}).Mode, TOperationMode::ClearHistory);
    const TCommandLine cl = Parse({"/clearhistory", "/restore", "-backup", "a"});
    EXPECT_EQ(cl.Mode, TOperationMode::ClearHistory);
    EXPECT_EQ(*cl.ClearHistoryBefore, kNow);
    EXPECT_EQ(cl.Entries, std::vector<std::string>{"a"});
}

TEST(CommandLineTest, EachSwitchIsTakenOnce) {
    const TCommandLine cl = Parse({"/backup", "/backup", "a.vmp"});
    EXPECT_EQ(cl.Mode, TOperationMode::Backup);
    EXPECT_EQ(cl.Entries, (std::vector<std::string>{"/backup", "a.vmp"}));
}

TEST(CommandLineTest, FlagsAndMinimized) {
    const TCommandLine cl =
        Parse({"/Minimized", "a.vmp", "-ignoretimestamp", "/PermitDeletion", "/restore"});
    EXPECT_TRUE(cl.Minimized);
    EXPECT_TRUE(cl.IgnoreTimeStamp);
    EXPECT_TRUE(cl.PermitDeletion);
    EXPECT_EQ(cl.Mode, TOperationMode::Restore);
    EXPECT_EQ(cl.Entries, std::vector<std::string>{"a.vmp"});
    EXPECT_EQ(Parse({"/minimized", "a.vmp"}).Mode, TOperationMode::None);
}

TEST(CommandLineTest, HistoryDate) {
    const TCommandLine cl = Parse({"/clearhistorydate20240131", "x.vmp"});
    EXPECT_EQ(cl.Mode, TOperationMode::ClearHistory);
    ASSERT_TRUE(cl.ClearHistoryBefore);
    const platform::DateParts p = platform::DecodeDateTime(*cl.ClearHistoryBefore);
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 1);
    EXPECT_EQ(p.day, 31);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.msec, 99);
    EXPECT_EQ(cl.Entries, std::vector<std::string>{"x.vmp"});
}

TEST(CommandLineTest, BadHistoryNumbersKeepTheSwitchAmongTheEntries) {
    const TCommandLine date = Parse({"/clearhistorydate2024013x", "x.vmp"});
    EXPECT_TRUE(date.BadNumber);
    EXPECT_EQ(date.Entries, (std::vector<std::string>{"/clearhistorydate2024013x", "x.vmp"}));
    EXPECT_TRUE(Parse({"/clearhistorydays", "x.vmp"}).BadNumber);
    EXPECT_TRUE(Parse({"/clearhistorydays1o", "x.vmp"}).BadNumber);
    // Numbers that form no date raise the conversion error.
    EXPECT_THROW(Parse({"/clearhistorydate20241331", "x.vmp"}), platform::EConvertError);
}

TEST(CommandLineTest, HistoryDays) {
    const TCommandLine cl = Parse({"x.vmp", "-CLEARHISTORYDAYS30"});
    EXPECT_EQ(cl.Mode, TOperationMode::ClearHistory);
    const platform::DateParts p = platform::DecodeDateTime(*cl.ClearHistoryBefore);
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 14);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.msec, 456); // the milliseconds of now are kept
    // /clearhistorydays7 is never taken for /clearhistory.
    const TCommandLine seven = Parse({"/clearhistorydays7", "x.vmp"});
    EXPECT_EQ(platform::DecodeDateTime(*seven.ClearHistoryBefore).day, 8);
}

TEST(CommandLineTest, VersionSwitchesTakeTheirValuesBeforeAnyOtherSwitch) {
    // Values that look like switches (paths below /backup, /restore...) stay values.
    const TCommandLine list = Parse({"a.vmp", "/Versions", "/backup/docs/f.txt", "/minimized"});
    EXPECT_EQ(list.Mode, TOperationMode::Versions);
    EXPECT_EQ(list.VersionPath, "/backup/docs/f.txt");
    EXPECT_TRUE(list.Minimized);
    EXPECT_EQ(list.Entries, std::vector<std::string>{"a.vmp"});

    // /restoreversion is not read as /restore; /to may stand before or after it.
    for (const auto& args : {std::vector<std::string>{"/restoreversion", "/restore/f.txt",
                                                      "20240102030405", "/to", "/tmp/o", "a.vmp"},
                             std::vector<std::string>{"/to", "/tmp/o", "a.vmp", "-RESTOREVERSION",
                                                      "/restore/f.txt", "20240102030405"}}) {
        const TCommandLine cl = Parse(args);
        EXPECT_EQ(cl.Mode, TOperationMode::RestoreVersion);
        EXPECT_EQ(cl.VersionPath, "/restore/f.txt");
        EXPECT_EQ(cl.VersionStamp, "20240102030405");
        EXPECT_EQ(cl.RestoreTo, "/tmp/o");
        EXPECT_EQ(cl.Entries, std::vector<std::string>{"a.vmp"});
        EXPECT_FALSE(cl.BadNumber);
    }
    EXPECT_TRUE(Parse({"/restoreversion", "f", "20240102030405", "a"}).RestoreTo.empty());
    // Whole words only: a path that merely starts like the switch is an entry.
    EXPECT_EQ(Parse({"/versionsdir/a.vmp"}).Mode, TOperationMode::None);
    EXPECT_EQ(Parse({"/tools/a.vmp", "/restoreversion", "f", "20240102030405"}).Entries,
              std::vector<std::string>{"/tools/a.vmp"});
}

TEST(CommandLineTest, MalformedVersionSwitchesAreCommandLineErrors) {
    for (const auto& args :
         {std::vector<std::string>{"a.vmp", "/versions"},
          std::vector<std::string>{"a.vmp", "/restoreversion", "f.txt"},
          std::vector<std::string>{"a.vmp", "/restoreversion", "f.txt", "2024010203"},
          std::vector<std::string>{"a.vmp", "/restoreversion", "f.txt", "2024010203040x"},
          std::vector<std::string>{"a.vmp", "/restoreversion", "f.txt", "20240102030405", "/to"}}) {
        const TCommandLine cl = Parse(args);
        EXPECT_TRUE(cl.BadNumber) << args.back();
        EXPECT_EQ(cl.Entries, args) << "the entries are shown as given";
    }
}

TEST(CommandLineTest, ErrorTextListsTheEntriesAsGiven) {
    EXPECT_EQ(CommandLineErrorText({"a.vmp", "B.vmp"}),
              "コマンドラインの書式が誤っています．\r\n(a.vmp B.vmp )");
    EXPECT_EQ(CommandLineErrorText({}), "コマンドラインの書式が誤っています．\r\n()");
}

} // namespace
