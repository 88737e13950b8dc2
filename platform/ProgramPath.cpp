#include "platform/ProgramPath.h"

#include "platform/FileUtil.h"

#include <climits>
#include <unistd.h>

namespace platform {

std::string ProgramPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string ProgramDir() {
    return ExcludeTrailingPathDelimiter(ExtractFilePath(ProgramPath()));
}

} // namespace platform
