// The commands of the main entry as the program uses them: packing and updating with and
// without -c1, freshening, deleting, storing, batches, response files, wildcards, cancelling
// and a full disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

constexpr int64_t kT = 1700000000;

// Member path and method of every member, from the l command.
std::vector<std::pair<std::string, std::string>> Members(const std::string& archive) {
    std::string out;
    EXPECT_EQ(Lha("l " + Q(archive), &out), 0) << out;
    std::vector<std::pair<std::string, std::string>> members;
    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t end = out.find('\n', pos);
        const std::string line = out.substr(pos, end - pos);
        pos = end == std::string::npos ? out.size() : end + 1;
        const std::size_t m = line.find(" -lh");
        if (m == std::string::npos || line.size() < m + 13)
            continue;
        members.emplace_back(line.substr(m + 12), line.substr(m + 1, 5));
    }
    return members;
}

std::vector<std::string> MemberNames(const std::string& archive) {
    std::vector<std::string> names;
    for (const auto& [name, method] : Members(archive))
        names.push_back(name);
    return names;
}

// Content of one member, extracted into a fresh directory.
std::string Content(const std::string& archive, const std::string& member) {
    TempDir out;
    std::string text;
    const int32_t r =
        Lha("e -c1 -- " + Q(archive) + " " + Q(out.Path() + "/") + " " + Q(member), &text);
    if (r != 0)
        return "<error " + std::to_string(r) + ": " + text + ">";
    const std::size_t slash = member.rfind('/');
    return ReadFile(out / (slash == std::string::npos ? member : member.substr(slash + 1)));
}

} // namespace

TEST(Commands, PackExtractTestAndListKeepDataNamesTimesAndPermissions) {
    TempDir dir;
    ::mkdir((dir / "src").c_str(), 0755);
    ::mkdir((dir / "src/sub").c_str(), 0755);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty", ""},
        {"one", "1"},
        {"text.txt", TextData(200000)},
        {"random.bin", RandomData(100000)},
        {"sub/mixed.dat", MixedData(600000)},
        {"名前 with \"quotes\"[and] blanks.txt", TextData(3000, 7)},
    };
    for (const auto& [name, data] : files) {
        WriteFile(dir / ("src/" + name), data);
        SetTime(dir / ("src/" + name), kT);
    }
    ::chmod((dir / "src/text.txt").c_str(), 0600);
    ::chmod((dir / "src/one").c_str(), 0755);
    std::string names;
    for (const auto& [name, data] : files)
        names += " " + Q(name);
    std::string out;
    ASSERT_EQ(Lha("u -+ -a1 -c1 -m1 -n1 -y1 \"-w/tmp/\" -jso1 -- " + Q(dir / "a.lzh") + " " +
                      Q(dir / "src/") + names,
                  &out),
              0)
        << out;
    const auto members = Members(dir / "a.lzh");
    ASSERT_EQ(members.size(), files.size());
    std::map<std::string, std::string> methods(members.begin(), members.end());
    EXPECT_EQ(methods["empty"], "-lh0-");
    EXPECT_EQ(methods["text.txt"], "-lh7-");
    EXPECT_EQ(methods["random.bin"], "-lh0-"); // compression would make it larger
    EXPECT_EQ(methods["sub/mixed.dat"], "-lh7-");

    EXPECT_EQ(Lha("t " + Q(dir / "a.lzh"), &out), 0) << out;
    ASSERT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/"), &out), 0) << out;
    for (const auto& [name, data] : files) {
        EXPECT_EQ(ReadFile(dir / ("out/" + name)), data) << name;
        EXPECT_EQ(FileTime(dir / ("out/" + name)), kT) << name;
    }
    struct stat st {};
    ::stat((dir / "out/text.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ::stat((dir / "out/one").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    // e drops the directory part.
    ASSERT_EQ(Lha("e -- " + Q(dir / "a.lzh") + " " + Q(dir / "flat/") + " sub/mixed.dat", &out), 0);
    EXPECT_EQ(ListDir(dir / "flat"), std::vector<std::string>{"mixed.dat"});
}

TEST(Commands, UpdateReplacesOnlyNewerFilesUnlessC1ReplacesWhateverTheTimes) {
    TempDir dir;
    WriteFile(dir / "older.txt", "first older");
    WriteFile(dir / "newer.txt", "first newer");
    SetTime(dir / "older.txt", kT);
    SetTime(dir / "newer.txt", kT);
    const std::string archive = Q(dir / "a.lzh");
    const std::string base = Q(dir.Path() + "/");
    ASSERT_EQ(Lha("u -- " + archive + " " + base + " older.txt newer.txt"), 0);

    // One file is now older than its member, the other newer.
    WriteFile(dir / "older.txt", "second older");
    WriteFile(dir / "newer.txt", "second newer");
    SetTime(dir / "older.txt", kT - 100);
    SetTime(dir / "newer.txt", kT + 100);
    ASSERT_EQ(Lha("u -c0 -- " + archive + " " + base + " older.txt newer.txt"), 0);
    EXPECT_EQ(Content(dir / "a.lzh", "older.txt"), "first older");
    EXPECT_EQ(Content(dir / "a.lzh", "newer.txt"), "second newer");

    ASSERT_EQ(Lha("u -c1 -- " + archive + " " + base + " older.txt newer.txt"), 0);
    EXPECT_EQ(Content(dir / "a.lzh", "older.txt"), "second older");
    EXPECT_EQ(Content(dir / "a.lzh", "newer.txt"), "second newer");
    EXPECT_EQ(MemberNames(dir / "a.lzh"), (std::vector<std::string>{"older.txt", "newer.txt"}));

    // Nothing newer: the archive file is not even rewritten.
    struct stat before {};
    ::stat((dir / "a.lzh").c_str(), &before);
    ASSERT_EQ(Lha("u -- " + archive + " " + base + " older.txt newer.txt"), 0);
    struct stat after {};
    ::stat((dir / "a.lzh").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(Commands, FreshenDeleteAndStore) {
    TempDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.log"}) {
        WriteFile(dir / name, TextData(5000, name[0]));
        SetTime(dir / name, kT);
    }
    const std::string archive = Q(dir / "a.lzh");
    const std::string base = Q(dir.Path() + "/");
    ASSERT_EQ(Lha("a -jm0 -- " + archive + " " + base + " a.txt"), 0);
    ASSERT_EQ(Lha("a -jm5 -- " + archive + " " + base + " b.txt"), 0);
    auto members = Members(dir / "a.lzh");
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].second, "-lh0-");
    EXPECT_EQ(members[1].second, "-lh5-");

    // Freshen replaces members by newer files and adds nothing.
    WriteFile(dir / "a.txt", "fresh");
    SetTime(dir / "a.txt", kT + 10);
    SetTime(dir / "c.log", kT + 10);
    ASSERT_EQ(Lha("f -- " + archive + " " + base + " a.txt c.log"), 0);
    EXPECT_EQ(MemberNames(dir / "a.lzh"), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Content(dir / "a.lzh", "a.txt"), "fresh");

    // Delete by exact name and wildcard; a name that is no member changes nothing.
    ASSERT_EQ(Lha("a -- " + archive + " " + base + " c.log"), 0);
    ASSERT_EQ(Lha("d -- " + archive + " " + base + " b.txt"), 0);
    EXPECT_EQ(MemberNames(dir / "a.lzh"), (std::vector<std::string>{"a.txt", "c.log"}));
    const std::string bytes = ReadFile(dir / "a.lzh");
    ASSERT_EQ(Lha("d -- " + archive + " nothing.txt"), 0);
    EXPECT_EQ(ReadFile(dir / "a.lzh"), bytes);
    ASSERT_EQ(Lha("d -- " + archive + " \"*.log\""), 0);
    EXPECT_EQ(MemberNames(dir / "a.lzh"), std::vector<std::string>{"a.txt"});
    ASSERT_EQ(Lha("d -- " + archive + " a.txt"), 0);
    EXPECT_TRUE(MemberNames(dir / "a.lzh").empty());
    EXPECT_EQ(ReadFile(dir / "a.lzh"), std::string(1, '\0'));
}

TEST(Commands, BatchesOf500NamesAndResponseFiles) {
    TempDir dir;
    ::mkdir((dir / "src").c_str(), 0755);
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        names.push_back("file " + std::to_string(i) + ".txt");
        WriteFile(dir / ("src/" + names.back()), "content " + std::to_string(i * 7919));
    }
    const std::string archive = Q(dir / "a.lzh");
    // Two batches of 500 names on the command line, as the engine cuts a long list.
    for (int batch = 0; batch < 2; ++batch) {
        std::string line = "u -c1 -- " + archive + " " + Q(dir / "src/");
        for (int i = batch * 500; i < batch * 500 + 500; ++i)
            line += " " + Q(names[static_cast<std::size_t>(i)]);
        ASSERT_EQ(Lha(line), 0);
    }
    EXPECT_EQ(MemberNames(dir / "a.lzh").size(), 1000u);

    // Extraction of 500 of them through a response file.
    std::string response;
    for (int i = 0; i < 1000; i += 2)
        response += Q(names[static_cast<std::size_t>(i)]) + "\r\n";
    WriteFile(dir / "names.rsp", response);
    std::string out;
    ASSERT_EQ(
        Lha("x -c1 -- " + archive + " " + Q(dir / "out/") + " " + Q("@" + (dir / "names.rsp")),
            &out),
        0)
        << out;
    const auto extracted = ListDir(dir / "out");
    ASSERT_EQ(extracted.size(), 500u);
    for (int i = 0; i < 1000; i += 2)
        EXPECT_EQ(ReadFile(dir / ("out/" + names[static_cast<std::size_t>(i)])),
                  "content " + std::to_string(i * 7919));
}

TEST(Commands, WildcardsSelectFilesAndMembersButExactNamesWin) {
    TempDir dir;
    ::mkdir((dir / "src").c_str(), 0755);
    ::mkdir((dir / "src/sub").c_str(), 0755);
    for (const char* name : {"a.txt", "b.txt", "c.dat", "a*.txt", ".hidden.txt", "sub/d.txt"})
        WriteFile(dir / (std::string("src/") + name), name);
    const std::string archive = Q(dir / "a.lzh");
    const std::string base = Q(dir / "src/");

    // A name that names a file exactly is that file, even with '*' in it.
    ASSERT_EQ(Lha("u -- " + archive + " " + base + " \"a*.txt\""), 0);
    EXPECT_EQ(MemberNames(dir / "a.lzh"), std::vector<std::string>{"a*.txt"});

    // A wildcard: hidden files only with -a1, subdirectories only with -r1.
    ASSERT_EQ(Lha("u -- " + archive + " " + base + " \"?.txt\""), 0);
    EXPECT_EQ(MemberNames(dir / "a.lzh"), (std::vector<std::string>{"a*.txt", "a.txt", "b.txt"}));
    ASSERT_EQ(Lha("u -a1 -r1 -jxb.txt -- " + archive + " " + base + " \"*.txt\""), 0);
    EXPECT_EQ(MemberNames(dir / "a.lzh"),
              (std::vector<std::string>{"a*.txt", "a.txt", "b.txt", ".hidden.txt", "sub/d.txt"}));

    // Extraction: the exact member, then a wildcard.
    std::string out;
    ASSERT_EQ(Lha("x -- " + archive + " " + Q(dir / "o1/") + " \"a*.txt\"", &out), 0) << out;
    EXPECT_EQ(ListDir(dir / "o1"), std::vector<std::string>{"a*.txt"});
    ASSERT_EQ(Lha("x -- " + archive + " " + Q(dir / "o2/") + " \"sub/*\""), 0);
    EXPECT_EQ(ListDir(dir / "o2"), std::vector<std::string>{"sub"});
    EXPECT_EQ(ReadFile(dir / "o2/sub/d.txt"), "sub/d.txt");

    // The archive inside the directory it packs, and its work file, are never packed.
    ASSERT_EQ(Lha("u -a1 -- " + Q(dir / "src/self.lzh") + " " + base + " \"*\""), 0);
    for (const std::string& name : MemberNames(dir / "src/self.lzh"))
        EXPECT_TRUE(name != "self.lzh" && name.find(".unlha-") == std::string::npos) << name;
    EXPECT_EQ(MemberNames(dir / "src/self.lzh").size(), 5u);
    ::unlink((dir / "src/self.lzh").c_str());

    // A name that selects nothing is reported; the rest is still done.
    EXPECT_EQ(Lha("u -- " + archive + " " + base + " c.dat missing.txt", &out),
              ARC_ERROR_NOT_EXIST);
    EXPECT_NE(out.find("missing.txt"), std::string::npos);
    EXPECT_EQ(MemberNames(dir / "a.lzh").size(), 6u);
    EXPECT_EQ(Lha("x -- " + archive + " " + Q(dir / "o3/") + " nomember.txt"), ARC_ERROR_NOT_EXIST);
}

TEST(Commands, ExtractionOverwritesOnlyOlderFilesUnlessC1) {
    TempDir dir;
    WriteFile(dir / "f.txt", "archived");
    SetTime(dir / "f.txt", kT);
    ASSERT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " f.txt"), 0);
    ::mkdir((dir / "out").c_str(), 0755);
    WriteFile(dir / "out/f.txt", "local newer");
    SetTime(dir / "out/f.txt", kT + 60);
    ASSERT_EQ(Lha("x -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/")), 0);
    EXPECT_EQ(ReadFile(dir / "out/f.txt"), "local newer");
    ASSERT_EQ(Lha("x -c1 -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/")), 0);
    EXPECT_EQ(ReadFile(dir / "out/f.txt"), "archived");
    SetTime(dir / "out/f.txt", kT - 60);
    WriteFile(dir / "out/f.txt", "local older");
    SetTime(dir / "out/f.txt", kT - 60);
    ASSERT_EQ(Lha("x -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/")), 0);
    EXPECT_EQ(ReadFile(dir / "out/f.txt"), "archived");
}

TEST(Commands, WriteProtectedArchiveIsLeftAlone) {
    TempDir dir;
    WriteFile(dir / "f.txt", "x");
    ASSERT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " f.txt"), 0);
    ::chmod((dir / "a.lzh").c_str(), 0444);
    const std::string bytes = ReadFile(dir / "a.lzh");
    WriteFile(dir / "g.txt", "y");
    EXPECT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " g.txt"),
              ARC_ERROR_ARC_READ_ONLY);
    EXPECT_EQ(Lha("d -- " + Q(dir / "a.lzh") + " f.txt"), ARC_ERROR_ARC_READ_ONLY);
    EXPECT_EQ(ReadFile(dir / "a.lzh"), bytes);
    // An archive path below a regular file cannot be made, for root too.
    EXPECT_NE(Lha("u -- " + Q(dir / "f.txt/a.lzh") + " " + Q(dir.Path() + "/") + " g.txt"), 0);
    EXPECT_EQ(ReadFile(dir / "f.txt"), "x");
}

TEST(Commands, CancelThroughTheProgressReplyKeepsTheOldArchive) {
    TempDir dir;
    for (int i = 0; i < 4; ++i)
        WriteFile(dir / ("f" + std::to_string(i)), TextData(300000, static_cast<uint32_t>(i)));
    const std::string archive = Q(dir / "a.lzh");
    const std::string base = Q(dir.Path() + "/");
    ASSERT_EQ(Lha("u -- " + archive + " " + base + " f0 f1"), 0);
    const std::string bytes = ReadFile(dir / "a.lzh");
    const auto entries = ListDir(dir.Path());
    {
        RecordingWindow window;
        window.Attach();
        window.cancelState = ARC_STATE_INPROCESS;
        window.cancelAt = 1;
        EXPECT_EQ(Lha("u -c1 -- " + archive + " " + base + " f0 f1 f2 f3"), ARC_ERROR_USER_CANCEL);
    }
    EXPECT_EQ(ReadFile(dir / "a.lzh"), bytes);
    EXPECT_EQ(ListDir(dir.Path()), entries); // no work file left behind
    {
        // Cancelling the first new archive leaves no archive at all.
        RecordingWindow window;
        window.Attach();
        window.cancelAt = 0;
        EXPECT_EQ(Lha("u -- " + Q(dir / "b.lzh") + " " + base + " f0"), ARC_ERROR_USER_CANCEL);
    }
    EXPECT_FALSE(Exists(dir / "b.lzh"));
    EXPECT_EQ(ListDir(dir.Path()), entries);
    // Cancelling an extraction removes the file being written.
    {
        RecordingWindow window;
        window.Attach();
        window.cancelState = ARC_STATE_INPROCESS;
        window.cancelAt = 0;
        EXPECT_EQ(Lha("x -- " + archive + " " + Q(dir / "out/")), ARC_ERROR_USER_CANCEL);
    }
    EXPECT_TRUE(ListDir(dir / "out").empty());
}

TEST(Commands, ProgressGivesABeginAndTheBytesWrittenPerFile) {
    TempDir dir;
    WriteFile(dir / "big", TextData(3000000));
    WriteFile(dir / "small", "s");
    RecordingWindow window;
    window.Attach();
    ASSERT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " big small"), 0);
    std::vector<uint32_t> states;
    for (const auto& m : window.messages)
        if (states.empty() || states.back() != m.state)
            states.push_back(m.state);
    EXPECT_EQ(states, (std::vector<uint32_t>{ARC_STATE_OPEN, ARC_STATE_BEGIN, ARC_STATE_INPROCESS,
                                             ARC_STATE_BEGIN, ARC_STATE_INPROCESS, ARC_STATE_COPY,
                                             ARC_STATE_END}));
    int inprocessBig = 0;
    for (const auto& m : window.messages)
        if (m.state == ARC_STATE_INPROCESS && m.dest == "big")
            ++inprocessBig;
    EXPECT_GE(inprocessBig, 2); // several while the file is written
    const auto last = std::find_if(window.messages.rbegin(), window.messages.rend(),
                                   [](const auto& m) { return m.state == ARC_STATE_INPROCESS; });
    EXPECT_EQ(last->dest, "small");
    EXPECT_EQ(last->written, 1u);
    EXPECT_EQ(last->total, 1u);

    window.messages.clear();
    ASSERT_EQ(Lha("x -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/")), 0);
    std::vector<std::string> begun;
    for (const auto& m : window.messages)
        if (m.state == ARC_STATE_BEGIN)
            begun.push_back(m.source + " -> " + m.dest);
    EXPECT_EQ(begun, (std::vector<std::string>{"big -> " + (dir / "out/big"),
                                               "small -> " + (dir / "out/small")}));
}

TEST(Commands, MemberCallbackAnswering0StopsTheCommand) {
    TempDir dir;
    WriteFile(dir / "f", "x");
    ASSERT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " f"), 0);
    static int calls;
    calls = 0;
    UnlhaSetEnumMembersProc64(
        [](void* record) {
            ++calls;
            return std::string(static_cast<ArcMemberRecord*>(record)->fileName) == "f" ? 0 : -1;
        },
        ARC_ENUM_MEMBER_INFO_SIZE);
    EXPECT_EQ(Lha("x -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/")), ARC_ERROR_USER_CANCEL);
    UnlhaClearEnumMembersProc64();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(Exists(dir / "out/f"));
}

namespace {

// Result of a command run in a fresh process under a limit (RunLimited.cpp).
int32_t RunLimited(const std::string& kind, uint64_t bytes, const std::string& command) {
    std::string out;
    Shell("/",
          ShellQuote(UNLHA32_RUN_LIMITED) + " " + kind + " " + std::to_string(bytes) + " " +
              ShellQuote(command),
          &out);
    return static_cast<int32_t>(std::strtol(out.c_str(), nullptr, 10));
}

} // namespace

TEST(Commands, FullDiskKeepsTheOldArchive) {
    TempDir dir;
    WriteFile(dir / "small", "small file");
    WriteFile(dir / "big", RandomData(3 << 20));
    ASSERT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " small"), 0);
    const std::string bytes = ReadFile(dir / "a.lzh");
    const auto entries = ListDir(dir.Path());
    // Files may not grow past 1 MiB: writes fail as on a full disk.
    EXPECT_EQ(RunLimited("fsize", 1 << 20,
                         "u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " big"),
              ARC_ERROR_DISK_SPACE);
    EXPECT_EQ(ReadFile(dir / "a.lzh"), bytes);
    EXPECT_EQ(ListDir(dir.Path()), entries);
    // Extraction too: the file being written goes, the error says why.
    ASSERT_EQ(Lha("u -jm0 -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " big"), 0);
    EXPECT_EQ(RunLimited("fsize", 1 << 20, "x -- " + Q(dir / "a.lzh") + " " + Q(dir / "out/")),
              ARC_ERROR_DISK_SPACE);
    EXPECT_EQ(ListDir(dir / "out"), std::vector<std::string>{"small"});
}

TEST(Commands, OutOfMemoryIsReportedAndKeepsTheOldArchive) {
    TempDir dir;
    WriteFile(dir / "small", "small file");
    WriteFile(dir / "text", TextData(100000));
    ASSERT_EQ(Lha("u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " small"), 0);
    const std::string bytes = ReadFile(dir / "a.lzh");
    // Too little address space for the work file's buffer and the encoder's tables.
    EXPECT_EQ(RunLimited("memory", 256 << 10,
                         "u -- " + Q(dir / "a.lzh") + " " + Q(dir.Path() + "/") + " text"),
              ARC_ERROR_ENOUGH_MEMORY);
    EXPECT_EQ(ReadFile(dir / "a.lzh"), bytes);
}
