#include "RegExpTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace regexp;
using regexp_test::Found;
using regexp_test::MatchWith;

namespace {

// Counts the compilations the cache asks for.
class CountingAWKStr : public TAWKStr {
public:
    int compiles = 0;
    std::vector<std::string> compiled;

protected:
    void Compile(const std::string& pattern) override {
        ++compiles;
        compiled.push_back(pattern);
        TAWKStr::Compile(pattern);
    }
};

std::string Pattern(int i) {
    return "p" + std::to_string(i) + "$";
}

std::vector<std::string> CacheContents(const TRegularExpression& re) {
    std::vector<std::string> out;
    for (int i = 0; i < re.CacheCount(); ++i)
        out.push_back(re.CachedPattern(i));
    return out;
}

} // namespace

TEST(PatternCache, NewPatternsGoInFrontTheOldestIsEvictedTheEmptyPatternStays) {
    CountingAWKStr awk;
    ASSERT_EQ(CacheContents(awk), (std::vector<std::string>{""}));
    for (int i = 1; i <= 29; ++i)
        awk.SetRegExp(Pattern(i));
    EXPECT_EQ(awk.CacheCount(), 30);
    EXPECT_EQ(awk.compiles, 29);
    EXPECT_EQ(awk.CachedPattern(0), "");
    EXPECT_EQ(awk.CachedPattern(1), Pattern(29));
    EXPECT_EQ(awk.CachedPattern(29), Pattern(1));

    // The 30th new pattern evicts the first one; the empty pattern stays at entry 0.
    awk.SetRegExp(Pattern(30));
    EXPECT_EQ(awk.CacheCount(), 30);
    EXPECT_EQ(awk.CachedPattern(0), "");
    EXPECT_EQ(awk.CachedPattern(1), Pattern(30));
    EXPECT_EQ(awk.CachedPattern(29), Pattern(2));
    for (int i = 0; i < awk.CacheCount(); ++i)
        EXPECT_NE(awk.CachedPattern(i), Pattern(1));

    // Hits compile nothing and move nothing, and select the right automaton.
    const auto before = CacheContents(awk);
    awk.SetRegExp(Pattern(15));
    EXPECT_EQ(MatchWith(awk, "xp15"), (Found{2, 3}));
    EXPECT_EQ(MatchWith(awk, "xp16"), (Found{}));
    awk.SetRegExp(Pattern(2));
    awk.SetRegExp("");
    EXPECT_EQ(awk.CurrentIndex(), 0);
    awk.SetRegExp(Pattern(30));
    EXPECT_EQ(awk.CurrentIndex(), 1);
    EXPECT_EQ(awk.RegExp(), Pattern(30));
    EXPECT_EQ(awk.compiles, 30);
    EXPECT_EQ(CacheContents(awk), before);

    // The evicted pattern is compiled again, and evicts the oldest in turn.
    awk.SetRegExp(Pattern(1));
    EXPECT_EQ(awk.compiles, 31);
    EXPECT_EQ(awk.compiled.back(), Pattern(1));
    EXPECT_EQ(awk.CachedPattern(1), Pattern(1));
    EXPECT_EQ(awk.CachedPattern(29), Pattern(3));
    EXPECT_EQ(MatchWith(awk, "p1"), (Found{1, 2}));
}

TEST(PatternCache, ComparisonIsExactAndCaseSensitive) {
    CountingAWKStr awk;
    awk.SetRegExp("abc");
    awk.SetRegExp("ABC");
    awk.SetRegExp("abc ");
    // Long patterns that differ only in the middle are different patterns.
    const std::string longA = "^0123456789abcdefghij-A-0123456789abcdefghij$";
    const std::string longB = "^0123456789abcdefghij-B-0123456789abcdefghij$";
    awk.SetRegExp(longA);
    awk.SetRegExp(longB);
    EXPECT_EQ(awk.compiles, 5);
    awk.SetRegExp(longA);
    EXPECT_EQ(awk.compiles, 5);
    EXPECT_EQ(MatchWith(awk, longA.substr(1, longA.size() - 2)), (Found{1, longA.size() - 2}));
    EXPECT_EQ(MatchWith(awk, longB.substr(1, longB.size() - 2)), (Found{}));
    awk.SetRegExp("abc");
    EXPECT_EQ(MatchWith(awk, "ABC"), (Found{}));
    EXPECT_EQ(awk.compiles, 5);
}

TEST(PatternCache, ABadPatternIsNeverCachedAndRaisesEveryTime) {
    CountingAWKStr awk;
    awk.SetRegExp("good");
    for (int round = 0; round < 2; ++round) {
        try {
            awk.SetRegExp("[z-a]");
            FAIL() << "no error";
        } catch (const ERegExpParser& e) {
            EXPECT_STREQ(e.what(), msg::kInvalidRange);
            EXPECT_EQ(e.ErrorPos(), 5u);
        }
        EXPECT_EQ(CacheContents(awk), (std::vector<std::string>{"", "good"}));
        EXPECT_EQ(awk.CurrentIndex(), 0);
        EXPECT_EQ(awk.RegExp(), "");
    }
    EXPECT_EQ(awk.compiles, 3);
    awk.SetRegExp("good");
    EXPECT_EQ(awk.compiles, 3);
    EXPECT_EQ(MatchWith(awk, "so good"), (Found{4, 4}));
}

TEST(PatternCache, ABadPatternOnAFullCacheStillEvictsTheOldest) {
    CountingAWKStr awk;
    for (int i = 1; i <= 29; ++i)
        awk.SetRegExp(Pattern(i));
    EXPECT_THROW(awk.SetRegExp("(oops"), ERegExpParser);
    EXPECT_EQ(awk.CacheCount(), 29);
    EXPECT_EQ(awk.CachedPattern(28), Pattern(2));
    EXPECT_EQ(awk.CachedPattern(1), Pattern(29));
}
