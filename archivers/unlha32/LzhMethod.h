// The member methods this library knows (it writes -lh0-, -lh5- and -lh7-; it also reads
// -lh1-, -lh4-, -lh6-, -lzs- and -lz5-), with the parameters of the -lh4- to -lh7- coders.
#pragma once

#include <string_view>

namespace unlha {

enum class Method { Stored, Lh1, Lh4, Lh5, Lh6, Lh7, Lzs, Lz5, Directory, Unsupported };

// "-lh0-" and the others; a method not in the list is Unsupported.
Method MethodFromName(std::string_view name);
const char* MethodName(Method method);

// Parameters of a sliding-dictionary method with static Huffman codes (Lh4 to Lh7).
struct LzhParameters {
    int dictionaryBits; // 12, 13, 15, 16
    int positionCodes;  // np: 13, 14, 16, 17
    int positionBits;   // bits of the position-code count: 4, 4, 5, 5
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
