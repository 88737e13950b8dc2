// Random patterns and subjects of random bytes, in buffers of exactly their size, under every
// code page: compiling either succeeds or raises ERegExpParser, and searching and splitting stay
// inside the subject. Built a second time with AddressSanitizer, which catches any read past a
// buffer.
#include "RegExpTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace regexp;
using regexp_test::CodePageScope;

namespace {

// Bytes that make interesting patterns: metacharacters, escapes, line ends, zero, lead and
// trail bytes of both multi-byte code pages.
const std::string kPatternBytes = std::string("^$.|()[]*+?\\-x0aAbB\r\n\t", 22) +
                                  std::string("\0\x5C\x5B\x81\x95\x9F\xE0\xFC\xFD\xFF"
                                              "\x80\xBF\xC2\xE3\xF0\xF4\xA1",
                                              17);

std::string RandomBytes(std::mt19937& rng, const std::string& alphabet, std::size_t maxLength) {
    std::string s(rng() % (maxLength + 1), '\0');
    for (char& c : s)
        c = alphabet[rng() % alphabet.size()];
    return s;
}

void Fuzz(platform::CodePage cp, unsigned seed) {
    CodePageScope scope(cp);
    std::mt19937 rng(seed);
    TAWKStr awk;
    int compiled = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string pattern = RandomBytes(rng, kPatternBytes, 12);
        try {
            awk.SetRegExp(pattern);
            ++compiled;
        } catch (const ERegExpParser& e) {
            EXPECT_LE(e.ErrorPos(), pattern.size() + 1) << pattern;
            EXPECT_EQ(awk.RegExp(), "");
        }
        for (int k = 0; k < 4; ++k) {
            const std::string text = RandomBytes(rng, kPatternBytes, 10);
            // A heap buffer of exactly the subject's size, without a terminating zero.
            const auto buffer = std::make_unique<char[]>(text.size() + 1);
            std::copy(text.begin(), text.end(), buffer.get() + 1);
            const std::string_view subject(buffer.get() + 1, text.size());
            std::size_t start = 0, length = 0;
            const std::size_t result = awk.Match(subject, start, length);
            EXPECT_EQ(result, start);
            if (start > 0)
                EXPECT_LE(start - 1 + length, subject.size());
            else
                EXPECT_EQ(length, 0u);
            std::vector<std::string> fields;
            awk.Split(subject, fields);
            std::size_t total = 0;
            for (const auto& f : fields)
                total += f.size();
            EXPECT_LE(total, subject.size());
        }
    }
    // Enough of the random patterns are valid to exercise the search.
    EXPECT_GT(compiled, 1000);
}

} // namespace

TEST(RegExpFuzz, Utf8) {
    Fuzz(platform::CodePage::Utf8, 11);
}

TEST(RegExpFuzz, Cp932) {
    Fuzz(platform::CodePage::Cp932, 22);
}

TEST(RegExpFuzz, SingleByte) {
    Fuzz(platform::CodePage::SingleByte, 33);
}
