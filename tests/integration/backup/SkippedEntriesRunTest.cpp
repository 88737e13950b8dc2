// Source entries that a backup leaves out for their kind are named in the run log, once each.
#include "tests/integration/backup/RunFixture.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using testing_support::Capture;
using testing_support::ReadAll;
using testing_support::RunFixture;
using testing_support::ShellQuote;

namespace {

namespace fs = std::filesystem;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class SkippedEntriesRunTest : public RunFixture {};

TEST_F(SkippedEntriesRunTest, FifoSocketAndLinksAreNamedOnceAndTheRunSucceeds) {
    Write("src/a.txt", "a");
    Write("src/sub/b.txt", "b");
    Write("elsewhere/c.txt", "c");
    ASSERT_EQ(::mkfifo((home / "src/sub/pipe").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = home / "src/sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ::close(sock);
    fs::create_directory_symlink(home / "elsewhere", home / "src/linked");
    fs::create_symlink(home / "src/gone", home / "src/dangling");
    const std::string def = Save({Item()});

    // A reader opening the FIFO would wait for a writer forever: the run must end by itself.
    const std::string status =
        Capture("timeout 60 bash -c " +
                ShellQuote(Command({def, "/backup"}) + " 2>" + ShellQuote(home / "stderr.txt")) +
                "; echo $?");
    EXPECT_EQ(status, "0\n");
    EXPECT_EQ(ReadAll(home / "stderr.txt"), ""); // no error
    const std::string log = Log();
    const std::string head = "] バックアップ対象外のため飛ばしました：";
    for (const auto& [path, kind] : std::vector<std::pair<std::string, std::string>>{
             {home / "src/sub/pipe", "名前付きパイプ"},
             {home / "src/sock", "ソケット"},
             {home / "src/linked", "ディレクトリへのシンボリックリンク"},
             {home / "src/dangling", "リンク先のないシンボリックリンク"}})
        EXPECT_EQ(Count(log, head + path + "（" + kind + "）\r\n"), 1u) << path << "\n" << log;
    EXPECT_EQ(Count(log, head), 4u) << log;
    // What was skipped is not in the archives; the link's target is not backed up through it.
    EXPECT_EQ(Members(home / "dst/src/src.lzh"), "a.txt 1\n");
    EXPECT_EQ(Members(home / "dst/src/sub/sub.lzh"), "b.txt 1\n");
    EXPECT_FALSE(fs::exists(home / "dst/src/linked"));
}

} // namespace
