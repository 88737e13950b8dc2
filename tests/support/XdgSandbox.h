// Points the XDG base directories of the test process into a temporary directory.
#pragma once

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

class XdgSandbox {
public:
    XdgSandbox() {
        Set("XDG_CONFIG_HOME", dir_ / "config");
        Set("XDG_STATE_HOME", dir_ / "state");
        Set("XDG_CACHE_HOME", dir_ / "cache");
        Set("XDG_DATA_HOME", dir_ / "data");
        Set("XDG_CONFIG_DIRS", dir_ / "etc-xdg");
    }
    ~XdgSandbox() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    const TempDir& Dir() const { return dir_; }
    std::string UserConfig() const { return dir_ / "config/Tarn/Velmoran.conf"; }
    std::string SystemConfig() const { return dir_ / "etc-xdg/Tarn/Velmoran.conf"; }

private:
    void Set(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    TempDir dir_;
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace testing_support
