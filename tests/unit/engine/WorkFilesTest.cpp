#include "engine/WorkFiles.h"

#include <gtest/gtest.h>

namespace {

using engine::IsStaleWorkFileName;

TEST(WorkFilesTest, OnlyTheLibrariesOwnNamingIsRecognised) {
    // The LHA library's work file, and the ZIP library's beside the archive or a history backup.
    EXPECT_TRUE(IsStaleWorkFileName(".unlha-AbC123", "docs.lzh"));
    EXPECT_TRUE(IsStaleWorkFileName("docs.zip.a8Bx9Q", "docs.zip"));
    EXPECT_TRUE(IsStaleWorkFileName("$vm$20261206220116.zip.dFcrgt", "docs.zip"));
    EXPECT_TRUE(IsStaleWorkFileName(".docs.lst.qur6ypbb.tmp", "docs.zip"));
    EXPECT_TRUE(IsStaleWorkFileName("docs.lzh.unlha-Xy12Ab", "docs.lzh"));
    EXPECT_TRUE(IsStaleWorkFileName("$vm$20261206220116.lzh.unlha-Xy12Ab", "docs.lzh"));
    EXPECT_FALSE(IsStaleWorkFileName("notes.txt.unlha-Xy12Ab", "docs.lzh"));
    EXPECT_FALSE(IsStaleWorkFileName(".docs.lst.qur6ypb.tmp", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName(".other.lst.qur6ypbb.tmp", "docs.zip"));
    // Anything else stays: other archives, other suffixes, names a user might give.
    EXPECT_FALSE(IsStaleWorkFileName(".unlha-abc", "docs.lzh"));
    EXPECT_FALSE(IsStaleWorkFileName(".unlha-abc-12", "docs.lzh"));
    EXPECT_FALSE(IsStaleWorkFileName("other.zip.abcdef", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("docs.zip.abc-ef", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("docs.zip.abcdefg", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("docs.lzh.abcdef", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("$vm$2026x.zip.abcdef", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("$vm$.zip.abcdef", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("docs.zip", "docs.zip"));
    EXPECT_FALSE(IsStaleWorkFileName("docs.lst", "docs.zip"));
}

TEST(WorkFilesTest, ExtractionWorkFilesAreNamedAfterTheirMember) {
    EXPECT_TRUE(engine::IsExtractionWorkFileName("a b.txt.unlha-Q1w2E3", "a b.txt"));
    EXPECT_TRUE(engine::IsExtractionWorkFileName("a b.txt.unzip-Q1w2E3", "a b.txt"));
    EXPECT_FALSE(engine::IsExtractionWorkFileName("a b.txt.unrar-Q1w2E3", "a b.txt"));
    EXPECT_FALSE(engine::IsExtractionWorkFileName("a b.txt.unlha-Q1w2E", "a b.txt"));
    EXPECT_FALSE(engine::IsExtractionWorkFileName("a b.txt", "a b.txt"));
    EXPECT_FALSE(engine::IsExtractionWorkFileName("c.txt.unlha-Q1w2E3", "a b.txt"));
}

} // namespace
