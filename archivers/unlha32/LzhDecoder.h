// Decoder of the -lh5-, -lh6- and -lh7- methods: LZSS over a sliding dictionary, coded with
// static Huffman codes that change per block.
#pragma once

#include <cstdint>
#include <vector>

#include "archivers/unlha32/BitReader.h"
#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/HuffmanTable.h"
#include "archivers/unlha32/LzhMethod.h"

namespace unlha {

class LzhDecoder {
public:
    LzhDecoder(Method method, ByteSource& source);

    // Decodes exactly size bytes and hands them to sink in chunks. Broken data raise
    // ArchiveError with ARC_ERROR_HUFFMAN_CODE; memory stays bounded whatever the size.
    void Decode(uint64_t size, ByteSink& sink);

private:
    void ReadBlockHeader();
    void ReadPtLengths(HuffmanTable& table, int nn, int countBits, int special);
    void ReadCharLengths();
    int DecodeSymbol(const HuffmanTable& table);
    [[noreturn]] static void Broken(const char* what);

    LzhParameters params_;
    BitReader in_;
    HuffmanTable charTable_;
    HuffmanTable ptTable_;
    HuffmanTable posTable_;
    uint32_t blockRemaining_ = 0;
    std::vector<uint8_t> window_;
};

} // namespace unlha
