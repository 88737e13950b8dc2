// Packing files that cannot be read or are gone: the others are packed and the archive written,
// each such file is named in the output, the result is an error code, and an archive that gets
// nothing new stays as it was. Unreadable files are tested as an unprivileged user (root reads
// every file), through a fresh process under setpriv.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "ArchiverContract.h"
#include "TestSupport.h"
#include "archivers/unlha32/Unlha32.h"

using namespace unlha_test;

namespace {

constexpr uid_t kNobody = 65534;

struct Result {
    int32_t code = -1;
    std::string output;
};

// Runs the command as the user 65534 in a fresh process (RunLimited.cpp, no limit).
Result RunAsNobody(const TempDir& dir, const std::string& command) {
    std::string text;
    Shell("/",
          "setpriv --reuid=65534 --regid=65534 --clear-groups " + ShellQuote(dir / "run") +
              " none 0 " + ShellQuote(command),
          &text);
    Result r;
    const std::size_t line = text.find('\n');
    r.code = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
    r.output = line == std::string::npos ? std::string() : text.substr(line + 1);
    return r;
}

void Own(const std::string& path) {
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0) << path;
}

std::vector<std::string> MemberNames(const std::string& archive) {
    std::vector<std::string> names;
    ArcHandle h = UnlhaOpenArchive(nullptr, archive.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return names;
    ArcMemberRecord r{};
    for (int32_t found = UnlhaFindFirst(h, "*.*", &r); found == 0; found = UnlhaFindNext(h, &r))
        names.emplace_back(r.fileName);
    UnlhaCloseArchive(h);
    return names;
}

std::string Content(const std::string& archive, const std::string& member) {
    TempDir out;
    if (Lha("x -c1 -- " + Q(archive) + " " + Q(out.Path() + "/") + " " + Q(member)) != 0)
        return "<not extracted>";
    return ReadFile(out / member);
}

const std::string kPack = "u -+ -a1 -c1 -m1 -n1 -y1 -jso1 -jss1 -jst1 -- ";

// A window whose progress handler removes a file when a member starts.
struct VanishingWindow {
    ArcWindow window{};
    std::string when;   // the file whose start removes...
    std::string remove; // ...this one
    static intptr_t Send(ArcWindow* wnd, uint32_t message, uintptr_t state, intptr_t lParam) {
        auto* self = static_cast<VanishingWindow*>(wnd->context);
        const auto* info = reinterpret_cast<const ArcProgressInfo*>(lParam);
        if (message == 0xC321 && state == ARC_STATE_BEGIN &&
            std::string(info->sourceName) == self->when)
            ::unlink(self->remove.c_str());
        return 0;
    }
    static uint32_t Register(const char*) { return 0xC321; }
    VanishingWindow() {
        window.structSize = sizeof window;
        window.send = Send;
        window.registerMessage = Register;
        window.context = this;
        UnlhaSetOwnerWindowEx(&window, nullptr);
    }
    ~VanishingWindow() { UnlhaKillOwnerWindowEx(&window); }
};

} // namespace

TEST(UnreadableFiles, AFileThatCannotBeOpenedIsNamedAndTheOthersArePacked) {
    if (::geteuid() != 0 || !HaveTool("setpriv"))
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    TempDir dir;
    Own(dir.Path());
    // The program under test, where the other user may run it.
    WriteFile(dir / "run", ReadFile(UNLHA32_RUN_LIMITED));
    ::chmod((dir / "run").c_str(), 0755);
    ::mkdir((dir / "src").c_str(), 0755);
    Own(dir / "src");
    for (const char* name : {"a.txt", "secret.txt", "b.txt"}) {
        WriteFile(dir / ("src/" + std::string(name)), std::string("old ") + name);
        Own(dir / ("src/" + std::string(name)));
    }
    const std::string archive = dir / "a.lzh";
    ASSERT_EQ(Lha("u -- " + Q(archive) + " " + Q(dir / "src/") + " a.txt secret.txt b.txt"), 0);
    Own(archive);
    for (const char* name : {"a.txt", "secret.txt", "b.txt"})
        WriteFile(dir / ("src/" + std::string(name)), std::string("new ") + name);
    ::chmod((dir / "src/secret.txt").c_str(), 0);

    // An update: the readable files are replaced, the unreadable one keeps its old member.
    Result r =
        RunAsNobody(dir, kPack + Q(archive) + " " + Q(dir / "src/") + " a.txt secret.txt b.txt");
    EXPECT_EQ(r.code, ARC_ERROR_FILE_OPEN) << r.output;
    EXPECT_NE(r.output.find("secret.txt"), std::string::npos) << r.output;
    EXPECT_EQ(MemberNames(archive), (std::vector<std::string>{"a.txt", "secret.txt", "b.txt"}));
    EXPECT_EQ(Content(archive, "a.txt"), "new a.txt");
    EXPECT_EQ(Content(archive, "b.txt"), "new b.txt");
    EXPECT_EQ(Content(archive, "secret.txt"), "old secret.txt");
    EXPECT_EQ(Lha("t " + Q(archive)), 0);

    // A new archive gets the readable files.
    r = RunAsNobody(dir,
                    kPack + Q(dir / "new.lzh") + " " + Q(dir / "src/") + " a.txt secret.txt b.txt");
    EXPECT_EQ(r.code, ARC_ERROR_FILE_OPEN) << r.output;
    EXPECT_EQ(MemberNames(dir / "new.lzh"), (std::vector<std::string>{"a.txt", "b.txt"}));

    // Nothing readable: the archive is left exactly as it was, and no work file stays.
    const std::string bytes = ReadFile(archive);
    const auto entries = ListDir(dir.Path());
    r = RunAsNobody(dir, kPack + Q(archive) + " " + Q(dir / "src/") + " secret.txt");
    EXPECT_EQ(r.code, ARC_ERROR_FILE_OPEN) << r.output;
    EXPECT_NE(r.output.find("secret.txt"), std::string::npos) << r.output;
    EXPECT_TRUE(ReadFile(archive) == bytes);
    EXPECT_EQ(ListDir(dir.Path()), entries);

    // A directory that cannot be read while packing a tree is named too.
    ::mkdir((dir / "src/locked").c_str(), 0755);
    WriteFile(dir / "src/locked/inside.txt", "inside");
    Own(dir / "src/locked");
    ::chmod((dir / "src/locked").c_str(), 0);
    r = RunAsNobody(dir, "u -r1 -c1 -- " + Q(dir / "tree.lzh") + " " + Q(dir / "src/") + " \"*\"");
    EXPECT_EQ(r.code, ARC_ERROR_FILE_OPEN) << r.output;
    EXPECT_NE(r.output.find("locked"), std::string::npos) << r.output;
    EXPECT_EQ(MemberNames(dir / "tree.lzh"), (std::vector<std::string>{"a.txt", "b.txt"}));
    ::chmod((dir / "src/locked").c_str(), 0755);
}

TEST(UnreadableFiles, AFileThatIsGoneIsNamedAndTheOthersArePacked) {
    TempDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(dir / name, name);
    std::string out;
    // Gone before the command: named in a response file, as the program passes long lists.
    WriteFile(dir / "names.rsp", "\"a.txt\"\r\n\"gone.txt\"\r\n\"b.txt\"\r\n");
    EXPECT_EQ(Lha(kPack + Q(dir / "one.lzh") + " " + Q(dir.Path() + "/") + " " +
                      Q("@" + (dir / "names.rsp")),
                  &out),
              ARC_ERROR_NOT_EXIST);
    EXPECT_NE(out.find("gone.txt"), std::string::npos) << out;
    EXPECT_EQ(MemberNames(dir / "one.lzh"), (std::vector<std::string>{"a.txt", "b.txt"}));

    // Gone after the files were selected, while an earlier one is packed (on one thread: a
    // worker may have read the file before it goes).
    {
        VanishingWindow window;
        window.when = dir / "a.txt";
        window.remove = dir / "b.txt";
        EXPECT_EQ(Lha("u -+ -a1 -c1 -m1 -n1 -y1 -jso1 -jss1 -jst1 -jt1 -- " + Q(dir / "two.lzh") +
                          " " + Q(dir.Path() + "/") + " a.txt b.txt c.txt",
                      &out),
                  ARC_ERROR_NOT_EXIST);
    }
    EXPECT_NE(out.find("b.txt"), std::string::npos) << out;
    EXPECT_EQ(MemberNames(dir / "two.lzh"), (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(Lha("t " + Q(dir / "two.lzh")), 0);
}
