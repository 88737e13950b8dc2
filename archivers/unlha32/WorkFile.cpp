#include "archivers/unlha32/WorkFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>

namespace unlha {
namespace {

std::string RandomChars() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string s;
    for (std::size_t i = 0; i < kWorkRandomChars; ++i)
        s += kChars[pick(engine)];
    return s;
}

} // namespace

int CreateWorkFile(int dirFd, const std::string& dirPrefix, std::string_view targetName, int flags,
                   mode_t mode, std::string& created) {
    const std::string stem =
        std::string(targetName.substr(0, kWorkNameBytes)) + std::string(kWorkMark);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + RandomChars();
        const int fd = ::openat(dirFd, (dirPrefix + name).c_str(),
                                flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            created = std::move(name);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

} // namespace unlha
