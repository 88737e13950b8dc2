// Character codes of the regular expression engine and how patterns and subjects are decoded
// into them under the active code page.
//
// A character is one 32-bit code: under CP932 a single byte is its value and a double-byte
// character is lead * 256 + trail; under UTF-8 a character is its code point; in single-byte
// code pages every byte is its value. Under UTF-8 a byte that starts no valid sequence (a stray
// continuation byte, a truncated or overlong sequence) is one character of its own with the code
// 0xDC00 + byte: a lone surrogate, which no valid sequence decodes to, so such a byte only ever
// matches itself and '.' still matches it.
//
// The end of a subject reads as code 0. Code 0 never matches anything: a pattern may name it
// ("\0", "\x0", a range from 0) and compiles, but no search consumes code 0, neither the end
// of the subject nor a zero byte inside it, so no search can read past the subject's end. The
// codes that label the automaton's line-head, line-tail and empty transitions lie above
// 0x10FFFF and so above every character code of every code page.
#pragma once

#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>

namespace regexp {

using CharCode = std::uint32_t;

inline constexpr CharCode kEndCode = 0;
inline constexpr CharCode kLineHeadCode = 0x110001;
inline constexpr CharCode kLineTailCode = 0x110002;
inline constexpr CharCode kEmptyLabel = 0x110003;

inline constexpr CharCode kStrayByteBase = 0xDC00;

// The highest code of the any-character set: 0xFCFC under CP932, 0x10FFFF under UTF-8, 0xFF in
// single-byte code pages.
CharCode AnyCharMax();

// Decodes the character at p (p < end) under the code page cp, stores its code and returns its
// length in bytes (at least 1, never past end). A CP932 lead byte that is the last byte before
// end, or that a zero byte follows, is a one-byte character of its own value.
inline std::size_t DecodeChar(platform::CodePage cp, const unsigned char* p,
                              const unsigned char* end, CharCode* code) {
    const unsigned char b = *p;
    if (b < 0x80 || cp == platform::CodePage::SingleByte) {
        *code = b;
        return 1;
    }
    if (cp == platform::CodePage::Cp932) {
        if (platform::IsLeadByte(b) && end - p >= 2 && p[1] != 0) {
            *code = b * 256u + p[1];
            return 2;
        }
        *code = b;
        return 1;
    }
    // UTF-8, decoded here rather than through the platform layer because the search does it
    // for every character; the same sequences are valid (no overlong forms, no surrogates,
    // nothing past U+10FFFF).
    std::size_t n = 0;
    CharCode c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        c = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        c = b & 0x0Fu;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        c = b & 0x07u;
    }
    if (n == 0 || static_cast<std::size_t>(end - p) < n) {
        *code = kStrayByteBase + b;
        return 1;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            *code = kStrayByteBase + b;
            return 1;
        }
        c = (c << 6) | (p[k] & 0x3Fu);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF)) {
        *code = kStrayByteBase + b;
        return 1;
    }
    *code = c;
    return n;
}

} // namespace regexp
