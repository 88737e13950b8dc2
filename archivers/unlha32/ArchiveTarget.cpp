#include "archivers/unlha32/ArchiveTarget.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "ArchiverContract.h"
#include "archivers/unlha32/ArchiveError.h"

namespace unlha {
namespace {

// The umask without changing it: the "Umask:" line of /proc/self/status.
mode_t CurrentUmask() {
    mode_t mask = 022;
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
                break;
            }
        std::fclose(f);
    }
    return mask;
}

} // namespace

ArchiveTarget ExamineTarget(const std::string& archive) {
    ArchiveTarget t;
    struct stat st {};
    if (::stat(archive.c_str(), &st) != 0) {
        if (errno != ENOENT)
            Fail(ARC_ERROR_ARC_FILE_OPEN, WithErrno("cannot open the archive " + archive, errno));
        t.mode = 0666 & ~CurrentUmask();
        return t;
    }
    if (!S_ISREG(st.st_mode))
        Fail(ARC_ERROR_NOT_ARC_FILE, "not an archive file: " + archive);
    if ((st.st_mode & S_IWUSR) == 0)
        Fail(ARC_ERROR_ARC_READ_ONLY, "the archive is write-protected: " + archive);
    t.exists = true;
    t.mode = st.st_mode & 07777;
    return t;
}

} // namespace unlha
