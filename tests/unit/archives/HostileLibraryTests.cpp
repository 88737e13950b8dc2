// Libraries that break the contract: over-long or unterminated member names, records written
// past their end, progress records whose names fill their fields. The program must read nothing
// out of bounds; these tests also run under AddressSanitizer (archives_hostile_sanitized).
#include "FakeLibrary.h"
#include "archives/ArchiveFile.h"
#include "archives/Lha32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace archives;

namespace {

class HostileLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        fake::UseLibraries({"std"});
        TLha32().FreeDLL();
    }
    void TearDown() override {
        TLha32().FreeDLL();
        platform::SetLibrarySearchDirs(std::nullopt);
    }
};

} // namespace

TEST_F(HostileLibrary, MemberNameWithoutNul) {
    fake::Library lha("std", "libunlha32.so");
    lha.AddMember("ignored", 1, 0, 0);
    lha.AddMember("ignored", 1, 0, 0);
    lha.SetHostile(1);
    TArchiveFile af;
    af.SetFileName("/nonexistent/a.lzh");
    ASSERT_TRUE(af.OpenArchive(nullptr, 2));
    TMemberInfo info;
    std::memset(&info, 'Z', sizeof info);
    ASSERT_EQ(af.FindFirst("*.*", info), 0);
    // The name is cut inside its field, and so are the other texts.
    EXPECT_EQ(std::strlen(info.fileName), 512u);
    EXPECT_EQ(MemberName(info), std::string(512, 'N'));
    EXPECT_EQ(std::strlen(info.attribute), 7u);
    EXPECT_EQ(std::strlen(info.method), 7u);
    ASSERT_EQ(af.FindNext(info), 0);
    EXPECT_EQ(MemberName(info).size(), 512u);
    af.CloseArchive();
}

TEST_F(HostileLibrary, LibraryWritingPastTheMemberRecord) {
    fake::Library lha("std", "libunlha32.so");
    lha.AddMember("x", 1, 0, 0);
    lha.SetHostile(2);
    TArchiveFile af;
    af.SetFileName("/nonexistent/a.lzh");
    ASSERT_TRUE(af.OpenArchive(nullptr, 2));
    struct {
        TMemberInfo info;
        char guard[512];
    } target;
    std::memset(target.guard, 0, sizeof target.guard);
    ASSERT_EQ(af.FindFirst("*.*", target.info), 0);
    // Only the library's 558 bytes were taken; nothing behind the record was touched.
    EXPECT_EQ(MemberName(target.info).size(), 512u);
    for (char c : target.guard)
        ASSERT_EQ(c, 0);
    af.CloseArchive();
}

TEST_F(HostileLibrary, ProgressNamesFillingTheirFields) {
    fake::Library lha("std", "libunlha32.so");
    lha.SetProgress(3);
    lha.SetHostile(3);
    TArchiveFile af;
    af.SetFileName("/nonexistent/a.lzh");
    std::size_t longest = 0;
    af.OnProgress = [&](TArchiveFile&, int, TExtractingInfoEx* info, bool&) {
        longest = std::max({longest, std::strlen(info->sourceName), std::strlen(info->destName),
                            std::strlen(info->method)});
    };
    TArchiverOptions o;
    o.jso = 1;
    o.jse = 1;
    // The stream hook reads the names too.
    o.IncludeExtraStreams = true;
    o.StreamSeparator = "AA";
    EXPECT_EQ(af.Unpack(nullptr, &o, "/d", {"a"}), 0);
    EXPECT_EQ(lha.ProgressSent(), 3);
    EXPECT_EQ(longest, 512u);
}
