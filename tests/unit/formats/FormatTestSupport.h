// The facade with the libraries of the build, for the tests of the libraries over libarchive.
#pragma once

#include "ArchiveBytes.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiverDll.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace formats_test {

#define EXPECT_SAME_TREE(actual, expected) EXPECT_EQ(TreeDifference(actual, expected), "")

// The libraries of the other formats from the build's program directory, freshly loaded.
class FormatTest : public ::testing::Test {
protected:
    FormatTest() {
        FreeAll();
        platform::SetLibrarySearchDirs(std::vector<std::string>{PROGRAM_DIR});
    }
    ~FormatTest() override {
        FreeAll();
        platform::SetLibrarySearchDirs(std::nullopt);
    }
    static void FreeAll() {
        for (const char* dll : {"TAR32.DLL", "7-zip32.dll", "CAB32.DLL", "UNRAR32.DLL"})
            archives::FreeSharedDll(dll);
    }
    testing_support::TempDir tmp;
};

// Lists the archive through the facade: member name -> original size; directories end in '/'
// only as the format stores them.
inline std::map<std::string, uint64_t> ListThroughFacade(archives::TArchiveFile& af) {
    std::map<std::string, uint64_t> members;
    if (!af.OpenArchive(nullptr, ARC_OPEN_LIST))
        return members;
    archives::TMemberInfo info{};
    for (int r = af.FindFirst("*", info); r == 0; r = af.FindNext(info))
        members[info.fileName] = info.originalSize64;
    af.CloseArchive();
    return members;
}

} // namespace formats_test
