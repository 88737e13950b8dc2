// Collects the literals and matches of one block and writes the block: its code count, the
// three code-length tables and the codes.
#pragma once

#include <cstdint>
#include <vector>

#include "archivers/unlha32/BitWriter.h"
#include "archivers/unlha32/LzhMethod.h"

namespace unlha {

class LzhBlockWriter {
public:
    LzhBlockWriter(Method method, BitWriter& out, int maxCodes);

    void Literal(uint8_t c) {
        items_[count_++] = c;
        ++charFreq_[c];
    }
    // A match of length kMinMatch..kMaxMatch at distance 1..dictionary size.
    void Match(unsigned length, unsigned distance) {
        const uint32_t code = 256 + length - kMinMatch;
        const uint32_t p = distance - 1;
        items_[count_++] = code | (p << 16);
        ++charFreq_[code];
        ++posFreq_[p == 0 ? 0 : 32 - __builtin_clz(p)];
    }
    bool Full() const { return count_ >= maxCodes_; }
    bool Empty() const { return count_ == 0; }

    // Writes the collected codes as one block and starts a new one.
    void Flush();
    // Drops the collected codes.
    void Clear();

private:
    void WritePtLengths(const uint8_t* lengths, int n, int countBits, int special);
    void WriteCharLengths(const uint8_t* ptLengths, const uint16_t* ptCodes);

    LzhParameters params_;
    BitWriter& out_;
    int maxCodes_;
    int count_ = 0;
    std::vector<uint32_t> items_;
    uint32_t charFreq_[kCharCodes] = {};
    uint32_t posFreq_[kMaxPositionCodes] = {};
    uint8_t charLengths_[kCharCodes] = {};
};

} // namespace unlha
