// User attributes read and written through the platform layer, and files made only when new.
#include "platform/ExtendedAttributes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/xattr.h>

using namespace platform;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

TEST(ExtendedAttributesTest, UserAttributesOnlyWithTheirValues) {
    TempDir tmp;
    const std::string file = tmp.Write("f", "data");
    std::string error;
    std::vector<ExtendedAttribute> attrs;
    ASSERT_EQ(ReadUserAttributes(file, attrs, error), XattrResult::Ok);
    EXPECT_TRUE(attrs.empty());
    const std::string big(4000, '\x01');
    ASSERT_EQ(WriteUserAttribute(file, "big", big, error), XattrResult::Ok) << error;
    ASSERT_EQ(WriteUserAttribute(file, "nul", std::string("\0\0", 2), error), XattrResult::Ok);
    ASSERT_EQ(ReadUserAttributes(file, attrs, error), XattrResult::Ok);
    ASSERT_EQ(attrs.size(), 2u);
    for (const auto& a : attrs)
        EXPECT_EQ(a.Value, a.Name == "big" ? big : std::string("\0\0", 2)) << a.Name;
    // Links are followed for reading (as the scan takes files), never for writing.
    std::filesystem::create_symlink(file, tmp / "link");
    ASSERT_EQ(ReadUserAttributes(tmp / "link", attrs, error), XattrResult::Ok);
    EXPECT_EQ(attrs.size(), 2u);
    EXPECT_EQ(WriteUserAttribute(tmp / "link", "x", "v", error), XattrResult::Failed);
    EXPECT_EQ(ReadUserAttributes(tmp / "missing", attrs, error), XattrResult::Failed);
    EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(ExtendedAttributesTest, FakedFileSystemWithoutAttributes) {
    TempDir tmp;
    const std::string file = tmp.Write("f", "data");
    ::setenv("VELMORAN_TEST_NO_XATTR", "1", 1);
    std::string error;
    std::vector<ExtendedAttribute> attrs;
    EXPECT_EQ(ReadUserAttributes(file, attrs, error), XattrResult::Unsupported);
    EXPECT_EQ(WriteUserAttribute(file, "x", "v", error), XattrResult::Unsupported);
    ::unsetenv("VELMORAN_TEST_NO_XATTR");
    EXPECT_EQ(::getxattr(file.c_str(), "user.x", nullptr, 0), -1);
}

TEST(ExtendedAttributesTest, NewFilesNeverReplaceAnything) {
    TempDir tmp;
    const std::string from = tmp.Write("from", "x");
    std::string error;
    ASSERT_TRUE(WriteNewFile(tmp / "new", "bytes", from, error)) << error;
    EXPECT_EQ(ReadAll(tmp / "new"), "bytes");
    EXPECT_EQ(std::filesystem::last_write_time(tmp / "new"),
              std::filesystem::last_write_time(from));
    EXPECT_FALSE(WriteNewFile(tmp / "new", "other", from, error));
    EXPECT_EQ(ReadAll(tmp / "new"), "bytes");
    std::filesystem::create_symlink(tmp / "target", tmp / "dangling");
    EXPECT_FALSE(WriteNewFile(tmp / "dangling", "through", from, error));
    EXPECT_FALSE(std::filesystem::exists(tmp / "target"));
    EXPECT_FALSE(WriteNewFile(tmp / "nodir/new", "x", from, error));
}

} // namespace
