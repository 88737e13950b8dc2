// The freedesktop base directories, from the XDG_* variables with their standard defaults.
#pragma once

#include <string>
#include <vector>

namespace platform {

std::string HomeDir();
std::string ConfigHome();                    // $XDG_CONFIG_HOME or ~/.config
std::string StateHome();                     // $XDG_STATE_HOME or ~/.local/state
std::string CacheHome();                     // $XDG_CACHE_HOME or ~/.cache
std::string DataHome();                      // $XDG_DATA_HOME or ~/.local/share
std::vector<std::string> SystemConfigDirs(); // $XDG_CONFIG_DIRS or /etc/xdg

} // namespace platform
