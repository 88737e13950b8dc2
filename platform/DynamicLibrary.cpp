#include "platform/DynamicLibrary.h"

#include "platform/ProgramPath.h"

#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

std::optional<std::vector<std::string>>& SearchDirOverride() {
    static std::optional<std::vector<std::string>> dirs;
    return dirs;
}

// Where each library was found (empty: nowhere), with one handle kept open for the rest of the
// process: a run creates a format object per archive call, and searching the directories and
// mapping the file anew each time would cost a dozen system calls per directory backed up.
struct FoundLibrary {
    std::string Path; // empty when the system loader found it by name
    void* Keeper = nullptr;
    bool Missing = false;
};

std::map<std::string, FoundLibrary>& FoundLibraries() {
    static std::map<std::string, FoundLibrary> found;
    return found;
}

void ForgetFoundLibraries() {
    for (auto& [name, f] : FoundLibraries())
        if (f.Keeper)
            ::dlclose(f.Keeper);
    FoundLibraries().clear();
}

} // namespace

std::string SharedObjectName(std::string_view dllName) {
    std::string base(dllName);
    if (base.size() >= 4) {
        std::string tail = base.substr(base.size() - 4);
        for (char& c : tail)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (tail == ".dll")
            base.resize(base.size() - 4);
    }
    for (char& c : base)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return "lib" + base + ".so";
}

std::vector<std::string> LibrarySearchDirs() {
    if (SearchDirOverride())
        return *SearchDirOverride();
    const std::string dir = ProgramDir();
    if (dir.empty())
        return {};
    return {dir, dir + "/../lib/velmoran"};
}

void ForgetMissingLibraries() {
    auto& found = FoundLibraries();
    for (auto it = found.begin(); it != found.end();)
        it = it->second.Missing ? found.erase(it) : std::next(it);
}

void SetLibrarySearchDirs(std::optional<std::vector<std::string>> dirs) {
    SearchDirOverride() = std::move(dirs);
    ForgetFoundLibraries();
}

DynamicLibrary::~DynamicLibrary() {
    Free();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Free();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

bool DynamicLibrary::Load(std::string_view dllName) {
    Free();
    const std::string file = SharedObjectName(dllName);
    if (const auto it = FoundLibraries().find(file); it != FoundLibraries().end()) {
        if (it->second.Missing)
            return false;
        handle_ = ::dlopen(it->second.Path.empty() ? file.c_str() : it->second.Path.c_str(),
                           RTLD_NOW | RTLD_LOCAL);
        return handle_ != nullptr;
    }
    FoundLibrary found;
    for (const std::string& dir : LibrarySearchDirs()) {
        const std::string path = dir + "/" + file;
        if (::access(path.c_str(), F_OK) == 0 && LoadFile(path)) {
            found.Path = path;
            break;
        }
    }
    if (!handle_ && !SearchDirOverride())
        handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_)
        found.Keeper =
            ::dlopen(found.Path.empty() ? file.c_str() : found.Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    found.Missing = handle_ == nullptr;
    FoundLibraries().emplace(file, std::move(found));
    return handle_ != nullptr;
}

bool DynamicLibrary::LoadFile(const std::string& path) {
    Free();
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    if (!handle_)
        return nullptr;
    return ::dlsym(handle_, name.c_str());
}

std::string DynamicLibrary::FileName() const {
    if (!handle_)
        return {};
    link_map* map = nullptr;
    if (::dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return {};
    char resolved[4096];
    if (::realpath(map->l_name, resolved))
        return resolved;
    return map->l_name;
}

void DynamicLibrary::Free() {
    if (handle_) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

} // namespace platform
