#include "platform/ProgramPath.h"

#include "platform/FileUtil.h"

#include <climits>
#include <unistd.h>

namespace platform {

std::string ProgramPath() {
    // The executable of a running process does not move: read once.
    static const std::string path = [] {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        return n <= 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
    }();
    return path;
}

std::string ProgramDir() {
    return ExcludeTrailingPathDelimiter(ExtractFilePath(ProgramPath()));
}

} // namespace platform
