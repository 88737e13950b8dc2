// Decoder of -lh1-, the method of LHarc 1.x: LZSS over a 4 KiB window with matches of 3 to 60
// bytes; literals and lengths are coded with an adaptive Huffman code (rebuilt with halved
// counts when the root's count reaches 0x8000), the upper six bits of a match's distance with
// a fixed code and the lower six bits plainly.
#pragma once

#include <cstdint>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"

namespace unlha {

class Lh1Decoder {
public:
    explicit Lh1Decoder(ByteSource& source);

    // Decodes exactly size bytes into sink. Broken or truncated data raise ArchiveError
    // (ARC_ERROR_HUFFMAN_CODE).
    void Decode(uint64_t size, ByteSink& sink);

    // The adaptive code both sides keep: leaves are symbols 0 .. 313, node 626 the root.
    static constexpr int kSymbols = 314;
    static constexpr int kNodes = kSymbols * 2 - 1;
    static constexpr int kRoot = kNodes - 1;
    struct AdaptiveCode {
        AdaptiveCode();
        void Update(int symbol);
        void Rebuild();
        std::vector<uint32_t> freq; // kNodes + 1 (a sentinel)
        std::vector<int> parent;    // of nodes, and of leaves at kNodes + symbol
        std::vector<int> child;     // first child of a node, or kNodes + symbol for a leaf
    };
    // Code lengths of the fixed code of the distance's upper six bits (canonical order).
    static int UpperBitsLength(int upper);

private:
    unsigned Bit();
    unsigned Bits(unsigned n);
    int DecodeUpperBits();

    ByteSource& source_;
    std::vector<uint8_t> in_;
    std::size_t inPos_ = 0;
    std::size_t inEnd_ = 0;
    uint32_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    AdaptiveCode code_;
};

} // namespace unlha
