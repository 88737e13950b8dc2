// Files that cannot be read while packing: unreadable ones (as an unprivileged user, since
// root reads everything) and ones that vanish while the archive is written are left out and
// named, the other files are packed, an old member of the same name stays as it was, and the
// result is ARC_ERROR_FILE_OPEN.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

// The member's data, extracted with our library.
std::string MemberData(const std::string& arc, const std::string& member) {
    unsigned char buf[256] = {};
    uint32_t written = 0;
    const std::string cmd = Quoted(arc) + " " + Escaped(member);
    if (Libraries::Get().ExtractMem(nullptr, cmd.c_str(), buf, sizeof buf, nullptr, nullptr,
                                    &written) != 0)
        return "<no member " + member + ">";
    return std::string(reinterpret_cast<char*>(buf), written);
}

// An owner window that removes files when the first member starts being written.
struct VanishingWindow : ArcWindow {
    std::vector<std::string> doomed;
    static intptr_t Send(ArcWindow* wnd, uint32_t, uintptr_t state, intptr_t) {
        auto* self = static_cast<VanishingWindow*>(wnd);
        if (state == ARC_STATE_BEGIN) {
            for (const std::string& path : self->doomed)
                unlink(path.c_str());
        }
        return 0;
    }
    static uint32_t Register(const char*) { return 0xC123; }
    VanishingWindow() : ArcWindow{} {
        structSize = sizeof(ArcWindow);
        send = &Send;
        registerMessage = &Register;
    }
};

} // namespace

TEST(ZipPackFailures, UnreadableFilesAreLeftOutNamedAndTheOthersPacked) {
    TempDir t;
    ASSERT_EQ(chmod(t.path().c_str(), 0755), 0);
    const std::string src = t / "work/src";
    WriteFile(src + "/a.txt", "a first");
    WriteFile(src + "/b.txt", "b first");
    WriteFile(src + "/c.txt", "c");
    WriteFile(src + "/locked/x.txt", "x");
    ASSERT_EQ(Shell("chown -R 65534:65534 " + Sh(t / "work")), 0);
    const std::string arc = t / "work/a.zip";
    std::string out;
    ASSERT_EQ(RunUnprivileged("zip", PackCommand(arc, src, {"a.txt", "b.txt"}), &out), 0) << out;

    // b.txt can no longer be read by its owner, rootonly.txt never could, locked/ cannot
    // be listed.
    WriteFile(src + "/a.txt", "a second");
    ASSERT_EQ(chmod((src + "/b.txt").c_str(), 0), 0);
    WriteFile(src + "/rootonly.txt", "root");
    ASSERT_EQ(chmod((src + "/rootonly.txt").c_str(), 0600), 0);
    ASSERT_EQ(chmod((src + "/locked").c_str(), 0), 0);
    EXPECT_EQ(RunUnprivileged(
                  "zip", PackCommand(arc, src, {"a.txt", "b.txt", "c.txt", "rootonly.txt"}), &out),
              1);
    EXPECT_NE(out.find("result code 0x800d"), std::string::npos) << out;
    EXPECT_NE(out.find("cannot open " + src + "/b.txt: Permission denied"), std::string::npos)
        << out;
    EXPECT_NE(out.find("cannot open " + src + "/rootonly.txt: Permission denied"),
              std::string::npos)
        << out;
    EXPECT_EQ(Sorted(ListNames(arc)), Sorted({"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(MemberData(arc, "a.txt"), "a second");
    EXPECT_EQ(MemberData(arc, "b.txt"), "b first"); // the old member stays
    EXPECT_EQ(MemberData(arc, "c.txt"), "c");
    ASSERT_EQ(Shell("unzip -tq " + Sh(arc), &out), 0) << out;

    // A directory that cannot be read with -r is named as well.
    EXPECT_EQ(RunUnprivileged("zip", PackCommand(arc, src, {"locked", "c.txt"}, " -r"), &out), 1);
    EXPECT_NE(out.find("result code 0x800d"), std::string::npos) << out;
    EXPECT_NE(out.find("cannot read directory " + src + "/locked: Permission denied"),
              std::string::npos)
        << out;
    EXPECT_EQ(Sorted(ListNames(arc)), Sorted({"a.txt", "b.txt", "c.txt"}));

    // Nothing readable at all: the archive stays exactly as it was, and no work file is left.
    const std::string before = ReadFile(arc);
    EXPECT_EQ(RunUnprivileged("zip", PackCommand(arc, src, {"b.txt", "rootonly.txt"}), &out), 1);
    EXPECT_NE(out.find("result code 0x800d"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(arc), before);
    EXPECT_EQ(DirEntries(t / "work"), Sorted({"a.zip", "src"}));
    ASSERT_EQ(Shell("chmod -R u+rwx " + Sh(src)), 0);
}

TEST(ZipPackFailures, FilesThatVanishWhileTheArchiveIsWrittenAreLeftOut) {
    TempDir t;
    WriteFile(t / "src/a.txt", "a first");
    WriteFile(t / "src/b.txt", "b first");
    const std::string arc = t / "a.zip";
    const Libraries& lib = Libraries::Get();
    ASSERT_EQ(lib.Zip(nullptr, PackCommand(arc, t / "src", {"a.txt", "b.txt"}).c_str(), nullptr, 0),
              0);

    WriteFile(t / "src/a.txt", "a second");
    WriteFile(t / "src/b.txt", "b second");
    WriteFile(t / "src/c.txt", TextBytes(3 << 20)); // streamed, not compressed whole
    WriteFile(t / "src/d.txt", "d");
    VanishingWindow wnd;
    wnd.doomed = {t / "src/b.txt", t / "src/d.txt"}; // selected, then gone before they are read
    ASSERT_NE(lib.SetOwnerWindowEx(&wnd, nullptr), 0);
    char out[8192] = "";
    // On one thread each file is read when its member is written; worker threads may have
    // read b.txt and d.txt already when the first member starts.
    const int32_t r = lib.Zip(
        nullptr, PackCommand(arc, t / "src", {"a.txt", "b.txt", "c.txt", "d.txt"}, " -jt1").c_str(),
        out, sizeof out);
    EXPECT_NE(lib.KillOwnerWindowEx(&wnd), 0);
    EXPECT_EQ(r, ARC_ERROR_FILE_OPEN) << out;
    const std::string text = out;
    EXPECT_NE(text.find("cannot open " + t / "src/b.txt: No such file or directory"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("cannot open " + t / "src/d.txt: No such file or directory"),
              std::string::npos)
        << text;
    EXPECT_EQ(Sorted(ListNames(arc)), Sorted({"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(MemberData(arc, "a.txt"), "a second");
    EXPECT_EQ(MemberData(arc, "b.txt"), "b first");
    std::string check;
    ASSERT_EQ(Shell("unzip -tq " + Sh(arc), &check), 0) << check;
    ASSERT_EQ(UnZip("-x -o " + Quoted(arc) + " " + Quoted(t / "out" + "/")), 0);
    EXPECT_EQ(ReadFile(t / "out/c.txt"), TextBytes(3 << 20));
    EXPECT_EQ(DirEntries(t.path()), Sorted({"a.zip", "out", "src"})); // no work file left
}
