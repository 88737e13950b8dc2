#include "app/ArchiverLibrary.h"

#include "archives/ArchiverDll.h"
#include "archives/ArchiverErrors.h"
#include "archives/ZipDll.h"
#include "platform/DynamicLibrary.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace app;
using testing_support::TempDir;

namespace {

// The message of the ENoArchiverDLL that loading raises, or "" when it loads.
std::string LoadError(archives::TArchiveFile& af, engine::TVMArchiverType type) {
    try {
        LoadArchiverLibrary(af, type);
    } catch (const archives::ENoArchiverDLL& e) {
        return e.what();
    }
    return "";
}

class ArchiverLibraryTest : public ::testing::Test {
protected:
    ArchiverLibraryTest() {
        archives::FreeZipDll();
        archives::FreeSharedDll("UNLHA32.DLL");
        platform::SetLibrarySearchDirs(std::vector<std::string>{libs.Path()});
    }
    ~ArchiverLibraryTest() override {
        archives::FreeZipDll();
        archives::FreeSharedDll("UNLHA32.DLL");
        platform::SetLibrarySearchDirs(std::nullopt);
    }
    // Makes one of the recording libraries available under its name.
    void Provide(const std::string& file) const {
        std::filesystem::create_symlink(std::string(REC_LIB_DIR) + "/" + file, libs / file);
    }
    TempDir libs;
    archives::TArchiveFile af;
};

TEST_F(ArchiverLibraryTest, ZipNeedsAReaderAndAWriter) {
    EXPECT_NE(LoadError(af, engine::atZip).find("UNZIP32.DLL"), std::string::npos);
    Provide("libunzip32.so");
    EXPECT_NE(LoadError(af, engine::atZip).find("ZIP32J.DLL"), std::string::npos);
    Provide("libzip32j.so");
    EXPECT_EQ(LoadError(af, engine::atZip), "");
}

TEST_F(ArchiverLibraryTest, LhaNeedsItsLibrary) {
    EXPECT_NE(LoadError(af, engine::atLzh).find("UNLHA32.DLL"), std::string::npos);
    Provide("libunlha32.so");
    EXPECT_EQ(LoadError(af, engine::atLzh), "");
}

} // namespace
