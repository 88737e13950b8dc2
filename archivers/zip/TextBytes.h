// How the bytes of a name form characters in the locale's code page. Only Shift_JIS needs
// care: its second byte may be '[', ']' or '\'; UTF-8 never hides ASCII inside a character.
#pragma once

#include <cstddef>
#include <string_view>

namespace vmzip {

enum class TextEncoding { SingleByte, Utf8, ShiftJis };

// The encoding of the current locale's codeset (as the program set it with setlocale).
TextEncoding LocaleEncoding();

// Bytes of the character at s[i]: at least 1, never past the end of s. An invalid or cut
// sequence counts as one byte.
std::size_t CharLength(std::string_view s, std::size_t i, TextEncoding enc);

} // namespace vmzip
