#include "ZipTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace ziptest {

namespace {

// The program runs under the user's locale; the tests use UTF-8 like a Japanese desktop.
struct Locale {
    Locale() { std::setlocale(LC_ALL, "C.UTF-8"); }
} const g_locale;

void* Load(const char* path) {
    void* h = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr)
        throw std::runtime_error(std::string("cannot load ") + path + ": " + dlerror());
    return h;
}

template <class F> F Entry(void* lib, const char* name) {
    auto f = reinterpret_cast<F>(dlsym(lib, name));
    if (f == nullptr)
        throw std::runtime_error(std::string("missing entry ") + name);
    return f;
}

intptr_t Record(ArcWindow* wnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto* self = static_cast<RecordingWindow*>(wnd);
    if (message != 0xC123)
        return 0;
    const auto* info = reinterpret_cast<const ArcProgressInfo*>(lParam);
    Message m{static_cast<uint32_t>(wParam), info->totalSize, info->writtenSize,
              std::string(info->sourceName, strnlen(info->sourceName, sizeof info->sourceName)),
              std::string(info->destName, strnlen(info->destName, sizeof info->destName))};
    self->messages.push_back(m);
    return self->cancelAt != 0 && self->messages.size() >= self->cancelAt ? 1 : 0;
}

uint32_t Register(const char* name) {
    return std::strcmp(name, "wm_arcextract") == 0 ? 0xC123 : 0;
}

} // namespace

const Libraries& Libraries::Get() {
    static const Libraries libs = [] {
        Libraries l;
        void* unzip = Load(VELMORAN_UNZIP32_PATH);
        void* zip = Load(VELMORAN_ZIP32J_PATH);
        l.UnZip = Entry<ArcMainFn>(unzip, "UnZip");
        l.Zip = Entry<ArcMainFn>(zip, "Zip");
        l.OpenArchive = Entry<ArcOpenArchiveFn>(zip, "UnZipOpenArchive");
        l.CloseArchive = Entry<ArcCloseArchiveFn>(zip, "UnZipCloseArchive");
        l.FindFirst = Entry<ArcFindFirstFn>(zip, "UnZipFindFirst");
        l.FindNext = Entry<ArcFindNextFn>(zip, "UnZipFindNext");
        l.CheckArchive = Entry<ArcCheckArchiveFn>(unzip, "UnZipCheckArchive");
        l.ExtractMem = Entry<ArcExtractMemFn>(unzip, "UnZipExtractMem");
        l.SetOwnerWindowEx = Entry<ArcSetOwnerWindowExFn>(unzip, "UnZipSetOwnerWindowEx");
        l.KillOwnerWindowEx = Entry<ArcKillOwnerWindowExFn>(unzip, "UnZipKillOwnerWindowEx");
        l.GetWriteTimeEx = Entry<ArcGetTimeExFn>(zip, "UnZipGetWriteTimeEx");
        l.GetOriginalSizeEx = Entry<ArcGetSizeExFn>(zip, "UnZipGetOriginalSizeEx");
        return l;
    }();
    return libs;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/vmzipXXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    Shell("chmod -R u+rwx " + Sh(path_) + " 2>/dev/null; rm -rf " + Sh(path_));
}

void WriteFile(const std::string& path, const std::string& data) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        Shell("mkdir -p " + Sh(path.substr(0, slash)));
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
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return data;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

void SetMtime(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), 0},
                                      {static_cast<time_t>(seconds), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int64_t Mtime(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return -1;
    return st.st_mtime;
}

std::string RandomBytes(std::size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

std::string TextBytes(std::size_t n) {
    std::string s;
    int line = 0;
    while (s.size() < n)
        s += "line " + std::to_string(line++) + ": the quick brown fox jumps over the lazy dog\n";
    s.resize(n);
    return s;
}

int Shell(const std::string& command, std::string* capture) {
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr)
        return -1;
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    if (capture != nullptr)
        *capture = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Sh(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Escaped(const std::string& name) {
    std::string out;
    std::size_t i = 0;
    if (!name.empty() && name[0] == '-') {
        out = "[-]";
        i = 1;
    }
    for (; i < name.size(); ++i) {
        if (name[i] == '[')
            out += "[[]";
        else
            out += name[i];
    }
    return Quoted(out);
}

std::string PackCommand(const std::string& archive, const std::string& baseDir,
                        const std::vector<std::string>& names, const std::string& extra) {
    std::string cmd = " -S -D -q -o" + extra + "  " + Quoted(archive) + " " + Quoted(baseDir + "/");
    for (const std::string& n : names)
        cmd += " " + Escaped(n);
    return cmd;
}

std::vector<std::string> ListNames(const std::string& archive) {
    const Libraries& lib = Libraries::Get();
    std::vector<std::string> names;
    ArcHandle h = lib.OpenArchive(nullptr, archive.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return names;
    ArcMemberRecord rec{};
    for (int32_t r = lib.FindFirst(h, "*.*", &rec); r == 0; r = lib.FindNext(h, &rec))
        names.emplace_back(rec.fileName);
    lib.CloseArchive(h);
    return names;
}

ListResult ListAll(const std::string& archive) {
    const Libraries& lib = Libraries::Get();
    ListResult result;
    ArcHandle h = lib.OpenArchive(nullptr, archive.c_str(), ARC_OPEN_LIST);
    if (h == nullptr)
        return result;
    result.opened = true;
    ArcMemberRecord rec{};
    int32_t r = lib.FindFirst(h, "*.*", &rec);
    for (; r == 0; r = lib.FindNext(h, &rec))
        result.names.emplace_back(rec.fileName);
    result.end = r;
    lib.CloseArchive(h);
    return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

std::string UnescapeOctal(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' &&
            text[i + 2] >= '0' && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            out += static_cast<char>(((text[i + 1] - '0') << 6) | ((text[i + 2] - '0') << 3) |
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

int RunUnprivileged(const std::string& which, const std::string& command, std::string* output) {
    return Shell("setpriv --reuid=65534 --regid=65534 --clear-groups " + Sh(VELMORAN_ZIP_CMD_PATH) +
                     " " + which + " " + Sh(command),
                 output);
}

RecordingWindow::RecordingWindow() : ArcWindow{} {
    structSize = sizeof(ArcWindow);
    send = &Record;
    registerMessage = &Register;
    context = nullptr;
}

int32_t Zip(const std::string& cmd, std::string* output) {
    char out[8192] = "";
    const int32_t r = Libraries::Get().Zip(nullptr, cmd.c_str(), out, sizeof out);
    if (output != nullptr)
        *output = out;
    return r;
}

int32_t UnZip(const std::string& cmd, std::string* output) {
    char out[8192] = "";
    const int32_t r = Libraries::Get().UnZip(nullptr, cmd.c_str(), out, sizeof out);
    if (output != nullptr)
        *output = out;
    return r;
}

std::vector<std::string> DirEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.emplace_back(e->d_name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace ziptest
