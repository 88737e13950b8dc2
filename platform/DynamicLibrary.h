// Shared objects loaded at run time (the archiver libraries), found by their Windows-style name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Maps a library name to its shared-object file name: "lib" + the lower-cased name without
// ".dll" + ".so" (UNLHA32.DLL -> libunlha32.so, 7-zip32.dll -> lib7-zip32.so).
std::string SharedObjectName(std::string_view dllName);

// Directories searched before the system loader's own path: the program's directory, then
// ../lib/velmoran beside it.
std::vector<std::string> LibrarySearchDirs();
// Replaces the directories searched (tests point them at their own libraries); nullopt restores
// the default. With a replacement set, the system loader's path is not searched.
void SetLibrarySearchDirs(std::optional<std::vector<std::string>> dirs);

// Libraries are looked for once: where each was found (or that it was found nowhere) is kept for
// the process. This forgets the ones found nowhere, so that a library installed since is found
// (each run starts with it).
void ForgetMissingLibraries();

// One loaded shared object. Move-only; unloads on destruction.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library named dllName (mapped with SharedObjectName) from the search directories
    // in order, then through the system loader. False when it is found nowhere or fails to load.
    bool Load(std::string_view dllName);
    // Loads a shared object by its path.
    bool LoadFile(const std::string& path);
    bool IsLoaded() const { return handle_ != nullptr; }
    // Address of an exported symbol, nullptr when the library does not export it.
    void* Symbol(const std::string& name) const;
    // Full path of the loaded file (empty when nothing is loaded).
    std::string FileName() const;
    void Free();

private:
    void* handle_ = nullptr;
};

} // namespace platform
