// Encoder of the -lh5-, -lh6- and -lh7- methods: LZSS with hash chains and lazy matching over a
// sliding dictionary, written as blocks of canonical Huffman codes. Data are streamed: memory is
// bounded by the dictionary and a fixed input buffer, whatever the input size.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archivers/unlha32/BitWriter.h"
#include "archivers/unlha32/ByteStreams.h"
#include "archivers/unlha32/LzhBlockWriter.h"
#include "archivers/unlha32/LzhMethod.h"

namespace unlha {

// How hard the match search works. The defaults were chosen on a mixed corpus of text, source
// code and binaries (bench/lzh): longer searches gain little, smaller blocks adapt better.
struct EncoderTuning {
    int maxChain = 128;    // candidates tried per position
    int goodLength = 8;    // a previous match this long quarters the next search
    int maxLazy = 32;      // a previous match this long is taken without searching again
    int niceLength = 128;  // a match this long ends the search
    int blockCodes = 8192; // codes per block
};

class LzhEncoder {
public:
    LzhEncoder(Method method, ByteSink& sink, const EncoderTuning& tuning = {});

    void Write(const uint8_t* data, std::size_t size);
    // Encodes what is left and hands every byte to the sink.
    void Finish();
    // Starts a new stream into the same sink, keeping the tables (cheaper than a new encoder
    // for every small file): nothing of the earlier input is matched again.
    void Reset();

    // Bytes handed to the sink or waiting in the bit buffer.
    uint64_t OutputBytes() const { return bits_.BytesWritten(); }
    // Input bytes whose codes were written out as complete blocks.
    uint64_t InputInBlocks() const { return inputInBlocks_; }

private:
    void Compress(bool flush);
    unsigned LongestMatch(std::size_t s, uint32_t candidate, unsigned prevLength,
                          unsigned lookahead);
    void Slide();
    void Rebase();
    void FlushBlock();
    uint32_t Hash(std::size_t s) const;
    void Insert(std::size_t s);

    EncoderTuning tuning_;
    BitWriter bits_;
    LzhBlockWriter block_;
    uint32_t dictSize_;
    uint32_t maxDistance_;
    std::vector<uint8_t> buffer_;
    std::size_t capacity_; // usable bytes of buffer_ (the rest is padding for wide reads)
    std::size_t strStart_ = 0;
    std::size_t end_ = 0;
    uint32_t base_; // absolute position of buffer_[0]
    std::vector<uint32_t> head_;
    std::vector<uint32_t> prev_;
    // Lazy-matching state carried between calls.
    unsigned matchLength_ = kMinMatch - 1;
    uint32_t matchStart_ = 0;
    bool matchAvailable_ = false;
    uint64_t inputInBlocks_ = 0;
    uint64_t inputInBlock_ = 0;
};

} // namespace unlha
