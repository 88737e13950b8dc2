// Running shell commands from tests.
#pragma once

#include <cstdio>
#include <string>

namespace testing_support {

// A text as one single-quoted shell word.
inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    q += '\'';
    return q;
}

// Standard output of a shell command.
inline std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

} // namespace testing_support
