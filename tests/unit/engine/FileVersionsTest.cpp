#include "engine/FileVersions.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace engine;

namespace {

definition::TVMDefinition
Definition(std::initializer_list<std::tuple<const char*, const char*, bool>> items) {
    definition::TVMDefinition def;
    for (const auto& [src, dst, subdirs] : items) {
        auto item = std::make_unique<definition::TVMTask>();
        item->SrcDirs = src;
        item->DstDir = dst;
        item->SubDir = subdirs;
        def.Tasks.push_back(std::move(item));
    }
    return def;
}

TEST(LocateFileTest, EverySourceDirectoryAboveThePathInTheItemsOrder) {
    const auto def = Definition({{"/data/docs\r\n/data/docs2", "/bk1", true},
                                 {"/data", "/bk2", false},
                                 {"/data/docs/", "/bk3", true},
                                 {"/", "/bk4", true}});
    const auto found = LocateFile(def, "/data/docs/2024/plan.txt");
    // Not /data/docs2 (a name that only starts the same), not /data (no subdirectories).
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].Item, 0u);
    EXPECT_EQ(found[0].SourceDir, "/data/docs");
    EXPECT_EQ(found[0].Subdirs, std::vector<std::string>{"2024"});
    EXPECT_EQ(found[0].FileName, "plan.txt");
    EXPECT_EQ(found[1].Item, 2u);
    EXPECT_EQ(found[2].Item, 3u);
    EXPECT_EQ(found[2].Subdirs, (std::vector<std::string>{"data", "docs", "2024"}));

    // Directly in a source without subdirectories; doubled and trailing slashes are one.
    const auto direct = LocateFile(def, "/data//readme.txt");
    ASSERT_EQ(direct.size(), 2u);
    EXPECT_EQ(direct[0].Item, 1u);
    EXPECT_TRUE(direct[0].Subdirs.empty());
    EXPECT_EQ(direct[0].FileName, "readme.txt");

    // A source directory itself is no file of it.
    EXPECT_EQ(LocateFile(def, "/data/docs").size(), 2u) << "only below /data and /";
    EXPECT_TRUE(LocateFile(Definition({{"/data/docs", "/bk", true}}), "/data/docs/").empty());
    EXPECT_TRUE(LocateFile(Definition({{"/data/docs", "/bk", true}}), "/elsewhere/x").empty());
}

TEST(LocateFileTest, DotAndDotDotAreTakenByName) {
    const auto def = Definition({{"/data/docs", "/bk", true}});
    const auto found = LocateFile(def, "/data/docs/../docs/2024/./plan.txt");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Subdirs, std::vector<std::string>{"2024"});
    EXPECT_EQ(found[0].FileName, "plan.txt");
    // Below the source by its text only: the file lies elsewhere.
    EXPECT_TRUE(LocateFile(def, "/data/docs/../other/plan.txt").empty());
    EXPECT_TRUE(LocateFile(def, "/data/docs/2024/..").empty());
}

TEST(LocateFileTest, RelativePathsAreTakenFromTheWorkingDirectory) {
    const auto def = Definition({{"/", "/bk", true}});
    const auto found = LocateFile(def, "relative.txt");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].FileName, "relative.txt");
    std::vector<std::string> cwd;
    for (const auto& part : std::filesystem::current_path().relative_path())
        cwd.push_back(part.string());
    EXPECT_EQ(found[0].Subdirs, cwd);
    // From a sibling directory, as a user in one source directory names a file of another.
    const auto up = LocateFile(def, "../" + std::filesystem::current_path().filename().string() +
                                        "/relative.txt");
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].Subdirs, cwd);
}

TEST(VersionStampTest, SecondsOfTheFilesTime) {
    EXPECT_EQ(VersionStamp(platform::EncodeDateTime(2024, 2, 29, 7, 5, 9, 0)), "20240229070509");
}

} // namespace
