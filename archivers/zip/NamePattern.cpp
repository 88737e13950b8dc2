#include "NamePattern.h"

#include <cstdint>
#include <vector>

namespace vmzip {

std::string UnescapeName(std::string_view name, TextEncoding enc) {
    std::string out;
    std::size_t i = 0;
    if (name.substr(0, 3) == "[-]") {
        out += '-';
        i = 3;
    }
    while (i < name.size()) {
        if (name.substr(i, 3) == "[[]") {
            out += '[';
            i += 3;
            continue;
        }
        const std::size_t n = CharLength(name, i, enc);
        out.append(name.substr(i, n));
        i += n;
    }
    return out;
}

bool HasWildcard(std::string_view name, TextEncoding enc) {
    for (std::size_t i = 0; i < name.size(); i += CharLength(name, i, enc)) {
        const char c = name[i];
        if (c == '*' || c == '?' || c == '[')
            return true;
    }
    return false;
}

namespace {

// A character as one number: the bytes of a multi-byte character joined big-end first, so
// that ranges follow the code page's order.
std::vector<uint32_t> Decode(std::string_view s, TextEncoding enc) {
    std::vector<uint32_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = CharLength(s, i, enc);
        uint32_t code = 0;
        for (std::size_t k = 0; k < n; ++k)
            code = (code << 8) | static_cast<unsigned char>(s[i + k]);
        out.push_back(code);
        i += n;
    }
    return out;
}

// Matches one character against the set starting after '[' at p[pos]. Returns the index just
// past the closing ']', or 0 when the set is not closed (then '[' is an ordinary character).
std::size_t MatchSet(const std::vector<uint32_t>& p, std::size_t pos, uint32_t c, bool& hit) {
    std::size_t i = pos;
    bool negate = false;
    if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
        negate = true;
        ++i;
    }
    bool found = false;
    bool first = true;
    while (i < p.size()) {
        if (p[i] == ']' && !first) {
            hit = found != negate;
            return i + 1;
        }
        first = false;
        uint32_t lo = p[i];
        uint32_t hi = lo;
        if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != ']') {
            hi = p[i + 2];
            i += 3;
        } else {
            ++i;
        }
        if (c >= lo && c <= hi)
            found = true;
    }
    return 0;
}

} // namespace

bool WildcardMatch(std::string_view pattern, std::string_view text, TextEncoding enc) {
    const std::vector<uint32_t> p = Decode(pattern, enc);
    const std::vector<uint32_t> t = Decode(text, enc);
    std::size_t pi = 0;
    std::size_t ti = 0;
    std::size_t starP = SIZE_MAX;
    std::size_t starT = 0;
    while (ti < t.size()) {
        if (pi < p.size()) {
            if (p[pi] == '*') {
                starP = ++pi;
                starT = ti;
                continue;
            }
            if (p[pi] == '?') {
                ++pi;
                ++ti;
                continue;
            }
            if (p[pi] == '[') {
                bool hit = false;
                const std::size_t next = MatchSet(p, pi + 1, t[ti], hit);
                if (next != 0) {
                    if (hit) {
                        pi = next;
                        ++ti;
                        continue;
                    }
                } else if (t[ti] == '[') {
                    ++pi;
                    ++ti;
                    continue;
                }
            } else if (p[pi] == t[ti]) {
                ++pi;
                ++ti;
                continue;
            }
        }
        if (starP == SIZE_MAX)
            return false;
        pi = starP;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

} // namespace vmzip
