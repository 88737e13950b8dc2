#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "archivers/unlha32/Unlha32.h"

namespace unlha_test {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/unlha32-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

TempDir::~TempDir() {
    Shell("/", "chmod -R u+w " + ShellQuote(path_) + " 2>/dev/null; rm -rf " + ShellQuote(path_));
}

void WriteFile(const std::string& path, const std::string& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

std::string ReadFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return "<missing " + path + ">";
    std::string data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    std::fclose(f);
    return data;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void SetTime(const std::string& path, int64_t t) {
    const struct timespec times[2] = {{static_cast<time_t>(t), 0}, {static_cast<time_t>(t), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int64_t FileTime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtime;
}

std::string TextData(std::size_t size, uint32_t seed) {
    static const char* words[] = {"backup ",       "archive ", "member ", "header ", "data ",
                                  "バックアップ ", "書庫 ",    "the ",    "of ",     "\n"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size)
        s += words[rng() % 10];
    s.resize(size);
    return s;
}

std::string RandomData(std::size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

std::string MixedData(std::size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        switch (rng() % 4) {
        case 0:
            s += TextData(1000 + rng() % 50000, rng());
            break;
        case 1:
            s += RandomData(100 + rng() % 20000, rng());
            break;
        case 2:
            s += std::string(1 + rng() % 70000, static_cast<char>(rng()));
            break;
        default:
            // A repeat from far back, beyond the smaller dictionaries.
            if (s.size() > 70000) {
                const std::size_t from = s.size() - 66000 + rng() % 1000;
                s += s.substr(from, 300 + rng() % 3000);
            }
            break;
        }
    }
    s.resize(size);
    return s;
}

std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

int32_t Lha(const std::string& command, std::string* output) {
    std::vector<char> buffer(1 << 20, '\0');
    const int32_t r =
        Unlha(nullptr, command.c_str(), buffer.data(), static_cast<uint32_t>(buffer.size()));
    if (output != nullptr)
        *output = buffer.data();
    return r;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

int Shell(const std::string& dir, const std::string& command, std::string* output) {
    const std::string full = "cd " + ShellQuote(dir) + " && LC_ALL=C.UTF-8 " + command + " 2>&1";
    FILE* p = ::popen(full.c_str(), "r");
    if (p == nullptr)
        return -1;
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        text.append(buffer, n);
    const int status = ::pclose(p);
    if (output != nullptr)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveTool(const std::string& name) {
    return Shell("/", "command -v " + ShellQuote(name) + " >/dev/null") == 0;
}

} // namespace unlha_test

#include "archivers/unlha32/Crc16.h"
#include "archivers/unlha32/MemberHeader.h"

namespace unlha_test {
namespace {

intptr_t RecordSend(ArcWindow* wnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto* self = static_cast<RecordingWindow*>(wnd->context);
    if (message != 0xC123)
        return 0;
    const auto* info = reinterpret_cast<const ArcProgressInfo*>(lParam);
    self->messages.push_back({static_cast<uint32_t>(wParam), info->totalSize, info->writtenSize,
                              info->sourceName, info->destName});
    if (wParam == self->cancelState && self->cancelAt >= 0 && self->seen++ >= self->cancelAt)
        return 1;
    return 0;
}

uint32_t RegisterMessage(const char* name) {
    return std::string(name) == ARC_WM_ARCEXTRACT ? 0xC123 : 0xC200;
}

} // namespace

RecordingWindow::RecordingWindow() {
    window.structSize = sizeof(ArcWindow);
    window.send = RecordSend;
    window.registerMessage = RegisterMessage;
    window.context = this;
}

void RecordingWindow::Attach() {
    UnlhaSetOwnerWindowEx(&window, nullptr);
}

RecordingWindow::~RecordingWindow() {
    UnlhaKillOwnerWindowEx(&window);
}

std::string StoredMember(const std::string& path, const std::string& data, uint16_t mode,
                         int64_t mtime) {
    unlha::MemberHeader h;
    h.method = "-lh0-";
    h.path = path;
    h.compressedSize = h.originalSize = data.size();
    h.crc = unlha::Crc16(data.data(), data.size());
    h.unixMode = mode;
    h.mtime = mtime;
    return unlha::BuildLevel2Header(h, false) + data;
}

} // namespace unlha_test
