// A stand-in for the crontab command: "-l" prints the table file ("no crontab" without one),
// "-" installs standard input as the table; while `refuseFlag` exists it refuses everything.
#pragma once

#include "tests/support/TempDir.h"

#include <string>
#include <sys/stat.h>

namespace testing_support {

inline std::string WriteFakeCrontab(const TempDir& dir, const std::string& table,
                                    const std::string& refuseFlag = "/nonexistent/refuse") {
    const std::string script = "#!/bin/sh\n"
                               "[ -f '" +
                               refuseFlag +
                               "' ] && { cat >/dev/null; echo 'errors in "
                               "crontab file, cannot install.' >&2; exit 1; }\n"
                               "case \"$1\" in\n"
                               "-l) [ -f '" +
                               table + "' ] && exec cat '" + table +
                               "'\n"
                               "    echo 'no crontab for tester' >&2; exit 1;;\n"
                               "-) cat > '" +
                               table +
                               "';;\n"
                               "esac\n";
    const std::string path = dir.Write("crontab", script);
    ::chmod(path.c_str(), 0755);
    return path;
}

} // namespace testing_support
