#include "platform/XdgDirs.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

// A base directory variable counts only when it holds an absolute path.
std::string FromEnv(const char* name, const char* fallbackBelowHome) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/')
        return value;
    return HomeDir() + "/" + fallbackBelowHome;
}

} // namespace

std::string HomeDir() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string ConfigHome() {
    return FromEnv("XDG_CONFIG_HOME", ".config");
}
std::string StateHome() {
    return FromEnv("XDG_STATE_HOME", ".local/state");
}
std::string CacheHome() {
    return FromEnv("XDG_CACHE_HOME", ".cache");
}
std::string DataHome() {
    return FromEnv("XDG_DATA_HOME", ".local/share");
}

std::vector<std::string> SystemConfigDirs() {
    std::vector<std::string> dirs;
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = value && *value ? value : "/etc/xdg";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir[0] == '/')
            dirs.push_back(dir);
        start = end + 1;
    }
    return dirs;
}

} // namespace platform
