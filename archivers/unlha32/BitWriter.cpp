#include "archivers/unlha32/BitWriter.h"

namespace unlha {

BitWriter::BitWriter(ByteSink& sink, std::size_t bufferSize)
    : sink_(sink), buffer_(bufferSize < 16 ? 16 : bufferSize) {}

void BitWriter::Drain() {
    if (pos_ > 0)
        sink_.Write(buffer_.data(), pos_);
    drained_ += pos_;
    pos_ = 0;
}

void BitWriter::Finish() {
    if (count_ % 8 != 0)
        Put(8 - count_ % 8, 0);
    while (count_ > 0) {
        if (pos_ + 1 > buffer_.size())
            Drain();
        count_ -= 8;
        buffer_[pos_++] = static_cast<uint8_t>(acc_ >> count_);
    }
    acc_ = 0;
    Drain();
}

} // namespace unlha
