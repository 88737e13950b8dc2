// Access to the scripted fake archiver libraries from the tests: choosing which set of libraries
// the program finds, and calling a fake's control functions.
#pragma once

#include "ArchiverContract.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace fake {

inline std::string Dir(const std::string& set) {
    return std::string(FAKE_LIB_ROOT) + "/" + set;
}

// Makes the program find exactly the libraries of these sets.
inline void UseLibraries(std::initializer_list<std::string> sets) {
    std::vector<std::string> dirs;
    for (const std::string& s : sets)
        dirs.push_back(Dir(s));
    platform::SetLibrarySearchDirs(dirs);
}

// One fake library, opened by its path: the same instance the bindings load.
class Library {
public:
    Library(const std::string& set, const std::string& file) {
        if (!lib_.LoadFile(Dir(set) + "/" + file))
            throw std::runtime_error("cannot load fake library " + file);
        Call<void (*)()>("FakeReset")();
    }

    template <class Fn> Fn Call(const char* name) const {
        void* address = lib_.Symbol(name);
        if (!address)
            throw std::runtime_error(std::string("fake library lacks ") + name);
        return reinterpret_cast<Fn>(address);
    }

    std::string LastCommand() const { return Call<const char* (*)()>("FakeLastCommand")(); }
    std::string LastEntry() const { return Call<const char* (*)()>("FakeLastEntry")(); }
    int LastOutputSize() const { return Call<int (*)()>("FakeLastOutputSize")(); }
    ArcWindow* LastWindow() const { return Call<ArcWindow* (*)()>("FakeLastWindow")(); }
    ArcWindow* Owner() const { return Call<ArcWindow* (*)()>("FakeOwner")(); }
    int OwnerCalls(bool kill) const { return Call<int (*)(int)>("FakeOwnerCalls")(kill ? 1 : 0); }
    void SetResult(int r) const { Call<void (*)(int)>("FakeSetResult")(r); }
    void SetProgress(int n) const { Call<void (*)(int)>("FakeSetProgress")(n); }
    int ProgressSent() const { return Call<int (*)()>("FakeProgressSent")(); }
    void SetHostile(int mode) const { Call<void (*)(int)>("FakeSetHostile")(mode); }
    void AddMember(const std::string& name, std::uint32_t size, std::uint16_t date,
                   std::uint16_t time) const {
        Call<void (*)(const char*, std::uint32_t, std::uint16_t, std::uint16_t)>("FakeAddMember")(
            name.c_str(), size, date, time);
    }
    void SetCheck(int check, int open, int type) const {
        Call<void (*)(int, int, int)>("FakeSetCheck")(check, open, type);
    }
    std::uint32_t LastMode(bool open) const {
        return Call<std::uint32_t (*)(int)>("FakeLastMode")(open ? 1 : 0);
    }
    std::string LastOpenPath() const { return Call<const char* (*)()>("FakeLastOpenPath")(); }
    void SetTimes(bool enabled, std::uint64_t write, std::uint64_t size) const {
        Call<void (*)(int, std::uint64_t, std::uint64_t)>("FakeSetTimes")(enabled, write, size);
    }
    bool EnumInstalled(std::uint32_t* size = nullptr) const {
        return Call<int (*)(std::uint32_t*)>("FakeEnumState")(size) != 0;
    }
    int EnumCalls() const { return Call<int (*)()>("FakeEnumCalls")(); }
    void RequirePassword(bool needed) const {
        Call<void (*)(int)>("FakeRequirePassword")(needed ? 1 : 0);
    }
    std::string Password() const { return Call<const char* (*)()>("FakePassword")(); }
    std::string ResponseFile() const { return Call<const char* (*)()>("FakeResponseFile")(); }

private:
    platform::DynamicLibrary lib_;
};

} // namespace fake
