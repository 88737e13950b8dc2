// The active code page: how text bytes form characters, how they are lower-cased, and
// the key by which file names are compared. Strings are byte strings in this code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class CodePage {
    Utf8,       // multi-byte characters decoded to their code points
    Cp932,      // Shift_JIS: lead byte 0x81-0x9F or 0xE0-0xFC, code = lead * 256 + trail
    SingleByte, // every byte is one character
};

// Reads the codeset of the current locale (after setlocale(LC_ALL, "")) and makes it active.
void InitCodePageFromLocale();
// Makes a code page active; tests use it to select one.
void SetCodePage(CodePage cp);
CodePage ActiveCodePage();

// True when the byte starts a multi-byte character in the active code page (UTF-8: a valid
// lead byte 0xC2-0xF4; CP932: 0x81-0x9F and 0xE0-0xFC; single-byte: never).
bool IsLeadByte(unsigned char c);

// Number of bytes of the character starting at s[i]: at least 1 and never past the end of s.
// An invalid or truncated multi-byte sequence counts as a one-byte character.
std::size_t CharLengthAt(std::string_view s, std::size_t i);

// The character code at s[i] and its length in bytes (CharLengthAt). UTF-8: the code point;
// CP932: lead * 256 + trail; otherwise the byte.
std::uint32_t CharCodeAt(std::string_view s, std::size_t i, std::size_t* length = nullptr);

// Highest character code of the active code page (UTF-8 0x10FFFF, CP932 0xFCFF, else 0xFF).
std::uint32_t MaxCharCode();

// Encodes a character code as bytes of the active code page.
std::string EncodeChar(std::uint32_t code);

// Lower-cases one character code: ASCII letters always, plus simple Unicode lower-casing
// under UTF-8.
std::uint32_t LowerCharCode(std::uint32_t code);

// Lower-cases a text character by character; multi-byte characters keep their trail bytes.
std::string LowerCase(std::string_view s);

// The key under which two file names are the same name. Linux names are case-sensitive,
// so the key is the exact bytes.
std::string FileNameKey(std::string_view name);

// Converts UTF-8 text (the program's own messages) to the active code page; characters that
// the code page lacks become "?". Identity under UTF-8.
// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or codes above U+10FFFF).
bool IsValidUtf8(std::string_view s);

std::string FromUtf8(std::string_view utf8);
// Converts text of the active code page to UTF-8 (for Qt); invalid bytes become U+FFFD.
std::string ToUtf8(std::string_view text);

} // namespace platform
