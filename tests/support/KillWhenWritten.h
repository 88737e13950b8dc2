// Kills a child process with SIGKILL once a file it writes has grown: the way to test that a
// process killed in the middle of writing an archive leaves the old one whole.
#pragma once

#include <csignal>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

struct KillResult {
    bool grew = false;   // a file named prefix... in dir grew beyond the size before the kill
    bool killed = false; // the child ended by the signal (it had not finished by itself)
};

// Waits up to about six seconds for a file of dir whose name starts with prefix to exceed
// bytes, then kills child (in any case) and reaps it.
inline KillResult KillWhenWritten(pid_t child, const std::string& dir, const std::string& prefix,
                                  off_t bytes) {
    KillResult result;
    for (int waited = 0; waited < 3000 && !result.grew; ++waited) {
        if (DIR* d = opendir(dir.c_str())) {
            while (const dirent* e = readdir(d)) {
                struct stat st {};
                const std::string name = e->d_name;
                if (name.rfind(prefix, 0) == 0 && stat((dir + "/" + name).c_str(), &st) == 0 &&
                    st.st_size > bytes)
                    result.grew = true;
            }
            closedir(d);
        }
        if (!result.grew)
            usleep(2000);
    }
    kill(child, SIGKILL);
    int status = 0;
    if (waitpid(child, &status, 0) == child)
        result.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return result;
}

} // namespace testing_support
