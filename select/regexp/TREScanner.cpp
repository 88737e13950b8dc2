#include "select/regexp/TREScanner.h"

#include "select/regexp/ERegExpParser.h"

namespace regexp {

namespace {

int HexValue(CharCode c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    return -1;
}

bool IsOctalDigit(CharCode c) {
    return c >= '0' && c <= '7';
}

} // namespace

TREScanner::TREScanner(std::string_view pattern)
    : pattern_(pattern), codePage_(platform::ActiveCodePage()) {}

bool TREScanner::ReadChar(CharCode* code) {
    if (pos_ < 1 || pos_ > pattern_.size())
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(pattern_.data());
    const unsigned char b = bytes[pos_ - 1];
    if (codePage_ == platform::CodePage::Cp932 && platform::IsLeadByte(b)) {
        // A lead byte takes whatever byte follows as its trail byte, which is what the
        // lead-byte count of StepBack relies on; as the last byte it is an error.
        if (pos_ == pattern_.size())
            RaiseParserError(msg::kInvalidDoubleByte, pos_);
        *code = b * 256u + bytes[pos_];
        pos_ += 2;
        return true;
    }
    pos_ += DecodeChar(codePage_, bytes + pos_ - 1, bytes + pattern_.size(), code);
    return true;
}

// Whether the byte at pos (1-based) is the trail byte of a CP932 double-byte character: the
// lead-byte values directly before it, counted back to the start, are odd in number.
bool TREScanner::IsTrailByteAt(std::size_t pos) const {
    std::size_t count = 0;
    for (std::size_t k = pos - 1; k >= 1; --k) {
        if (!platform::IsLeadByte(static_cast<unsigned char>(pattern_[k - 1])))
            break;
        ++count;
    }
    return count % 2 == 1;
}

void TREScanner::StepBack() {
    if (pos_ <= 1)
        return;
    if (pos_ == 2) {
        pos_ = 1;
        return;
    }
    switch (codePage_) {
    case platform::CodePage::Cp932:
        pos_ -= IsTrailByteAt(pos_ - 1) ? 2 : 1;
        return;
    case platform::CodePage::Utf8:
        // A valid sequence ending just before pos is always read whole, and only one can end
        // there; otherwise the last character was a single byte.
        for (std::size_t n = 4; n >= 2; --n) {
            if (pos_ - 1 >= n && platform::CharLengthAt(pattern_, pos_ - 1 - n) == n) {
                pos_ -= n;
                return;
            }
        }
        --pos_;
        return;
    case platform::CodePage::SingleByte:
        break;
    }
    --pos_;
}

CharCode TREScanner::ReadEscape() {
    CharCode c = 0;
    if (!ReadChar(&c))
        RaiseParserError(msg::kCharAfterBackslash, pos_);
    switch (c) {
    case 'b':
        return 8;
    case 'r':
        return 13;
    case 'n':
        return 10;
    case 't':
        return 9;
    case 'x': {
        CharCode value = 0;
        int digits = 0;
        CharCode d = 0;
        while (digits < 4 && ReadChar(&d)) {
            const int v = HexValue(d);
            if (v < 0) {
                if (digits == 0)
                    RaiseParserError(msg::kInvalidHex, pos_);
                StepBack();
                break;
            }
            value = value * 16 + static_cast<CharCode>(v);
            ++digits;
        }
        if (digits == 0)
            RaiseParserError(msg::kInvalidHex, pos_);
        return value;
    }
    default:
        break;
    }
    if (!IsOctalDigit(c))
        return c;
    StepBack();
    CharCode value = 0;
    CharCode d = 0;
    for (int digits = 0; digits < 6 && ReadChar(&d); ++digits) {
        if (!IsOctalDigit(d)) {
            StepBack();
            break;
        }
        value = value * 8 + (d - '0');
        if (value > 0xFFFF)
            RaiseParserError(msg::kInvalidOctal, pos_);
    }
    return value;
}

TREToken TREScanner::GetTokenNormal() {
    CharCode c = 0;
    if (!ReadChar(&c))
        return token_ = TREToken::End;
    switch (c) {
    case '$':
        token_ = TREToken::LineTail;
        break;
    case '(':
        token_ = TREToken::LPar;
        break;
    case ')':
        token_ = TREToken::RPar;
        break;
    case '*':
        token_ = TREToken::Star;
        break;
    case '+':
        token_ = TREToken::Plus;
        break;
    case '.':
        token_ = TREToken::AnyChar;
        break;
    case '?':
        token_ = TREToken::Question;
        break;
    case '|':
        token_ = TREToken::Union;
        break;
    case ']':
        token_ = TREToken::ClassClose;
        break;
    case '^':
        token_ = TREToken::LineHead;
        break;
    case '[': {
        CharCode next = 0;
        if (!ReadChar(&next))
            RaiseParserError(msg::kRightBracket, pos_);
        if (next == '^') {
            token_ = TREToken::NegClassOpen;
        } else {
            StepBack();
            token_ = TREToken::ClassOpen;
        }
        break;
    }
    case '\\':
        code_ = ReadEscape();
        return token_ = TREToken::Char;
    default:
        token_ = TREToken::Char;
        break;
    }
    code_ = c;
    return token_;
}

TREToken TREScanner::GetTokenClass() {
    CharCode c1 = 0;
    if (!ReadChar(&c1))
        RaiseParserError(msg::kRightBracket, pos_);
    if (c1 == ']') {
        code_ = c1;
        return token_ = TREToken::ClassClose;
    }
    if (c1 == '\\')
        c1 = ReadEscape();
    code_ = c1;
    CharCode c = 0;
    if (!ReadChar(&c))
        RaiseParserError(msg::kRightBracket, pos_);
    if (c != '-') {
        StepBack();
        return token_ = TREToken::Char;
    }
    CharCode c2 = 0;
    if (!ReadChar(&c2))
        RaiseParserError(msg::kRightBracket, pos_);
    if (c2 == ']') {
        // "a-]": the "-" is a member of its own, read as the next token.
        StepBack();
        StepBack();
        return token_ = TREToken::Char;
    }
    if (c2 == '\\')
        c2 = ReadEscape();
    if (c1 > c2)
        RaiseParserError(msg::kInvalidRange, pos_);
    hiCode_ = c2;
    return token_ = TREToken::Range;
}

TREToken TREScanner::GetToken() {
    if (inClass_) {
        if (GetTokenClass() == TREToken::ClassClose)
            inClass_ = false;
    } else {
        const TREToken t = GetTokenNormal();
        if (t == TREToken::ClassOpen || t == TREToken::NegClassOpen)
            inClass_ = true;
    }
    return token_;
}

} // namespace regexp
