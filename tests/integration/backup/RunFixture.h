// Runs the built program headless on a temporary tree, with its own settings, and inspects the
// archives it makes with bsdtar.
#pragma once

#include "definition/TVMDefinition.h"
#include "platform/IniFile.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/Shell.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <utime.h>

namespace testing_support {

struct RunResult {
    int Status = -1;
    std::string Err;
    std::string Out;
};

class RunFixture : public ::testing::Test {
protected:
    RunFixture() {
        std::filesystem::create_directories(home / "src");
        std::filesystem::create_directories(home / "dst");
    }

    // A definition of items, saved under the temporary home.
    std::string Save(std::vector<definition::TVMTask> items, const std::string& name = "d.vmp") {
        definition::TVMDefinition def;
        for (auto& item : items)
            def.Tasks.push_back(std::make_unique<definition::TVMTask>(std::move(item)));
        def.FileName = home / name;
        RecordingHost quiet;
        def.SaveToFile(quiet);
        return def.FileName;
    }

    definition::TVMTask Item(const std::string& src = "", const std::string& dst = "") {
        definition::TVMTask t;
        t.SrcDirs = src.empty() ? home / "src" : src;
        t.DstDir = dst.empty() ? home / "dst" : dst;
        return t;
    }

    void Settings(const std::string& section, const std::string& name, const std::string& value) {
        platform::IniFile ini = platform::IniFile::Load(home / "config/Tarn/Velmoran.conf");
        ini.Write(section, name, value);
        ini.Save(home / "config/Tarn/Velmoran.conf");
    }

    std::string Command(const std::vector<std::string>& args) const {
        std::string cmd = "cd ";
        cmd += ShellQuote(home.Path());
        cmd += " && exec env -u DISPLAY -u WAYLAND_DISPLAY HOME=";
        cmd += ShellQuote(home.Path());
        cmd += " XDG_CONFIG_HOME=";
        cmd += ShellQuote(home / "config");
        cmd += " XDG_STATE_HOME=";
        cmd += ShellQuote(home / "state");
        cmd += " XDG_CACHE_HOME=";
        cmd += ShellQuote(home / "cache");
        cmd += " XDG_CONFIG_DIRS=";
        cmd += ShellQuote(home / "etc");
        cmd += " LC_ALL=C.UTF-8 ";
        cmd += ShellQuote(VELMORAN_BINARY);
        for (const auto& a : args) {
            cmd += ' ';
            cmd += ShellQuote(a);
        }
        return cmd;
    }

    RunResult Run(const std::vector<std::string>& args) {
        const std::string cmd = Command(args) + " 2>" + ShellQuote(home / "stderr.txt") + " >" +
                                ShellQuote(home / "stdout.txt") + " </dev/null";
        const int raw = std::system(cmd.c_str());
        RunResult r;
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Err = ReadAll(home / "stderr.txt");
        r.Out = ReadAll(home / "stdout.txt");
        return r;
    }

    std::string Log() const { return ReadAll(home / "state/Tarn/Velmoran/Velmoran.LOG"); }

    // "name size" lines of an archive as bsdtar lists it, sorted.
    std::string Members(const std::string& archive) const {
        return Capture("bsdtar -tvf " + ShellQuote(archive) +
                       " 2>&1 | awk '{s=$5; for (i = 1; i <= 8; i++) $i=\"\"; sub(/^ +/, \"\");"
                       " print $0, s}' | sort");
    }
    // Files directly in a directory, sorted, one per line.
    std::string Listing(const std::string& dir) const {
        return Capture("ls -A " + ShellQuote(dir) + " 2>&1");
    }

    void Write(const std::string& rel, const std::string& text, std::int64_t mtime = 0) {
        std::filesystem::create_directories(std::filesystem::path(home / rel).parent_path());
        home.Write(rel, text);
        if (mtime != 0) {
            utimbuf t{static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
            ::utime((home / rel).c_str(), &t);
        }
    }

    // The command of Run for an unprivileged user (nobody), who then owns the whole tree: for
    // the cases that only fail for a user without root's rights.
    RunResult RunAsNobody(const std::vector<std::string>& args) {
        const std::string chown = "chown -R 65534:65534 " + ShellQuote(home.Path());
        if (std::system(chown.c_str()) != 0)
            return {};
        const std::string cmd = "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c " +
                                ShellQuote(Command(args)) + " 2>" +
                                ShellQuote(home / "stderr.txt") + " </dev/null";
        const int raw = std::system(cmd.c_str());
        RunResult r;
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Err = ReadAll(home / "stderr.txt");
        return r;
    }

    TempDir home;
};

// A run fixture over both archive formats: the parameter is the extension, ".lzh" or ".zip".
class FormatRunFixture : public RunFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ext = GetParam();
        if (ext == std::string(".zip"))
            Settings("Options", "ArchiverType", "atZip");
    }
    // The archive of a source directory below home/src ("src", "src/sub").
    std::string Archive(const std::string& dir = "src") const {
        const std::string name = dir.substr(dir.rfind('/') + 1);
        return home / ("dst/" + dir + "/" + name + ext);
    }
    // The history backups in an archive directory below home.
    std::vector<std::string> HistoryBackups(const std::string& dir = "dst/src") const {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(home / dir))
            if (e.path().filename().string().rfind("$vm$", 0) == 0 && e.is_regular_file())
                found.push_back(e.path().string());
        return found;
    }
    std::string ext;
};

} // namespace testing_support
