// Reads a pattern token by token. Positions are 1-based byte indexes; a multi-byte character of
// the active code page is one character. Outside a character class (normal mode) the twelve
// metacharacters ^ ( | ) + * ? . [ ] $ \ are special; inside one (class mode) only "]", "\" and
// a "-" between two characters are.
#pragma once

#include "select/regexp/CharCodes.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace regexp {

enum class TREToken {
    Char,         // an ordinary character or an escape: Code()
    Union,        // |
    LPar,         // (
    RPar,         // )
    Star,         // *
    Plus,         // +
    Question,     // ?
    ClassOpen,    // [
    NegClassOpen, // [^
    ClassClose,   // ]
    AnyChar,      // .
    LineHead,     // ^
    LineTail,     // $
    End,          // end of the pattern
    Range,        // c1-c2 inside a class: Code() .. HiCode()
};

class TREScanner {
public:
    explicit TREScanner(std::string_view pattern);

    // The next token in normal mode.
    TREToken GetTokenNormal();
    // The next token in class mode.
    TREToken GetTokenClass();
    // The next token, switching into class mode after "[" or "[^" and back after "]".
    TREToken GetToken();
    // Un-reads the character just read.
    void StepBack();

    TREToken Token() const { return token_; }
    CharCode Code() const { return code_; }
    CharCode HiCode() const { return hiCode_; }
    bool InClass() const { return inClass_; }
    std::size_t Position() const { return pos_; }

private:
    // Reads the character at the current position and advances; false at the end (the position
    // does not move). Raises on a CP932 lead byte that is the last byte of the pattern.
    bool ReadChar(CharCode* code);
    // Decodes an escape; the "\" has been read.
    CharCode ReadEscape();
    bool IsTrailByteAt(std::size_t pos) const;

    std::string pattern_;
    platform::CodePage codePage_;
    std::size_t pos_ = 1;
    TREToken token_ = TREToken::End;
    CharCode code_ = 0;
    CharCode hiCode_ = 0;
    bool inClass_ = false;
};

} // namespace regexp
