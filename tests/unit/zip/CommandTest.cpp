// The commands as the program sends them: pack, replace, update, store, delete, freshen,
// batches, response files, escaped names, cancel, and the failures that must leave the old
// archive as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zip.h>

#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

std::string Extract(const std::string& arc, const std::string& dest,
                    const std::vector<std::string>& names = {}) {
    std::string cmd = "-x -o " + Quoted(arc) + " " + Quoted(dest + "/");
    for (const std::string& n : names)
        cmd += " " + Escaped(n);
    return cmd;
}

// The member's method as the record gives it.
std::string MethodOf(const std::string& arc, const std::string& member) {
    const Libraries& lib = Libraries::Get();
    ArcHandle h = lib.OpenArchive(nullptr, arc.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return "<no archive>";
    ArcMemberRecord rec{};
    std::string method = "<no member>";
    for (int32_t r = lib.FindFirst(h, "*.*", &rec); r == 0; r = lib.FindNext(h, &rec)) {
        if (member == rec.fileName)
            method = rec.method;
    }
    lib.CloseArchive(h);
    return method;
}

// Attaches a window to the reading library (as the program does) for one scope.
struct AttachedWindow {
    explicit AttachedWindow(RecordingWindow& w) : wnd(w) {
        EXPECT_NE(Libraries::Get().SetOwnerWindowEx(&wnd, nullptr), 0);
    }
    ~AttachedWindow() { EXPECT_NE(Libraries::Get().KillOwnerWindowEx(&wnd), 0); }
    AttachedWindow(const AttachedWindow&) = delete;
    AttachedWindow& operator=(const AttachedWindow&) = delete;
    RecordingWindow& wnd;
};

// A hostile archive written directly with libzip: any names, any modes.
void HostileArchive(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& members,
                    uint32_t mode = 0100644) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, data] : members) {
        zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
        const zip_int64_t i = zip_file_add(za, name.c_str(), src, 0);
        ASSERT_GE(i, 0) << name;
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX,
                                         mode << 16);
    }
    ASSERT_EQ(zip_close(za), 0);
}

} // namespace

TEST(ZipCommands, PackCarriesEscapedAndOddNamesExactly) {
    TempDir t;
    const std::vector<std::string> names = {
        "-x.txt", "a[1].txt", "[b].txt", "with blank.txt", "a*b.txt", "q?.txt", "back\\slash.txt"};
    for (const std::string& n : names)
        WriteFile(t / "src/" + n, "data of " + n);
    WriteFile(t / "src/axb.txt", "must not be taken by a*b.txt");
    WriteFile(t / "src/a1.txt", "must not be taken by a[1].txt");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", names)), 0);
    EXPECT_EQ(Sorted(ListNames(t / "a.zip")), Sorted(names));

    // Extracting by the same escaped names gives exactly those members back.
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out", {"-x.txt", "a[1].txt", "a*b.txt"})), 0);
    EXPECT_EQ(DirEntries(t / "out"), Sorted({"-x.txt", "a[1].txt", "a*b.txt"}));
    EXPECT_EQ(ReadFile(t / "out/a[1].txt"), "data of a[1].txt");
}

TEST(ZipCommands, PackReplacesAMemberWhateverTheTimesAndUpdateOnlyByNewer) {
    TempDir t;
    WriteFile(t / "src/a.txt", "first");
    SetMtime(t / "src/a.txt", 1700000000);
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt"})), 0);

    // An older file with other content still replaces the member when packed without -u.
    WriteFile(t / "src/a.txt", "older but wanted");
    SetMtime(t / "src/a.txt", 1600000000);
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt"})), 0);
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out1")), 0);
    EXPECT_EQ(ReadFile(t / "out1/a.txt"), "older but wanted");
    EXPECT_EQ(Mtime(t / "out1/a.txt"), 1600000000);

    // With -u an older file is left out, a newer one replaces, a new one is added.
    WriteFile(t / "src/a.txt", "even older");
    SetMtime(t / "src/a.txt", 1500000000);
    WriteFile(t / "src/b.txt", "new");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt", "b.txt"}, " -u")), 0);
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out2")), 0);
    EXPECT_EQ(ReadFile(t / "out2/a.txt"), "older but wanted");
    EXPECT_EQ(ReadFile(t / "out2/b.txt"), "new");
    WriteFile(t / "src/a.txt", "newest");
    SetMtime(t / "src/a.txt", 1800000000);
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt"}, " -u")), 0);
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out3")), 0);
    EXPECT_EQ(ReadFile(t / "out3/a.txt"), "newest");
}

TEST(ZipCommands, StoreWithZeroAndDeflateOtherwise) {
    TempDir t;
    WriteFile(t / "src/text.txt", TextBytes(200000));
    WriteFile(t / "src/big.txt", TextBytes(3 << 20));
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"text.txt"}, " -0")), 0);
    EXPECT_EQ(MethodOf(t / "a.zip", "text.txt"), "stored");
    // Packing again without -0 replaces the stored member by a deflated one, and back.
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"text.txt", "big.txt"})), 0);
    EXPECT_EQ(MethodOf(t / "a.zip", "text.txt"), "deflate");
    EXPECT_EQ(MethodOf(t / "a.zip", "big.txt"), "deflate");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"big.txt"}, " -0")), 0);
    EXPECT_EQ(MethodOf(t / "a.zip", "big.txt"), "stored");
    std::string out;
    ASSERT_EQ(Shell("unzip -tq " + Sh(t / "a.zip"), &out), 0) << out;
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out")), 0);
    EXPECT_EQ(ReadFile(t / "out/big.txt"), TextBytes(3 << 20));
    // Data that deflate cannot shrink is stored even without -0.
    WriteFile(t / "src/random.bin", RandomBytes(100000, 5));
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"random.bin"})), 0);
    EXPECT_EQ(MethodOf(t / "a.zip", "random.bin"), "stored");
}

TEST(ZipCommands, DeleteByNameEscapeAndWildcard) {
    TempDir t;
    const std::vector<std::string> names = {"-x.txt", "a[1].txt", "keep.txt", "log1.tmp",
                                            "log2.tmp"};
    for (const std::string& n : names)
        WriteFile(t / "src/" + n, n);
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", names)), 0);
    std::string out;
    const std::string del = "-d -S -D -q -o -- " + Quoted(t / "a.zip") + " " + Escaped("-x.txt") +
                            " " + Escaped("a[1].txt") + " \"*.tmp\" \"not-there.txt\"";
    EXPECT_EQ(Zip(del, &out), 0) << out;
    EXPECT_EQ(ListNames(t / "a.zip"), std::vector<std::string>{"keep.txt"});
    EXPECT_NE(out.find("not-there.txt"), std::string::npos) << out;
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out")), 0);
    EXPECT_EQ(ReadFile(t / "out/keep.txt"), "keep.txt");
    // Deleting the last member removes the archive.
    EXPECT_EQ(Zip("-d " + Quoted(t / "a.zip") + " \"keep.txt\""), 0);
    EXPECT_FALSE(Exists(t / "a.zip"));
}

TEST(ZipCommands, FreshenReplacesNewerMembersAndAddsNothing) {
    TempDir t;
    WriteFile(t / "src/a.txt", "a1");
    WriteFile(t / "src/b.txt", "b1");
    SetMtime(t / "src/a.txt", 1600000000);
    SetMtime(t / "src/b.txt", 1600000000);
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt", "b.txt"})), 0);
    WriteFile(t / "src/a.txt", "a2");
    SetMtime(t / "src/a.txt", 1700000000);
    WriteFile(t / "src/b.txt", "b2-older");
    SetMtime(t / "src/b.txt", 1500000000);
    WriteFile(t / "src/c.txt", "c");
    const std::string fresh = "-f -S -D -q -o  " + Quoted(t / "a.zip") + " " +
                              Quoted(t / "src" + "/") + " \"a.txt\" \"b.txt\" \"c.txt\"";
    ASSERT_EQ(Zip(fresh), 0);
    EXPECT_EQ(Sorted(ListNames(t / "a.zip")), Sorted({"a.txt", "b.txt"}));
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out")), 0);
    EXPECT_EQ(ReadFile(t / "out/a.txt"), "a2");
    EXPECT_EQ(ReadFile(t / "out/b.txt"), "b1");
    // Freshening an archive that does not exist is an error and creates nothing.
    EXPECT_EQ(Zip("-f " + Quoted(t / "none.zip") + " " + Quoted(t / "src" + "/") + " \"a.txt\""),
              ARC_ERROR_NOT_FIND_ARC_FILE);
    EXPECT_FALSE(Exists(t / "none.zip"));
}

TEST(ZipCommands, BatchesOf500NamesAndResponseFiles) {
    TempDir t;
    std::vector<std::string> names;
    for (int i = 0; i < 1200; ++i) {
        names.push_back("file " + std::to_string(i) + (i % 100 == 0 ? "[x].txt" : ".txt"));
        WriteFile(t / "src/" + names.back(), std::to_string(i));
    }
    // As the engine does: calls of at most 500 names into the same archive.
    for (std::size_t i = 0; i < names.size(); i += 500) {
        const std::vector<std::string> batch(
            names.begin() + static_cast<long>(i),
            names.begin() + static_cast<long>(std::min(names.size(), i + 500)));
        ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", batch)), 0);
    }
    EXPECT_EQ(Sorted(ListNames(t / "a.zip")), Sorted(names));

    // A response file: CR LF lines, each name quoted and escaped as the program writes it.
    std::string resp;
    for (int i = 0; i < 500; ++i)
        resp += Escaped(names[static_cast<std::size_t>(i) * 2]) + "\r\n";
    resp += Escaped("-dash.txt") + "\r\n";
    WriteFile(t / "src/-dash.txt", "dash");
    WriteFile(t / "names.rsp", resp);
    ASSERT_EQ(Zip(" -S -D -q -o  " + Quoted(t / "b.zip") + " " + Quoted(t / "src" + "/") + " " +
                  Quoted("@" + t / "names.rsp")),
              0);
    EXPECT_EQ(ListNames(t / "b.zip").size(), 501u);
    ASSERT_EQ(UnZip("-x -o " + Quoted(t / "b.zip") + " " + Quoted(t / "out" + "/") + " " +
                    Quoted("@" + t / "names.rsp")),
              0);
    EXPECT_EQ(DirEntries(t / "out").size(), 501u);
    EXPECT_EQ(ReadFile(t / "out/file 100[x].txt"), "100");
    EXPECT_EQ(ReadFile(t / "out/-dash.txt"), "dash");
    // "@" before something that is no file is an ordinary name, here one that is missing.
    EXPECT_EQ(UnZip("-x -o " + Quoted(t / "b.zip") + " " + Quoted(t / "out" + "/") + " " +
                    Quoted("@" + t / "b.zip/none.rsp")),
              ARC_ERROR_NOT_EXIST);
}

TEST(ZipCommands, ProgressReachesTheWindowAttachedToTheReadingLibrary) {
    TempDir t;
    WriteFile(t / "src/a.txt", TextBytes(3 << 20));
    WriteFile(t / "src/b.txt", "b");
    const Libraries& lib = Libraries::Get();
    RecordingWindow wnd;
    {
        const AttachedWindow attached(wnd);
        ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt", "b.txt"})), 0);
        ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out")), 0);
    }
    EXPECT_EQ(lib.KillOwnerWindowEx(&wnd), 0); // already detached

    auto count = [&](uint32_t state, const std::string& name) {
        return std::count_if(wnd.messages.begin(), wnd.messages.end(), [&](const Message& m) {
            return m.state == state && (m.source.find(name) != std::string::npos ||
                                        m.dest.find(name) != std::string::npos);
        });
    };
    // Packing and extracting each report a begin per member, their bytes, and an end.
    EXPECT_EQ(count(ARC_STATE_BEGIN, "a.txt"), 2);
    EXPECT_EQ(count(ARC_STATE_BEGIN, "b.txt"), 2);
    EXPECT_GE(count(ARC_STATE_INPROCESS, "a.txt"), 4);
    EXPECT_EQ(std::count_if(wnd.messages.begin(), wnd.messages.end(),
                            [](const Message& m) { return m.state == ARC_STATE_END; }),
              2);
    const auto last =
        std::find_if(wnd.messages.rbegin(), wnd.messages.rend(), [](const Message& m) {
            return m.state == ARC_STATE_INPROCESS && m.source == "a.txt";
        });
    ASSERT_NE(last, wnd.messages.rend());
    EXPECT_EQ(last->written, last->total);
    EXPECT_EQ(last->total, 3u << 20);
    EXPECT_EQ(last->dest, t / "out/a.txt");

    // Once detached, nothing more arrives.
    const std::size_t before = wnd.messages.size();
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"b.txt"})), 0);
    EXPECT_EQ(wnd.messages.size(), before);
}

TEST(ZipCommands, CancelThroughTheProgressReplyLeavesTheOldArchive) {
    TempDir t;
    WriteFile(t / "src/old.txt", "old");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"old.txt"})), 0);
    const std::string before = ReadFile(t / "a.zip");
    WriteFile(t / "src/big1.bin", RandomBytes(3 << 20, 9));
    WriteFile(t / "src/big2.bin", RandomBytes(3 << 20, 10));

    RecordingWindow wnd;
    const AttachedWindow attached(wnd);
    wnd.cancelAt = 4; // during the first big file
    EXPECT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"big1.bin", "big2.bin"})),
              ARC_ERROR_USER_CANCEL);
    EXPECT_EQ(ReadFile(t / "a.zip"), before);
    EXPECT_EQ(DirEntries(t.path()), Sorted({"a.zip", "src"})); // no work file left

    // A cancel while deleting keeps every member.
    wnd.messages.clear();
    wnd.cancelAt = 2; // the message for the first member deleted
    EXPECT_EQ(Zip("-d " + Quoted(t / "a.zip") + " \"old.txt\""), ARC_ERROR_USER_CANCEL);
    EXPECT_EQ(ReadFile(t / "a.zip"), before);

    // A cancel while extracting leaves no partial file.
    wnd.cancelAt = 0;
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"big1.bin"})), 0);
    wnd.messages.clear();
    wnd.cancelAt = 3;
    EXPECT_EQ(UnZip(Extract(t / "a.zip", t / "out", {"big1.bin"})), ARC_ERROR_USER_CANCEL);
    EXPECT_TRUE(DirEntries(t / "out").empty());
}

TEST(ZipCommands, FullDiskLeavesTheOldArchive) {
    TempDir t;
    WriteFile(t / "src/old.txt", "old");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"old.txt"})), 0);
    const std::string before = ReadFile(t / "a.zip");
    WriteFile(t / "src/big.bin", RandomBytes(2 << 20, 11));

    // A file size limit makes writes fail as a full disk does.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    setrlimit(RLIMIT_FSIZE, &small);
    const int32_t packed = Zip(PackCommand(t / "a.zip", t / "src", {"big.bin"}));
    const int32_t extracted = UnZip(Extract(t / "a.zip", t / "out"));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(packed, ARC_ERROR_DISK_SPACE);
    EXPECT_EQ(ReadFile(t / "a.zip"), before);
    EXPECT_EQ(DirEntries(t.path()), Sorted({"a.zip", "out", "src"}));
    EXPECT_EQ(extracted, ARC_OK); // the old archive's small member still fits
}

TEST(ZipCommands, FailuresGiveTheirCodesAndChangeNothing) {
    TempDir t;
    WriteFile(t / "src/a.txt", "a");
    WriteFile(t / "notzip.zip", "this is not an archive at all, just text");
    EXPECT_EQ(UnZip(Extract(t / "missing.zip", t / "out")), ARC_ERROR_NOT_FIND_ARC_FILE);
    EXPECT_EQ(UnZip(Extract(t / "notzip.zip", t / "out")), ARC_ERROR_NOT_ARC_FILE);
    EXPECT_EQ(Zip(PackCommand(t / "notzip.zip", t / "src", {"a.txt"})), ARC_ERROR_NOT_ARC_FILE);
    EXPECT_EQ(ReadFile(t / "notzip.zip"), "this is not an archive at all, just text");
    // Below a regular file nothing can be created, not even by root.
    EXPECT_EQ(Zip(PackCommand(t / "src/a.txt/x.zip", t / "src", {"a.txt"})),
              ARC_ERROR_CANNOT_WRITE);
    EXPECT_EQ(Zip(" -Z " + Quoted(t / "b.zip")), ARC_ERROR_COMMAND_NAME);
    EXPECT_EQ(Zip(" -S -D -q"), ARC_ERROR_NOT_FILENAME);
    EXPECT_EQ(Zip(" -A " + Quoted(t / "b.zip")), ARC_ERROR_NOT_SUPPORT);

    // A missing file is reported after the others were packed.
    std::string out;
    EXPECT_EQ(Zip(PackCommand(t / "b.zip", t / "src", {"a.txt", "gone.txt"}), &out),
              ARC_ERROR_NOT_EXIST);
    EXPECT_NE(out.find("gone.txt"), std::string::npos) << out;
    EXPECT_EQ(ListNames(t / "b.zip"), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(UnZip(Extract(t / "b.zip", t / "out", {"gone.txt"})), ARC_ERROR_NOT_EXIST);
}

TEST(ZipCommands, AnArchiveBehindASymbolicLinkIsUpdatedWhereItIs) {
    TempDir t;
    WriteFile(t / "src/a.txt", "a");
    WriteFile(t / "src/b.txt", "b");
    Shell("mkdir " + Sh(t / "real"));
    ASSERT_EQ(Zip(PackCommand(t / "real/a.zip", t / "src", {"a.txt"})), 0);
    ASSERT_EQ(symlink((t / "real/a.zip").c_str(), (t / "link.zip").c_str()), 0);
    ASSERT_EQ(Zip(PackCommand(t / "link.zip", t / "src", {"b.txt"})), 0);
    struct stat st {};
    ASSERT_EQ(lstat((t / "link.zip").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Sorted(ListNames(t / "real/a.zip")), Sorted({"a.txt", "b.txt"}));
    EXPECT_EQ(DirEntries(t / "real"), std::vector<std::string>{"a.zip"});
}

TEST(ZipCommands, ExtractOverwritesOnlyWithO) {
    TempDir t;
    WriteFile(t / "src/a.txt", "archived");
    SetMtime(t / "src/a.txt", 1500000000);
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt"})), 0);
    WriteFile(t / "out/a.txt", "newer local file");
    SetMtime(t / "out/a.txt", 1900000000);
    ASSERT_EQ(UnZip("-x " + Quoted(t / "a.zip") + " " + Quoted(t / "out" + "/")), 0);
    EXPECT_EQ(ReadFile(t / "out/a.txt"), "newer local file");
    ASSERT_EQ(UnZip(Extract(t / "a.zip", t / "out")), 0);
    EXPECT_EQ(ReadFile(t / "out/a.txt"), "archived");
}

TEST(ZipCommands, ExtractionStaysInsideTheDestination) {
    TempDir t;
    HostileArchive(t / "evil.zip", {{"../escape.txt", "x"},
                                    {"/abs.txt", "abs"},
                                    {"sub/../../up.txt", "x"},
                                    {"link/inside.txt", "through the link"},
                                    {"file.txt", "plain"},
                                    {"dir/", ""}});
    Shell("mkdir -p " + Sh(t / "outside") + " " + Sh(t / "dest"));
    // A link in the destination pointing outside, and a link standing where a file goes.
    ASSERT_EQ(symlink((t / "outside").c_str(), (t / "dest/link").c_str()), 0);
    WriteFile(t / "outside/target.txt", "must stay");
    ASSERT_EQ(symlink((t / "outside/target.txt").c_str(), (t / "dest/file.txt").c_str()), 0);

    std::string out;
    EXPECT_NE(UnZip(Extract(t / "evil.zip", t / "dest"), &out), 0) << out;
    EXPECT_FALSE(Exists(t / "escape.txt"));
    EXPECT_FALSE(Exists(t / "up.txt"));
    EXPECT_FALSE(Exists(t / "outside/inside.txt"));
    EXPECT_EQ(ReadFile(t / "outside/target.txt"), "must stay");
    // The link standing in the way was replaced by the file; "/abs.txt" lands inside.
    struct stat st {};
    ASSERT_EQ(lstat((t / "dest/file.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(t / "dest/file.txt"), "plain");
    EXPECT_EQ(ReadFile(t / "dest/abs.txt"), "abs");
    EXPECT_TRUE(Exists(t / "dest/dir"));
}

TEST(ZipCommands, ADirectoryThatCannotBeMadeIsAWriteFailure) {
    // The program takes 0x8012 ("directory not made") for success, so it must never come back.
    TempDir t;
    WriteFile(t / "src/sub/a.txt", "a");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"sub/a.txt"})), 0);
    WriteFile(t / "out/sub", "a regular file where the directory goes");
    EXPECT_EQ(UnZip(Extract(t / "a.zip", t / "out")), ARC_ERROR_CANNOT_WRITE);
    EXPECT_EQ(ReadFile(t / "out/sub"), "a regular file where the directory goes");
    // A destination below a regular file cannot be made either.
    EXPECT_EQ(UnZip(Extract(t / "a.zip", t / "out/sub/deeper")), ARC_ERROR_CANNOT_WRITE);
}

TEST(ZipCommands, DamagedDataIsNotLeftBehind) {
    TempDir t;
    const std::string data = TextBytes(100000);
    WriteFile(t / "src/a.txt", data);
    WriteFile(t / "src/b.txt", "intact");
    ASSERT_EQ(Zip(PackCommand(t / "a.zip", t / "src", {"a.txt", "b.txt"}, " -0")), 0);
    // Change one byte inside the stored data of a.txt: the CRC no longer matches.
    std::string arc = ReadFile(t / "a.zip");
    const std::size_t at = arc.find("line 500:");
    ASSERT_NE(at, std::string::npos);
    arc[at] = 'L';
    WriteFile(t / "a.zip", arc);
    EXPECT_EQ(UnZip(Extract(t / "a.zip", t / "out")), ARC_ERROR_FILE_CRC);
    EXPECT_FALSE(Exists(t / "out/a.txt"));
    EXPECT_EQ(ReadFile(t / "out/b.txt"), "intact");
    EXPECT_EQ(DirEntries(t / "out"), std::vector<std::string>{"b.txt"});
    EXPECT_EQ(UnZip("-t " + Quoted(t / "a.zip")), ARC_ERROR_FILE_CRC);
    EXPECT_EQ(Libraries::Get().CheckArchive((t / "a.zip").c_str(), ARC_CHECK_FULLCRC), 0);
    EXPECT_NE(Libraries::Get().CheckArchive((t / "a.zip").c_str(), 24), 0);
}
