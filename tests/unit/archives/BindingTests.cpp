// Loading the libraries, resolving their entries and completing the member records.
#include "TestSupport.h"
#include "archives/ArcWindow.h"
#include "archives/ArchiverDll.h"
#include "archives/ArchiverErrors.h"
#include "archives/FileTimes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace archives;

namespace {

// 2024-03-15 09:30:12 as MS-DOS date and time.
constexpr std::uint16_t kDosDate = (44 << 9) | (3 << 5) | 15;
constexpr std::uint16_t kDosTime = (9 << 11) | (30 << 5) | 6;
// The same moment in UTC as a FILETIME.
constexpr ArcFileTime kFileTimeUtc = 133549686120000000ULL;

// Runs the test body with the local time zone set to UTC.
class UtcZone {
public:
    UtcZone() {
        const char* tz = std::getenv("TZ");
        had_ = tz != nullptr;
        if (had_)
            old_ = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~UtcZone() {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

// A binding that counts its entry lookups.
class CountingDll : public TArchiverDll {
public:
    CountingDll() : TArchiverDll("LHA 形式書庫", "Unlha", "UNLHA32.DLL") {}
    std::map<std::string, int> lookups;

protected:
    void* LookupEntry(const std::string& name) override {
        ++lookups[name];
        return TArchiverDll::LookupEntry(name);
    }
};

} // namespace

class Binding : public testing_support::WithFakeLibraries {};

TEST_F(Binding, LibraryNamesMapToSharedObjects) {
    EXPECT_EQ(platform::SharedObjectName("UNLHA32.DLL"), "libunlha32.so");
    EXPECT_EQ(platform::SharedObjectName("7-zip32.dll"), "lib7-zip32.so");
    EXPECT_EQ(platform::SharedObjectName("ZIP32J.DLL"), "libzip32j.so");
}

TEST_F(Binding, MissingLibraryMessage) {
    fake::UseLibraries({"none"});
    try {
        TLha32 lha;
        lha.LoadDLL();
        FAIL() << "loaded";
    } catch (const ENoArchiverDLL& e) {
        EXPECT_STREQ(e.what(), "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。");
    }
    try {
        TYZ1 yz1;
        yz1.LoadDLL();
        FAIL() << "loaded";
    } catch (const EArchiver& e) {
        EXPECT_STREQ(e.what(), "Yz1 形式書庫を扱うには YZ1.DLL か YYZ32.DLL が必要です。");
    }
}

TEST_F(Binding, Yz1FallsBackToYyz32) {
    fake::UseLibraries({"yyz"});
    TYZ1 yz1;
    EXPECT_NO_THROW(yz1.LoadDLL());
    EXPECT_EQ(Yz1Dll().DllName, "YYZ32.DLL");
}

TEST_F(Binding, MissingRequiredEntryNamesLibraryAndEntry) {
    fake::UseLibraries({"broken"});
    fake::Library broken("broken", "libunlha32.so");
    TLha32 lha;
    lha.LoadDLL();
    const ArcHandle h = lha.OpenArchive(nullptr, "/x.lzh", 2);
    ASSERT_NE(h, nullptr);
    TMemberInfo info{};
    EXPECT_EQ(lha.FindFirst(h, "*.*", info), -1);
    try {
        lha.FindNext(h, info);
        FAIL() << "no error";
    } catch (const EEntryNotFound& e) {
        const std::string path =
            std::filesystem::canonical(fake::Dir("broken") + "/libunlha32.so").string();
        EXPECT_EQ(std::string(e.what()), path + " に UnlhaFindNext のエントリが見つかりません。");
    }
    // The library stays loaded with the entries already found.
    EXPECT_TRUE(Lha32Dll().IsLoaded());
    EXPECT_EQ(lha.CloseArchive(h), 0);
}

TEST_F(Binding, EntriesAreLookedUpOnceAndAgainAfterFreeDLL) {
    CountingDll dll;
    dll.LoadDLL();
    dll.CheckArchive("/a.lzh", 16);
    dll.CheckArchive("/a.lzh", 16);
    EXPECT_EQ(dll.lookups["UnlhaCheckArchive"], 1);
    dll.RunCommand(nullptr, "l", nullptr, 0);
    dll.RunCommand(nullptr, "l", nullptr, 0);
    EXPECT_EQ(dll.lookups["Unlha"], 1);
    dll.FreeDLL();
    EXPECT_FALSE(dll.IsLoaded());
    dll.CheckArchive("/a.lzh", 16);
    EXPECT_EQ(dll.lookups["UnlhaCheckArchive"], 2);
    EXPECT_TRUE(dll.IsLoaded());
}

TEST_F(Binding, MemberTimesAndSizesFallBackToTheDosFields) {
    UtcZone utc;
    // ARJ's fake has no time or size entries at all.
    fake::Library arj("std", "libunarj32j.so");
    arj.AddMember("a.txt", 1234, kDosDate, kDosTime);
    TArj32 format;
    format.LoadDLL();
    const ArcHandle h = format.OpenArchive(nullptr, "/x.arj", 2);
    TMemberInfo info{};
    ASSERT_EQ(format.FindFirst(h, "*.*", info), 0);
    EXPECT_EQ(MemberName(info), "a.txt");
    EXPECT_EQ(info.lastWriteTime, kFileTimeUtc);
    EXPECT_EQ(info.lastAccessTime, kFileTimeUtc);
    EXPECT_EQ(info.creationTime, kFileTimeUtc);
    EXPECT_EQ(info.originalSize64, 1234u);
    EXPECT_EQ(info.compressedSize64, 617u);
    // Without SetOwnerWindowEx the window cannot be attached, and that is no error.
    TArcWindow window;
    EXPECT_FALSE(format.SetOwnerWindow(window.Handle()));
    EXPECT_EQ(format.OwnerWindow, window.Handle());
    EXPECT_FALSE(format.KillOwnerWindow());
    EXPECT_EQ(format.OwnerWindow, nullptr);
}

TEST_F(Binding, MemberTimesAndSizesFromTheOptionalEntries) {
    UtcZone utc;
    fake::Library lha("std", "libunlha32.so");
    lha.AddMember("a.txt", 10, kDosDate, kDosTime);
    lha.AddMember("b.txt", 20, 0, 0);
    TLha32 format;
    format.LoadDLL();
    const ArcHandle h = format.OpenArchive(nullptr, "/x.lzh", 2);
    TMemberInfo info{};
    // An entry that answers 0 also falls back; an invalid DOS date gives no time.
    ASSERT_EQ(format.FindFirst(h, "*.*", info), 0);
    EXPECT_EQ(info.lastWriteTime, kFileTimeUtc);
    lha.SetTimes(true, 42, 5000000000ULL);
    ASSERT_EQ(format.FindNext(h, info), 0);
    EXPECT_EQ(MemberName(info), "b.txt");
    EXPECT_EQ(info.lastWriteTime, 42u);
    EXPECT_EQ(info.creationTime, 42u);
    EXPECT_EQ(info.originalSize64, 5000000000ULL);
    lha.SetTimes(false, 0, 0);
    EXPECT_NE(format.FindNext(h, info), 0);
    EXPECT_EQ(DosDateTimeToUtcFileTime(0, 0), 0u);
}

TEST_F(Binding, Yz1AsksForThePasswordAndSearchesAgain) {
    fake::Library yz1("std", "libyz1.so");
    yz1.AddMember("secret.txt", 1, kDosDate, kDosTime);
    yz1.RequirePassword(true);
    TYZ1 format;
    format.LoadDLL();
    const ArcHandle h = format.OpenArchive(nullptr, "/x.yz1", 2);
    TMemberInfo info{};
    ASSERT_EQ(format.FindFirst(h, "*.*", info), 0);
    EXPECT_EQ(yz1.Password(), "secret");
    EXPECT_EQ(MemberName(info), "secret.txt");
}

TEST_F(Binding, RunCommandPassesNoBufferForSizeZero) {
    fake::Library lib("std", "libunlha32.so");
    lib.SetResult(0x8012);
    EXPECT_EQ(Lha32Dll().RunCommand(nullptr, "l x", nullptr, 0), 0x8012);
    EXPECT_EQ(lib.LastOutputSize(), -1);
    char buffer[8];
    EXPECT_EQ(Lha32Dll().RunCommand(nullptr, "l x", buffer, sizeof buffer), 0x8012);
    EXPECT_EQ(lib.LastOutputSize(), 8);
    EXPECT_STREQ(buffer, "fake ou");
}
