#include "platform/TempDirectory.h"

#include "platform/FileUtil.h"
#include "platform/XdgDirs.h"

#include <sys/stat.h>

namespace platform {

std::string SystemTempDir() {
    const std::string dir = CacheHome() + "/Tarn/Velmoran/tmp";
    if (ForceDirectories(dir))
        ::chmod(dir.c_str(), 0700);
    return dir;
}

} // namespace platform
