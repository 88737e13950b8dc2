#include "TextBytes.h"

#include <langinfo.h>
#include <strings.h>

namespace vmzip {

TextEncoding LocaleEncoding() {
    const char* cs = nl_langinfo(CODESET);
    if (cs == nullptr)
        return TextEncoding::SingleByte;
    if (strcasecmp(cs, "UTF-8") == 0 || strcasecmp(cs, "UTF8") == 0)
        return TextEncoding::Utf8;
    for (const char* sjis : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS932"}) {
        if (strcasecmp(cs, sjis) == 0)
            return TextEncoding::ShiftJis;
    }
    return TextEncoding::SingleByte;
}

namespace {

std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    else
        return 1;
    if (i + n > s.size())
        return 1;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return n;
}

} // namespace

std::size_t CharLength(std::string_view s, std::size_t i, TextEncoding enc) {
    if (i >= s.size())
        return 1;
    const auto c = static_cast<unsigned char>(s[i]);
    switch (enc) {
    case TextEncoding::Utf8:
        return Utf8Length(s, i);
    case TextEncoding::ShiftJis:
        if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < s.size())
            return 2;
        return 1;
    case TextEncoding::SingleByte:
        break;
    }
    return 1;
}

} // namespace vmzip
