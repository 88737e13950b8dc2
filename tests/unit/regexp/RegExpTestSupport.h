// Helpers shared by the regular expression tests.
#pragma once

#include "platform/CodePage.h"
#include "select/regexp/ERegExpParser.h"
#include "select/regexp/TAWKStr.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace regexp_test {

// Selects a code page for the lifetime of the object; UTF-8 again afterwards.
class CodePageScope {
public:
    explicit CodePageScope(platform::CodePage cp) { platform::SetCodePage(cp); }
    ~CodePageScope() { platform::SetCodePage(platform::CodePage::Utf8); }
    CodePageScope(const CodePageScope&) = delete;
    CodePageScope& operator=(const CodePageScope&) = delete;
};

// A search result: 1-based start position and length in bytes; {0, 0} for no match.
struct Found {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const Found&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Found& f) {
    return os << "{start " << f.start << ", length " << f.length << "}";
}

inline Found MatchWith(regexp::TAWKStr& awk, std::string_view subject) {
    Found f;
    const std::size_t result = awk.Match(subject, f.start, f.length);
    EXPECT_EQ(result, f.start);
    return f;
}

// Compiles pattern in a fresh component and searches subject.
inline Found Find(std::string_view pattern, std::string_view subject) {
    regexp::TAWKStr awk;
    awk.SetRegExp(pattern);
    return MatchWith(awk, subject);
}

// The message and position of the error that pattern raises; an empty message when it
// compiles.
struct ParseError {
    std::string message;
    std::size_t pos = 0;
};

inline ParseError ErrorOf(std::string_view pattern) {
    regexp::TAWKStr awk;
    try {
        awk.SetRegExp(pattern);
    } catch (const regexp::ERegExpParser& e) {
        return {e.what(), e.ErrorPos()};
    }
    return {};
}

} // namespace regexp_test
