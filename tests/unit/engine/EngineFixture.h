// A run state, facade and engine over the recording archiver libraries, on a temporary tree.
#pragma once

#include "archives/ArchiveFile.h"
#include "engine/EngineOptions.h"
#include "engine/TVMEngine.h"
#include "platform/DynamicLibrary.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace testing_support {

// The control functions of one recording library, loaded from its path (the same instance the
// binding loads).
class RecordingLibrary {
public:
    explicit RecordingLibrary(const std::string& file) {
        if (!lib_.LoadFile(std::string(REC_LIB_DIR) + "/" + file))
            throw std::runtime_error("cannot load " + file);
        Fn<void (*)()>("RecReset")();
    }
    int Calls() const { return Fn<int (*)()>("RecCalls")(); }
    void Reset() const { Fn<void (*)()>("RecReset")(); }
    std::string Command(int i) const { return Fn<const char* (*)(int)>("RecCommand")(i); }
    void SetResult(int call, int code) const { Fn<void (*)(int, int)>("RecSetResult")(call, code); }
    void AddMember(const std::string& path, std::uint32_t size, std::uint16_t date,
                   std::uint16_t time, const std::string& attr) const {
        Fn<void (*)(const char*, std::uint32_t, std::uint16_t, std::uint16_t, const char*)>(
            "RecAddMember")(path.c_str(), size, date, time, attr.c_str());
    }
    int Opened() const { return Fn<int (*)()>("RecOpened")(); }
    void SetListEnd(int code) const { Fn<void (*)(int)>("RecSetListEnd")(code); }
    void SetOpenFails(bool fails) const { Fn<void (*)(int)>("RecSetOpenFails")(fails ? 1 : 0); }

private:
    template <class F> F Fn(const char* name) const {
        return reinterpret_cast<F>(lib_.Symbol(name));
    }
    platform::DynamicLibrary lib_;
};

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() {
        platform::SetLibrarySearchDirs(std::vector<std::string>{REC_LIB_DIR});
        engine::SetEngineOptionDefaults(options);
        state.TempDir = tmp / "work";
        std::filesystem::create_directories(state.TempDir);
    }
    ~EngineFixture() override { platform::SetLibrarySearchDirs(std::nullopt); }

    // Creates empty files below the temporary tree and returns their names.
    std::vector<std::string> MakeFiles(const std::string& dir, int count,
                                       const std::string& prefix = "f") {
        std::filesystem::create_directories(tmp / dir);
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(prefix + std::to_string(i) + ".txt");
            tmp.Write(dir + "/" + names.back(), "x");
        }
        return names;
    }

    TempDir tmp;
    RecordingHost host;
    engine::TRunState state{host};
    archives::TArchiveFile af;
    archives::TArchiverOptions options;
    engine::TVMEngine eng{state, af, options};
};

} // namespace testing_support
