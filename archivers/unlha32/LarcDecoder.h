// Decoders of the two LArc methods an LZH archive may hold: -lzs- (2 KiB ring, a flag bit
// before each literal or an 11-bit position with a 4-bit length) and -lz5- (4 KiB ring with a
// preset history, a flag byte before each eight literals or 12-bit positions with 4-bit
// lengths). Neither uses Huffman codes; copies read the ring buffer one byte at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/LzhMethod.h"

namespace unlha {

class LarcDecoder {
public:
    // method is Lzs or Lz5.
    LarcDecoder(Method method, ByteSource& source);

    // Decodes exactly size bytes into sink. Data that end early raise ArchiveError
    // (ARC_ERROR_HUFFMAN_CODE); memory stays bounded whatever the size.
    void Decode(uint64_t size, ByteSink& sink);

private:
    int Byte();
    unsigned Bits(unsigned n);
    void Put(uint8_t b);
    void Copy(unsigned start, unsigned length, uint64_t& remaining);
    void Flush();

    Method method_;
    ByteSource& source_;
    std::vector<uint8_t> in_;
    std::size_t inPos_ = 0;
    std::size_t inEnd_ = 0;
    uint32_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    std::vector<uint8_t> ring_;
    unsigned ringPos_ = 0;
    std::vector<uint8_t> out_;
    ByteSink* sink_ = nullptr;
};

} // namespace unlha
