// Decoding table of a canonical Huffman code with codes of up to 16 bits: a root table indexed
// by the next rootBits bits, and sub-tables for the longer codes.
#pragma once

#include <cstdint>
#include <vector>

namespace unlha {

class HuffmanTable {
public:
    // An entry: bits 0-15 the symbol (or the sub-table's offset), bits 16-23 the code length
    // (or the sub-table's index bits), bits 24-31 the kind.
    enum Kind : uint32_t { kSymbol = 0, kSubTable = 1, kInvalid = 2 };

    // Builds the table from code lengths (0 = unused symbol). Returns false when the lengths
    // over-subscribe the code space or exceed 16 bits. An incomplete code is accepted; bit
    // patterns no code uses decode as invalid.
    bool Build(const uint8_t* lengths, int n, int rootBits);
    // Every bit pattern decodes as symbol, consuming no bits (a block's one-symbol code).
    void SetSingle(int symbol, int rootBits);

    int RootBits() const { return rootBits_; }
    const uint32_t* Entries() const { return entries_.data(); }

    static uint32_t Make(uint32_t kind, uint32_t length, uint32_t value) {
        return (kind << 24) | (length << 16) | value;
    }

private:
    int rootBits_ = 0;
    std::vector<uint32_t> entries_;
};

} // namespace unlha
