// The member methods this library knows, with the parameters of the -lh5-/-lh6-/-lh7- coders.
#pragma once

#include <string_view>

namespace unlha {

enum class Method { Stored, Lh5, Lh6, Lh7, Directory, Unsupported };

// "-lh0-" and the others; a method not in the list is Unsupported.
Method MethodFromName(std::string_view name);
const char* MethodName(Method method);

// Parameters of a sliding-dictionary method (Lh5, Lh6, Lh7).
struct LzhParameters {
    int dictionaryBits; // 13, 15, 16
    int positionCodes;  // np: 14, 16, 17
    int positionBits;   // bits of the position-code count: 4, 5, 5
};
LzhParameters ParametersOf(Method method);

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr int kCharCodes = 256 + kMaxMatch - kMinMatch + 1; // 510 literal and length codes
constexpr int kCharCountBits = 9;
constexpr int kPtCodes = 19; // codes that send the literal/length code lengths
constexpr int kPtCountBits = 5;
constexpr int kMaxPositionCodes = 17;

} // namespace unlha
