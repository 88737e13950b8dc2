#include "platform/CodePage.h"

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

namespace platform {

namespace {

CodePage g_codePage = CodePage::Utf8;

bool IsCp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length of a valid UTF-8 sequence at s[i], or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, std::uint32_t* code) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (s.size() - i < n)
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    *code = cp;
    return n;
}

locale_t Utf8Locale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

std::string Convert(std::string_view in, const char* to, const char* from, const char* bad) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    char* inp = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outp = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outp - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An unconvertible or invalid byte: replace it and go on after it.
            out += bad;
            ++inp;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

void InitCodePageFromLocale() {
    const char* codeset = nl_langinfo(CODESET);
    std::string name = codeset ? codeset : "";
    for (auto& ch : name)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (name == "UTF-8" || name == "UTF8")
        g_codePage = CodePage::Utf8;
    else if (name == "SHIFT_JIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS-31J" ||
             name == "SHIFT-JIS")
        g_codePage = CodePage::Cp932;
    else if (name == "ANSI_X3.4-1968" || name.empty())
        g_codePage = CodePage::Utf8; // the plain C locale: treat text as UTF-8
    else
        g_codePage = CodePage::SingleByte;
}

void SetCodePage(CodePage cp) {
    g_codePage = cp;
}

CodePage ActiveCodePage() {
    return g_codePage;
}

bool IsLeadByte(unsigned char c) {
    switch (g_codePage) {
    case CodePage::Utf8:
        return c >= 0xC2 && c <= 0xF4;
    case CodePage::Cp932:
        return IsCp932Lead(c);
    case CodePage::SingleByte:
        break;
    }
    return false;
}

std::size_t CharLengthAt(std::string_view s, std::size_t i) {
    if (i >= s.size())
        return 0;
    std::size_t length = 1;
    CharCodeAt(s, i, &length);
    return length;
}

std::uint32_t CharCodeAt(std::string_view s, std::size_t i, std::size_t* length) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t n = 1;
    std::uint32_t code = b0;
    if (g_codePage == CodePage::Utf8 && b0 >= 0x80) {
        std::uint32_t cp = 0;
        if (const std::size_t k = Utf8SequenceLength(s, i, &cp); k != 0) {
            n = k;
            code = cp;
        }
    } else if (g_codePage == CodePage::Cp932 && IsCp932Lead(b0) && i + 1 < s.size()) {
        n = 2;
        code = b0 * 256u + static_cast<unsigned char>(s[i + 1]);
    }
    if (length)
        *length = n;
    return code;
}

std::uint32_t MaxCharCode() {
    switch (g_codePage) {
    case CodePage::Utf8:
        return 0x10FFFF;
    case CodePage::Cp932:
        return 0xFCFF;
    case CodePage::SingleByte:
        break;
    }
    return 0xFF;
}

std::string EncodeChar(std::uint32_t code) {
    std::string out;
    if (g_codePage == CodePage::Utf8 && code >= 0x80) {
        if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    } else if (g_codePage == CodePage::Cp932 && code > 0xFF) {
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    } else {
        out += static_cast<char>(code & 0xFF);
    }
    return out;
}

std::uint32_t LowerCharCode(std::uint32_t code) {
    if (code >= 'A' && code <= 'Z')
        return code + ('a' - 'A');
    if (g_codePage == CodePage::Utf8 && code >= 0x80) {
        if (locale_t loc = Utf8Locale())
            return static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(code), loc));
    }
    return code;
}

std::string LowerCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = 1;
        const std::uint32_t code = CharCodeAt(s, i, &n);
        if (g_codePage == CodePage::Utf8 && n > 1) {
            out += EncodeChar(LowerCharCode(code));
        } else if (n == 1) {
            out += static_cast<char>(LowerCharCode(code));
        } else {
            out.append(s.substr(i, n));
        }
        i += n;
    }
    return out;
}

std::string FileNameKey(std::string_view name) {
    return std::string(name);
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1, code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2, code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3, code = c & 0x07;
        } else {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size())
                return false;
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if ((n == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (n == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

std::string FromUtf8(std::string_view utf8) {
    switch (g_codePage) {
    case CodePage::Utf8:
        return std::string(utf8);
    case CodePage::Cp932:
        return Convert(utf8, "CP932", "UTF-8", "?");
    case CodePage::SingleByte:
        break;
    }
    return Convert(utf8, nl_langinfo(CODESET), "UTF-8", "?");
}

std::string ToUtf8(std::string_view text) {
    switch (g_codePage) {
    case CodePage::Utf8: {
        // Keep valid sequences, replace stray bytes.
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size();) {
            std::size_t n = 1;
            const std::uint32_t code = CharCodeAt(text, i, &n);
            if (n == 1 && code >= 0x80)
                out += "\xEF\xBF\xBD";
            else
                out.append(text.substr(i, n));
            i += n;
        }
        return out;
    }
    case CodePage::Cp932:
        return Convert(text, "UTF-8", "CP932", "\xEF\xBF\xBD");
    case CodePage::SingleByte:
        break;
    }
    return Convert(text, "UTF-8", nl_langinfo(CODESET), "\xEF\xBF\xBD");
}

} // namespace platform
