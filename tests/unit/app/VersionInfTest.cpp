#include "app/VersionInf.h"

#include "definition/TarnStream.h"
#include "tests/support/ElfImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using app::TVersionInf;
using testing_support::MakeElf64;
using testing_support::TempDir;

TEST(VersionInfTest, TheProgramsOwnBlockHasOneJapaneseTranslationAndItsVersion) {
    TVersionInf info;
    info.SetFileName(VELMORAN_BINARY);
    ASSERT_TRUE(info.Available());
    ASSERT_EQ(info.Translations().size(), 1u);
    EXPECT_EQ(info.Translations()[0], 0x03A40411u);
    EXPECT_EQ(info.FileVersion(), VELMORAN_VERSION);
    EXPECT_EQ(info.ProductVersion(), VELMORAN_VERSION);
    EXPECT_EQ(info.ProductName(), "Velmoran");
    EXPECT_NE(info.LegalCopyright().find("Copyright"), std::string::npos);
    EXPECT_EQ(info.ExtractString(0, "NoSuchKey"), "");
    EXPECT_THROW(info.ExtractString(1, "FileVersion"), definition::EInOutError);
}

TEST(VersionInfTest, FilesWithoutABlockHaveNoInformation) {
    TempDir dir;
    TVersionInf info;
    for (const std::string& bytes :
         {std::string("plain text"), MakeElf64({{".text", "code"}}),
          MakeElf64({{".velmoran_version", "not a version block\n"}}),
          MakeElf64({{".velmoran_version", std::string("VS_VERSION_INFO\n") + '\0'}})}) {
        info.SetFileName(dir.Write("file", bytes));
        const bool rootOnly = bytes.find("VS_VERSION_INFO") != std::string::npos;
        EXPECT_EQ(info.Available(), rootOnly);
        try {
            info.ExtractString(0, "FileVersion");
            FAIL() << "no error without translations";
        } catch (const definition::EInOutError& e) {
            EXPECT_STREQ(e.what(), rootOnly ? "TVersionInf.ExtractString: Index is out of range"
                                            : "TVersionInf.ExtractString: Cannot read a file "
                                              "version information");
        }
    }
    info.SetFileName(dir / "missing");
    EXPECT_FALSE(info.Available());
}

TEST(VersionInfTest, TheExecutableOrANamedFileWhicheverWasSetLast) {
    TempDir dir;
    const std::string other = dir.Write(
        "other", MakeElf64({{".velmoran_version",
                             "VS_VERSION_INFO\n\\VarFileInfo\\Translation=04090000 041103A4\n"
                             "\\StringFileInfo\\04090000\\FileVersion=9.9\n"
                             "\\StringFileInfo\\041103A4\\FileVersion=9.9j\n"}}));
    TVersionInf info;
    info.SetUseExeName(true);
    EXPECT_TRUE(info.UseExeName());
    EXPECT_FALSE(info.FileName().empty());
    info.TranslationIndex = 1;
    info.SetFileName(other);
    EXPECT_FALSE(info.UseExeName());
    EXPECT_EQ(info.TranslationIndex, 0);
    EXPECT_EQ(info.FileVersion(), "9.9");
    info.TranslationIndex = 1;
    EXPECT_EQ(info.FileVersion(), "9.9j");
    info.SetUseExeName(false); // either value reads the executable
    EXPECT_NE(info.FileName(), other);
}
