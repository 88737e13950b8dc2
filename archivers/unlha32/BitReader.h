// Reads a bit stream, most significant bit first, from a source through a byte buffer. Past the
// end of the source it yields zero bits and remembers that it did, so a decoder can tell
// broken data (that needs more bits than there are) from the end of a stream.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"

namespace unlha {

class BitReader {
public:
    explicit BitReader(ByteSource& source, std::size_t bufferSize = 1 << 16);

    // Makes at least 56 bits available to Peek.
    void Refill() {
        if (count_ >= 56)
            return;
        if (end_ - pos_ >= 8) {
            uint64_t v;
            std::memcpy(&v, pos_, 8);
            v = __builtin_bswap64(v);
            bits_ |= v >> count_;
            pos_ += (63 - count_) >> 3;
            count_ |= 56;
        } else {
            RefillSlow();
        }
    }

    // The next n bits (1 <= n <= 32) without consuming them; Refill first.
    uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(bits_ >> (64 - n)); }
    // Consumes n bits (n <= the bits available).
    void Skip(unsigned n) {
        bits_ <<= n;
        count_ -= n;
    }
    // Reads n bits (0 <= n <= 32).
    uint32_t Get(unsigned n) {
        if (n == 0)
            return 0;
        Refill();
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }

    // True when more bits were consumed than the source held.
    bool Overrun() const { return count_ < padBits_; }

    // The hot decoding loop keeps the bit state in locals; these move it out and back.
    struct State {
        uint64_t bits;
        unsigned count;
        const uint8_t* pos;
    };
    State Save() const { return {bits_, count_, pos_}; }
    void Restore(const State& s) {
        bits_ = s.bits;
        count_ = s.count;
        pos_ = s.pos;
    }
    const uint8_t* BufferEnd() const { return end_; }

private:
    void RefillSlow();

    ByteSource& source_;
    std::vector<uint8_t> buffer_;
    const uint8_t* pos_;
    const uint8_t* end_;
    uint64_t bits_ = 0;
    unsigned count_ = 0;
    unsigned padBits_ = 0;
    bool sourceEnded_ = false;
};

} // namespace unlha
