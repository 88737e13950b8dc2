// Shared helpers of the archiver tests: temporary directory trees and a clean slate of bindings.
#pragma once

#include "FakeLibrary.h"
#include "archives/Arj32.h"
#include "archives/Bga32.h"
#include "archives/Cab32.h"
#include "archives/Lha32.h"
#include "archives/Rar32.h"
#include "archives/SevenZip32.h"
#include "archives/Tar32.h"
#include "archives/Yz1.h"
#include "archives/Zip32.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

// Frees every process-wide binding, so the next load finds the libraries of the current set.
inline void FreeAllBindings() {
    archives::TLha32().FreeDLL();
    archives::TZip32().FreeDLL();
    archives::TCab32().FreeDLL();
    archives::TArj32().FreeDLL();
    archives::TTar32().FreeDLL();
    archives::TRar32().FreeDLL();
    archives::TBGA32().FreeDLL();
    archives::TYZ1().FreeDLL();
    archives::TSevenZip32().FreeDLL();
}

// A fresh directory below the system's temporary directory, removed at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmoran-archives-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

    // Writes a file (creating its directories).
    std::string Write(const std::string& rel, const std::string& content = "x") const {
        const std::filesystem::path p = path_ + "/" + rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

private:
    std::string path_;
};

// Fixture: the standard set of fake libraries, every binding fresh.
class WithFakeLibraries : public ::testing::Test {
protected:
    void SetUp() override {
        fake::UseLibraries({"std"});
        FreeAllBindings();
    }
    void TearDown() override {
        FreeAllBindings();
        platform::SetLibrarySearchDirs(std::nullopt);
    }
};

} // namespace testing_support
