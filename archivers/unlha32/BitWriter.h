// Writes a bit stream, most significant bit first, into a sink through a byte buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "archivers/unlha32/ByteStreams.h"

namespace unlha {

class BitWriter {
public:
    explicit BitWriter(ByteSink& sink, std::size_t bufferSize = 1 << 16);

    // Appends the low n bits of value (n <= 32; value must fit in n bits).
    void Put(unsigned n, uint32_t value) {
        acc_ = (acc_ << n) | value;
        count_ += n;
        if (count_ >= 32) {
            count_ -= 32;
            const uint32_t word = static_cast<uint32_t>(acc_ >> count_);
            if (pos_ + 4 > buffer_.size())
                Drain();
            uint8_t* p = buffer_.data() + pos_;
            p[0] = static_cast<uint8_t>(word >> 24);
            p[1] = static_cast<uint8_t>(word >> 16);
            p[2] = static_cast<uint8_t>(word >> 8);
            p[3] = static_cast<uint8_t>(word);
            pos_ += 4;
        }
    }

    // Pads the last byte with zero bits and hands everything to the sink.
    void Finish();

    // Forgets everything not handed to the sink yet and starts counting from zero.
    void Reset() {
        pos_ = 0;
        drained_ = 0;
        acc_ = 0;
        count_ = 0;
    }

    // Bytes produced so far, those still buffered included (the bits of a partial byte not).
    uint64_t BytesWritten() const { return drained_ + pos_ + count_ / 8; }

private:
    void Drain();

    ByteSink& sink_;
    std::vector<uint8_t> buffer_;
    std::size_t pos_ = 0;
    uint64_t drained_ = 0;
    uint64_t acc_ = 0;
    unsigned count_ = 0;
};

} // namespace unlha
