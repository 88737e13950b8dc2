// The error a pattern raises when it cannot be compiled: the message shown to the user and the
// 1-based byte position in the pattern at which scanning stood when the error was found.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace regexp {

class ERegExpParser : public std::runtime_error {
public:
    ERegExpParser(const std::string& message, std::size_t errorPos)
        : std::runtime_error(message), errorPos_(errorPos) {}

    std::size_t ErrorPos() const { return errorPos_; }

private:
    std::size_t errorPos_;
};

// The pattern messages, as UTF-8 source text; Raise converts them to the active code page.
namespace msg {
inline constexpr const char* kInvalidDoubleByte = "不正な２バイト文字コードです。";
inline constexpr const char* kCharAfterBackslash = "\"\\\"の次には文字が必要です。";
inline constexpr const char* kInvalidHex = "不正な１６進数コード表記です。";
inline constexpr const char* kInvalidOctal = "不正な８進数コード表記です。";
inline constexpr const char* kRightBracket = "右ブラケット\"]\"が必要です";
inline constexpr const char* kInvalidRange = "不正なキャラクタ範囲です";
inline constexpr const char* kInvalidClass = "不正なキャラクタクラス指定です。";
inline constexpr const char* kRightParen = "右(閉じ)括弧が必要です";
inline constexpr const char* kCharOrLeftParen = "普通の文字、または左括弧\"(\"が必要です";
inline constexpr const char* kSurplusChars = "正規表現に余分な文字があります";
// Limits that keep a hostile pattern from exhausting the stack or the memory.
inline constexpr const char* kNestedTooDeep = "括弧の入れ子が深すぎます。";
inline constexpr const char* kTooComplex = "正規表現が複雑すぎます。";
// Internal faults that no parse tree of a valid parse can reach (general exceptions).
inline constexpr const char* kTreeFatal = "TREParseTree : 致命的エラー";
inline constexpr const char* kCannotHappen = "This cannot happen in TRE_NFA.GenerateStateList";
} // namespace msg

// Raises ERegExpParser with a message of msg (converted to the active code page).
[[noreturn]] void RaiseParserError(const char* utf8Message, std::size_t errorPos);
// Raises the general exception of an internal fault.
[[noreturn]] void RaiseInternalError(const char* utf8Message);

} // namespace regexp
