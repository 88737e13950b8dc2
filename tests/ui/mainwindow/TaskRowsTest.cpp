#include "ui/TaskRows.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

// One unit per byte: widths are predictable.
int Width(const std::string& s) {
    return static_cast<int>(s.size());
}

TEST(TaskRowsTest, SourceColumnMarksSeveralDirectories) {
    definition::TVMTask t;
    t.SrcDirs = "  /a  \r\n/b\r\n/c";
    EXPECT_EQ(SourceColumnText(t), "/a+");
    t.SrcDirs = " /only \r\n";
    EXPECT_EQ(SourceColumnText(t), "/only");
    t.SrcDirs = "/a\n/b";
    EXPECT_EQ(SourceColumnText(t), "/a+");
    t.SrcDirs = "";
    EXPECT_EQ(SourceColumnText(t), "");
}

TEST(TaskRowsTest, ConditionColumn) {
    definition::TVMTask t;
    t.SkipFiles = "*.tmp";
    EXPECT_EQ(ConditionColumnText(t), "Target='*.*' ; Exception='*.tmp'");
}

TEST(TaskRowsTest, MinimizeNameCutsLeadingDirectoriesFirst) {
    const std::string path = "/home/ann/docs/a.txt";
    EXPECT_EQ(MinimizeName(path, 100, Width), path);
    EXPECT_EQ(MinimizeName(path, 19, Width), "/.../ann/docs/a.txt");
    EXPECT_EQ(MinimizeName(path, 15, Width), "/.../docs/a.txt");
    EXPECT_EQ(MinimizeName(path, 10, Width), "/.../a.txt");
    EXPECT_EQ(MinimizeName(path, 9, Width), ".../a.txt");
    EXPECT_EQ(MinimizeName(path, 3, Width), "a.txt"); // the name alone when nothing fits
    EXPECT_EQ(MinimizeName("relative/dir/x", 10, Width), ".../dir/x");
    EXPECT_EQ(MinimizeName("relative/dir/x", 8, Width), ".../x");
    EXPECT_EQ(MinimizeName("name-only", 2, Width), "name-only");
}

} // namespace
